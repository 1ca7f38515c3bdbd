#include "Model/NotificationCenter.h"

#include "Model/DamagedFiles.h"
#include "Model/Dates.h"
#include "Model/FileIO.h"
#include "Model/JsonWriter.h"
#include "Model/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <simdjson.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vsp {

namespace {

QDateTime localMoment(const QDate& date, int hour, int minute, int second)
{
    QDateTime moment(date, QTime(hour, minute, second));
    if (!moment.isValid()) {
        // The wall-clock time does not exist that day (a spring-forward gap): fire as far into the day
        // as the time asks for. The day's first moment, as midnight itself may fall into the gap.
        moment = date.startOfDay().addSecs(hour * 3600 + minute * 60 + second);
    }
    // A time in the hour that repeats when the clocks go back is taken at its first pass, whichever
    // the C library picked.
    const QDateTime firstPass = moment.addSecs(-3600);
    if (firstPass.date() == moment.date() && firstPass.time() == moment.time()) {
        return firstPass;
    }
    return moment;
}

// The values one field may take: the given one; for an absent field finer than the finest given one,
// its minimum; otherwise every value.
QList<int> allowed(const std::optional<int>& value, bool finerThanGiven, int first, int last)
{
    if (value) {
        return {*value};
    }
    if (finerThanGiven) {
        return {first};
    }
    QList<int> all;
    for (int i = first; i <= last; ++i) {
        all.append(i);
    }
    return all;
}

} // namespace

std::optional<QDateTime> nextMatchingTime(const DateComponents& c, const QDateTime& after)
{
    if (c.isEmpty() || !after.isValid()) {
        return std::nullopt;
    }
    auto inRange = [](const std::optional<int>& v, int low, int high) { return !v || (*v >= low && *v <= high); };
    if (!inRange(c.year, 1, 9999) || !inRange(c.month, 1, 12) || !inRange(c.day, 1, 31) || !inRange(c.hour, 0, 23)
        || !inRange(c.minute, 0, 59) || !inRange(c.second, 0, 59)) {
        return std::nullopt;
    }
    // Ranks from coarse to fine: year 0, month 1, day 2, hour 3, minute 4, second 5.
    const std::optional<int>* fields[] = {&c.year, &c.month, &c.day, &c.hour, &c.minute, &c.second};
    int finest = 0;
    for (int rank = 0; rank < 6; ++rank) {
        if (fields[rank]->has_value()) {
            finest = rank;
        }
    }
    // 0 matches any month or day.
    const int month = c.month ? *c.month : (finest < 1 ? 1 : 0);
    const int day = c.day ? *c.day : (finest < 2 ? 1 : 0);
    const QList<int> hours = allowed(c.hour, finest < 3, 0, 23);
    const QList<int> minutes = allowed(c.minute, finest < 4, 0, 59);
    const int second = c.second.value_or(0);

    const QDate afterDay = after.toLocalTime().date();
    const QTime afterTime = after.toLocalTime().time();
    auto firstOnDay = [&](const QDate& date) -> std::optional<QDateTime> {
        for (int h : hours) {
            for (int m : minutes) {
                const QDateTime moment = localMoment(date, h, m, second);
                // In the hour that repeats when the clocks go back, a time passed on the first run
                // through it is not due again on the second.
                const bool wallClockPassed = date == afterDay && moment.time() <= afterTime;
                if (moment > after && !wallClockPassed) {
                    return moment;
                }
            }
        }
        return std::nullopt;
    };

    const QDate start = afterDay;
    if (c.year && month != 0 && day != 0) {
        const QDate date(*c.year, month, day);
        if (!date.isValid() || date < start) {
            return std::nullopt;
        }
        return firstOnDay(date);
    }
    // Four years and a day reach every calendar day, 29 February included.
    for (int offset = 0; offset <= 4 * 366; ++offset) {
        const QDate date = start.addDays(offset);
        if (c.year && date.year() > *c.year) {
            break;
        }
        if ((c.year && date.year() != *c.year) || (month != 0 && date.month() != month)
            || (day != 0 && date.day() != day)) {
            continue;
        }
        if (auto moment = firstOnDay(date)) {
            return moment;
        }
    }
    return std::nullopt;
}

} // namespace vsp

namespace {

constexpr int kMaxTimerWaitMs = 60 * 1000;
/// How far the clock may go back before the handled time follows it (seconds).
constexpr double kClockSetBackLimit = 86400;

std::optional<double> nextFire(const NotificationRequest& request, double after)
{
    const auto moment = vsp::nextMatchingTime(request.trigger, vsp::toDateTime(after));
    if (!moment) {
        return std::nullopt;
    }
    return vsp::fromDateTime(*moment);
}

// ---------------------------------------------------------------- file form

void writeComponents(vsp::JsonWriter& w, const DateComponents& c)
{
    w.beginObject();
    auto field = [&](std::string_view name, const std::optional<int>& v) {
        if (v) {
            w.key(name);
            w.value(qint64(*v));
        }
    };
    field("year", c.year);
    field("month", c.month);
    field("day", c.day);
    field("hour", c.hour);
    field("minute", c.minute);
    field("second", c.second);
    w.endObject();
}

QByteArray encodeState(const QList<NotificationRequest>& requests, double checkedUntil)
{
    vsp::JsonWriter w;
    w.beginObject();
    w.key("checkedUntil");
    w.value(checkedUntil);
    w.key("requests");
    w.beginArray();
    for (const NotificationRequest& r : requests) {
        w.beginObject();
        w.key("identifier");
        w.value(QStringView(r.identifier));
        w.key("title");
        w.value(QStringView(r.title));
        w.key("body");
        w.value(QStringView(r.body));
        w.key("userInfo");
        w.beginObject();
        for (auto it = r.userInfo.cbegin(); it != r.userInfo.cend(); ++it) {
            const QByteArray key = it.key().toUtf8();
            w.key(std::string_view(key.constData(), size_t(key.size())));
            w.value(QStringView(it.value()));
        }
        w.endObject();
        w.key("trigger");
        writeComponents(w, r.trigger);
        w.key("repeats");
        w.value(r.repeats);
        w.endObject();
    }
    w.endArray();
    w.endObject();
    return w.take();
}

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool decodeState(const QByteArray& json, QList<NotificationRequest>& requests, double& checkedUntil, QString& error)
{
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (const auto code = parser.parse(json.constData(), size_t(json.size()), true).get(root)) {
        error = QStringLiteral("the file is not valid JSON (%1)").arg(QString::fromUtf8(simdjson::error_message(code)));
        return false;
    }
    simdjson::dom::object top;
    simdjson::dom::array list;
    if (root.get_object().get(top) || top["requests"].get_array().get(list)) {
        error = QStringLiteral("the file holds no list of requests");
        return false;
    }
    double until = 0;
    if (top["checkedUntil"].get_double().get(until) || !std::isfinite(until)) {
        error = QStringLiteral("the file holds no valid \"checkedUntil\"");
        return false;
    }
    QList<NotificationRequest> result;
    for (simdjson::dom::element item : list) {
        simdjson::dom::object o;
        std::string_view identifier, title, body;
        simdjson::dom::object info;
        simdjson::dom::object trigger;
        bool repeats = false;
        if (item.get_object().get(o) || o["identifier"].get_string().get(identifier)
            || o["title"].get_string().get(title) || o["body"].get_string().get(body)
            || o["userInfo"].get_object().get(info) || o["trigger"].get_object().get(trigger)
            || o["repeats"].get_bool().get(repeats)) {
            error = QStringLiteral("request %1 is incomplete").arg(result.size());
            return false;
        }
        NotificationRequest r;
        r.identifier = toQString(identifier);
        r.title = toQString(title);
        r.body = toQString(body);
        r.repeats = repeats;
        for (auto [key, value] : info) {
            std::string_view text;
            if (value.get_string().get(text)) {
                error = QStringLiteral("request %1 has user info that is not text").arg(result.size());
                return false;
            }
            r.userInfo.insert(toQString(key), toQString(text));
        }
        for (auto [key, value] : trigger) {
            int64_t number = 0;
            if (value.get_int64().get(number) || number < std::numeric_limits<int>::min()
                || number > std::numeric_limits<int>::max()) {
                error = QStringLiteral("request %1 has a trigger field that is not a whole number").arg(result.size());
                return false;
            }
            const int v = int(number);
            if (key == "year") r.trigger.year = v;
            else if (key == "month") r.trigger.month = v;
            else if (key == "day") r.trigger.day = v;
            else if (key == "hour") r.trigger.hour = v;
            else if (key == "minute") r.trigger.minute = v;
            else if (key == "second") r.trigger.second = v;
        }
        // One request per identifier, the first kept, as adding would have left it.
        if (std::none_of(result.cbegin(), result.cend(),
                         [&](const NotificationRequest& x) { return x.identifier == r.identifier; })) {
            result.append(std::move(r));
        }
    }
    requests = std::move(result);
    checkedUntil = until;
    return true;
}

} // namespace

// ---------------------------------------------------------------- the centre

NotificationCenter::NotificationCenter(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    // A named child, so tests run it instead of waiting for the moment it wakes at.
    m_timer->setObjectName(QStringLiteral("notificationTimer"));
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &NotificationCenter::processDueRequests);
}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter& NotificationCenter::instance()
{
    static NotificationCenter* centre = new NotificationCenter;
    return *centre;
}

QString NotificationCenter::defaultStateFile()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The base directory specification asks to ignore relative paths.
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/Vesperlog/notifications.json");
}

void NotificationCenter::setStateFile(const QString& path)
{
    m_stateFile = path;
    m_customStateFile = !path.isEmpty();
    m_loaded = false;
    m_requests.clear();
    setLeftUnchanged(QString());
}

QString NotificationCenter::stateFile() const
{
    return m_customStateFile ? m_stateFile : defaultStateFile();
}

void NotificationCenter::setClock(std::function<double()> clock)
{
    m_clock = std::move(clock);
    if (m_running) {
        arm();
    }
}

double NotificationCenter::currentTime() const
{
    return m_clock ? m_clock() : vsp::now();
}

void NotificationCenter::ensureLoaded()
{
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    m_requests.clear();
    m_checkedUntil = currentTime();
    setLeftUnchanged(QString());
    const vsp::FileRead read = vsp::readFileBounded(stateFile(), vsp::kMaxStateFileBytes);
    if (read.status == vsp::FileRead::Status::Missing) {
        return;
    }
    QString error = read.error;
    if (read.status == vsp::FileRead::Status::Ok && decodeState(read.bytes, m_requests, m_checkedUntil, error)) {
        return;
    }
    m_requests.clear();
    m_checkedUntil = currentTime();
    vsp::logFailure(QStringLiteral("notification load"), error + QStringLiteral("; pending reminders start empty"));
    // What a link leads to may be another program's file (a stray link to a note): never written.
    setLeftUnchanged(
        vsp::foreignLinkBlock(stateFile(), QStringLiteral("notifications.json"), QStringLiteral("a reminders file")));
    if (read.status == vsp::FileRead::Status::Ok) {
        // The next save replaces the file: what it held is kept beside it first, once per content.
        QString copyError;
        const QString folder = QFileInfo(stateFile()).path();
        if (const auto copy = vsp::keepDamagedCopy(folder, read.bytes, QStringLiteral("notifications-corrupt-"),
                                                   currentTime(), &copyError)) {
            vsp::logLine(QStringLiteral("notifications.json could not be decoded \u2014 copy preserved at ") + *copy);
        } else {
            vsp::logFailure(QStringLiteral("notification load"),
                            QStringLiteral("no copy of the damaged file could be made (%1)").arg(copyError));
        }
    }
}

void NotificationCenter::setLeftUnchanged(const QString& why)
{
    if (why != m_leftUnchanged) {
        m_leftUnchanged = why;
        Q_EMIT leftUnchangedChanged();
    }
}

void NotificationCenter::save()
{
    if (!m_leftUnchanged.isEmpty()) {
        vsp::logFailure(QStringLiteral("notification save"), m_leftUnchanged);
        return;
    }
    const QString path = stateFile();
    vsp::ensureFolder(QFileInfo(path).path());
    QString error;
    if (!vsp::writeFileAtomically(path, encodeState(m_requests, m_checkedUntil), &error)) {
        vsp::logFailure(QStringLiteral("notification save"), error);
    }
}

void NotificationCenter::start()
{
    if (m_running) {
        return;
    }
    ensureLoaded();
    m_running = true;
    if (QCoreApplication::instance() && !m_quitConnected) {
        m_quitConnected = true;
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &NotificationCenter::stop);
    }
    handleMissedAtLaunch(currentTime());
    arm();
}

void NotificationCenter::stop()
{
    if (!m_running && !m_loaded) {
        return;
    }
    m_timer->stop();
    if (m_running) {
        // Shows what is due and records how far the requests were handled, so the next start knows
        // what was missed while the application was not running.
        processDueRequests();
        m_timer->stop();
        save();
    }
    m_running = false;
    m_loaded = false;
    m_requests.clear();
}

void NotificationCenter::followClockSetBack(double now)
{
    // A clock put right after running ahead would otherwise hold every reminder until it caught up
    // with the time once handled, a year later perhaps. Small steps back are waited out instead, so
    // nothing fires twice.
    if (m_checkedUntil - now > kClockSetBackLimit) {
        m_checkedUntil = now;
    }
}

void NotificationCenter::handleMissedAtLaunch(double now)
{
    followClockSetBack(now);
    const QDate today = vsp::localDate(now);
    QList<NotificationRequest> missed;
    bool dropped = false;
    m_requests.removeIf([&](const NotificationRequest& r) {
        if (r.repeats) {
            return false;
        }
        const auto due = nextFire(r, m_checkedUntil);
        if (due && *due > now) {
            return false;
        }
        // Past already when the application last ran (or never matching): it can no longer fire. Missed
        // while the application was not running: only a reminder for today is still worth showing.
        if (due && vsp::localDate(*due) == today) {
            missed.append(r);
        }
        dropped = true;
        return true;
    });
    const bool advanced = m_checkedUntil != now;
    m_checkedUntil = std::max(m_checkedUntil, now);
    if (dropped || advanced) {
        save();
    }
    if (dropped) {
        Q_EMIT pendingRequestsChanged();
    }
    for (const NotificationRequest& r : missed) {
        fire(r);
    }
}

void NotificationCenter::processDueRequests()
{
    ensureLoaded();
    const double now = currentTime();
    followClockSetBack(now);
    if (m_running && now > m_checkedUntil) {
        QList<NotificationRequest> due;
        bool removed = false;
        m_requests.removeIf([&](const NotificationRequest& r) {
            const auto next = nextFire(r, m_checkedUntil);
            if (!next || *next > now) {
                return false;
            }
            due.append(r);
            removed = removed || !r.repeats;
            return !r.repeats;
        });
        m_checkedUntil = now;
        if (!due.isEmpty()) {
            save();
        }
        if (removed) {
            Q_EMIT pendingRequestsChanged();
        }
        for (const NotificationRequest& r : due) {
            fire(r);
        }
    }
    if (m_running) {
        arm();
    }
}

void NotificationCenter::arm()
{
    m_timer->stop();
    if (!m_running) {
        return;
    }
    const double now = currentTime();
    std::optional<double> earliest;
    for (const NotificationRequest& r : std::as_const(m_requests)) {
        if (const auto next = nextFire(r, std::max(now, m_checkedUntil))) {
            earliest = earliest ? std::min(*earliest, *next) : *next;
        }
    }
    if (!earliest) {
        return;
    }
    // Wake at least once a minute so a changed clock or a resumed machine is noticed.
    const double waitMs = std::clamp((*earliest - now) * 1000.0, 0.0, double(kMaxTimerWaitMs));
    m_timer->start(int(std::ceil(waitMs)));
}

void NotificationCenter::fire(const NotificationRequest& request)
{
    if (!m_presentation.testFlag(PresentationOption::Banner)) {
        // Presented silently: nothing reaches the desktop.
    } else if (m_delivery) {
        m_delivery->show(m_conceal ? m_conceal(request) : request, m_presentation.testFlag(PresentationOption::Sound));
    } else {
        vsp::logFailure(QStringLiteral("notification"), QStringLiteral("no notification service is set up"));
    }
    Q_EMIT fired(request);
}

void NotificationCenter::requestAuthorization(std::function<void(bool)> done)
{
    auto answer = [this, done = std::move(done)](bool available, const QString& reason) {
        const AuthorizationStatus status = available ? AuthorizationStatus::Authorized : AuthorizationStatus::Denied;
        if (!available) {
            vsp::logFailure(QStringLiteral("notification permission"), reason);
        }
        m_authorization = status;
        if (done) {
            done(available);
        }
    };
    if (!m_delivery) {
        answer(false, QStringLiteral("no notification service is set up"));
        return;
    }
    m_delivery->checkAvailability(std::move(answer));
}

void NotificationCenter::add(const NotificationRequest& request)
{
    ensureLoaded();
    // Whatever is due is shown first, so the change cannot swallow it.
    if (m_running) {
        processDueRequests();
    }
    const auto it = std::find_if(m_requests.begin(), m_requests.end(),
                                 [&](const NotificationRequest& r) { return r.identifier == request.identifier; });
    if (it != m_requests.end()) {
        *it = request;
    } else {
        m_requests.append(request);
    }
    if (m_running) {
        m_checkedUntil = std::max(m_checkedUntil, currentTime());
    }
    save();
    Q_EMIT pendingRequestsChanged();
    arm();
}

void NotificationCenter::removePendingRequests(const QStringList& identifiers)
{
    ensureLoaded();
    if (m_running) {
        processDueRequests();
    }
    const qsizetype removed =
        m_requests.removeIf([&](const NotificationRequest& r) { return identifiers.contains(r.identifier); });
    if (removed == 0) {
        return;
    }
    save();
    Q_EMIT pendingRequestsChanged();
    arm();
}

QList<NotificationRequest> NotificationCenter::pendingRequests()
{
    ensureLoaded();
    return m_requests;
}

std::optional<double> NotificationCenter::nextFireDate(const QString& identifier)
{
    ensureLoaded();
    for (const NotificationRequest& r : std::as_const(m_requests)) {
        if (r.identifier == identifier) {
            return nextFire(r, std::max(currentTime(), m_checkedUntil));
        }
    }
    return std::nullopt;
}
