#include "common/TestSupport.h"

#include "common/StoreFixtures.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMetaMethod>
#include <QObject>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <iterator>
#include <linux/capability.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vsp::test {

namespace {
QTemporaryDir* g_home = nullptr;

void setPath(const char* variable, const QString& path)
{
    QDir().mkpath(path);
    qputenv(variable, QFile::encodeName(path));
}
} // namespace

void isolateEnvironment()
{
    if (g_home) {
        return;
    }
    g_home = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/vesperlog-test-XXXXXX"));
    const QString home = g_home->path();
    setPath("HOME", home);
    setPath("XDG_DATA_HOME", home + QStringLiteral("/data"));
    setPath("XDG_CONFIG_HOME", home + QStringLiteral("/config"));
    setPath("XDG_STATE_HOME", home + QStringLiteral("/state"));
    setPath("XDG_CACHE_HOME", home + QStringLiteral("/cache"));
    setPath("XDG_DOCUMENTS_DIR", home + QStringLiteral("/Documents"));
    setPath("XDG_DOWNLOAD_DIR", home + QStringLiteral("/Downloads"));
    setPath("XDG_RUNTIME_DIR", home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Tests compare texts against fixed English formats.
    qputenv("LANG", "en_US.UTF-8");
    qputenv("LC_ALL", "en_US.UTF-8");
    // Every store of a test stands at the fixture moment unless the test hands it a clock of its own:
    // the same input gives the same signals whatever the wall clock reads.
    JournalStore::setDefaultClock([] { return fixtures::fixtureNow(); });
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    m_saved = limit.rlim_cur;
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_saved);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, m_savedHandler);
}

SmallDisk::SmallDisk(const QString& folder, int kilobytes) : m_folder(folder)
{
    QDir().mkpath(folder);
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0700";
    m_mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0;
}

SmallDisk::~SmallDisk()
{
    if (m_mounted) {
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
}

namespace {

bool threadCapabilities(__user_cap_data_struct (&data)[2], bool set)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

constexpr quint32 kPermissionOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

} // namespace

PermissionsEnforced::PermissionsEnforced()
{
    __user_cap_data_struct data[2]{};
    if (!threadCapabilities(data, false)) {
        m_active = ::geteuid() != 0;
        return;
    }
    if ((data[0].effective & kPermissionOverrides) == 0) {
        m_active = true;
        return;
    }
    data[0].effective &= ~kPermissionOverrides;
    m_changed = m_active = threadCapabilities(data, true);
}

PermissionsEnforced::~PermissionsEnforced()
{
    __user_cap_data_struct data[2]{};
    if (m_changed && threadCapabilities(data, false)) {
        // Still permitted: only the effective set was narrowed.
        data[0].effective |= data[0].permitted & kPermissionOverrides;
        threadCapabilities(data, true);
    }
}

qint64 SmallDisk::freeBytes() const
{
    struct statvfs info { };
    if (::statvfs(QFile::encodeName(m_folder).constData(), &info) != 0) {
        return 0;
    }
    return qint64(info.f_bavail) * qint64(info.f_bsize);
}

void SmallDisk::fillLeaving(qint64 leaveBytes)
{
    QFile filler(m_folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    const QByteArray block(4096, 'f');
    while (freeBytes() > leaveBytes && filler.write(block) == block.size()) {
        filler.flush();
    }
}

QString makeHostileFile(HostileFile kind, qint64 limitBytes)
{
    static int made = 0;
    const QString folder = testHome() + QStringLiteral("/hostile");
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/file-%1.png").arg(++made);
    const QByteArray name = QFile::encodeName(path);
    switch (kind) {
    case HostileFile::Fifo: return ::mkfifo(name.constData(), 0600) == 0 ? path : QString();
    case HostileFile::ZeroDevice: return QStringLiteral("/dev/zero");
    case HostileFile::Oversize: {
        const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        const bool sized = fd >= 0 && ::ftruncate(fd, limitBytes + 1) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        return sized ? path : QString();
    }
    }
    return {};
}

QString startPrivateBus(QProcess& daemon)
{
    daemon.start(QStringLiteral("dbus-daemon"),
                 {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!daemon.waitForStarted(5000)) {
        return {};
    }
    QElapsedTimer waited;
    waited.start();
    while (!daemon.canReadLine() && waited.elapsed() < 5000) {
        daemon.waitForReadyRead(100);
    }
    return QString::fromUtf8(daemon.readLine()).trimmed();
}

QString testHome()
{
    return g_home ? g_home->path() : QString();
}

void resetUserFolders()
{
    AppSettings::clearAll();
    const QString home = testHome();
    for (const char* sub : {"data", "config", "state", "cache", "Documents", "Downloads"}) {
        QDir dir(home + u'/' + QLatin1String(sub));
        dir.removeRecursively();
        QDir().mkpath(dir.path());
    }
}

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    m_path = testHome() + QStringLiteral("/stdout-capture-%1.txt").arg(reinterpret_cast<quintptr>(this));
    const QByteArray path = QFile::encodeName(m_path);
    const int fd = ::open(path.constData(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    if (fd < 0) {
        return;
    }
    m_savedFd = ::dup(STDOUT_FILENO);
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
}

StdoutCapture::~StdoutCapture()
{
    std::fflush(stdout);
    if (m_savedFd >= 0) {
        ::dup2(m_savedFd, STDOUT_FILENO);
        ::close(m_savedFd);
    }
    // Replay what was captured so the test log still shows it.
    const QString captured = text();
    if (!captured.isEmpty()) {
        std::fputs(captured.toUtf8().constData(), stdout);
        std::fflush(stdout);
    }
    QFile::remove(m_path);
}

QString StdoutCapture::text()
{
    std::fflush(stdout);
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QStringList StdoutCapture::lines()
{
    return text().split(u'\n', Qt::SkipEmptyParts);
}

namespace {

bool hasTestFunction(const QObject* test, const QByteArray& name)
{
    const qsizetype colon = name.indexOf(':');
    const QByteArray function = colon < 0 ? name : name.left(colon);
    const QMetaObject* meta = test->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (meta->method(i).name() == function) {
            return true;
        }
    }
    return false;
}

/// Whether argument `i` is an option or the value of the option before it (those go to every class).
bool isOptionOrValue(int argc, char** argv, int i)
{
    if (i >= argc || QByteArray(argv[i]).startsWith('-')) {
        return true;
    }
    static const QList<QByteArray> withValue{"-o", "-maxwarnings", "-eventdelay", "-keydelay", "-mousedelay"};
    return i > 1 && withValue.contains(QByteArray(argv[i - 1]));
}

} // namespace

/// The signals Qt Test's crash handler takes over while a test class runs.
constexpr int kCrashSignals[] = {SIGILL, SIGABRT, SIGBUS, SIGFPE, SIGSEGV, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};

int runTests(int argc, char** argv, const std::vector<std::function<std::unique_ptr<QObject>()>>& factories)
{
    // Each class's run installs Qt Test's crash handler over the previous one's without giving back
    // what was there before: a crash in any class but the first then went round the handlers for
    // minutes, ignoring SIGTERM. Every class starts from the process's own handlers (the sanitizers').
    struct sigaction before[std::size(kCrashSignals)] = {};
    for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
        ::sigaction(kCrashSignals[i], nullptr, &before[i]);
    }
    const auto restoreHandlers = [&before] {
        for (std::size_t i = 0; i < std::size(kCrashSignals); ++i) {
            ::sigaction(kCrashSignals[i], &before[i], nullptr);
        }
    };
    // Test functions named on the command line run in the classes that have them; options go to all.
    // A name no class has fails the run, as Qt Test does for one class.
    int failed = 0;
    QSet<QByteArray> unknownNames;
    for (int i = 1; i < argc; ++i) {
        if (!isOptionOrValue(argc, argv, i)) {
            unknownNames.insert(QByteArray(argv[i]));
        }
    }
    for (const auto& make : factories) {
        std::unique_ptr<QObject> test = make();
        std::vector<char*> args{argv[0]};
        bool namedAny = false;
        bool namedHere = false;
        for (int i = 1; i < argc; ++i) {
            const QByteArray arg(argv[i]);
            if (isOptionOrValue(argc, argv, i)) {
                args.push_back(argv[i]);
                continue;
            }
            namedAny = true;
            if (hasTestFunction(test.get(), arg)) {
                namedHere = true;
                unknownNames.remove(arg);
                args.push_back(argv[i]);
            }
        }
        if (namedAny && !namedHere) {
            continue;
        }
        restoreHandlers();
        if (QTest::qExec(test.get(), int(args.size()), args.data()) != 0) {
            ++failed;
        }
    }
    for (const QByteArray& name : std::as_const(unknownNames)) {
        std::fprintf(stderr, "Unknown test function: '%s'.\n", name.constData());
        ++failed;
    }
    return failed;
}

bool fireTimer(QObject& owner, const QString& name)
{
    auto* timer = owner.findChild<QTimer*>(name, Qt::FindDirectChildrenOnly);
    if (!timer) {
        return false;
    }
    if (timer->isActive()) {
        timer->stop();
        // What the timer does when its interval has passed.
        QMetaObject::invokeMethod(timer, "timeout");
    }
    return true;
}

void ManualClock::advance(JournalStore& store, double seconds) const
{
    *now += seconds;
    store.noteClockMoved();
}

} // namespace vsp::test
