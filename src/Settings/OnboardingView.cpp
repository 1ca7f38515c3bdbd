#include "Settings/OnboardingView.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Model/NotificationManager.h"
#include "Platform/ReduceMotion.h"
#include "Settings/IntroWidgets.h"
#include "Settings/OnboardingStages.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Theme/TransitionOverlay.h"
#include "Widgets/OpenWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPropertyAnimation>
#include <QTime>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <cmath>

using vsp::Color;
namespace intro = vsp::intro;

namespace {

constexpr vsp::Spring kPageSpring{0.42, 0.84};
/// The sheet's 640 less its padding of 42 at each side.
constexpr int kPageWidth = 556;
constexpr int kBulletWidth = 460;

/// "Back": plain text in the muted colour; invisible while disabled (on the first page).
class PlainTextButton final : public vsp::PaintedButton {
public:
    PlainTextButton(const QString& text, QWidget* parent) : PaintedButton(parent)
    {
        setText(text);
        setFont(vsp::fonts::system(12.5, QFont::Medium));
        setFixedSize(QFontMetrics(font()).horizontalAdvance(text) + 16, 34);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!isEnabled()) {
            return;
        }
        QPainter p(this);
        p.setPen(Color::vspFgMuted().resolve());
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

/// The seven page dots; the current one is a wider accent capsule, gliding between pages.
class PageDots final : public QWidget {
public:
    explicit PageDots(QWidget* parent) : QWidget(parent), m_position(new vsp::SpringValue(0, {0.3, 0.7}, this))
    {
        setFixedSize(6 * (OnboardingView::kLast + 1) + 6 * OnboardingView::kLast + 12, 6);
        connect(m_position, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
        vsp::onThemeChange(this, [this] { update(); });
    }
    void setStep(int step) { m_position->animateTo(step); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        const qreal at = m_position->value();
        qreal x = 0;
        for (int i = 0; i <= OnboardingView::kLast; ++i) {
            const qreal near = std::clamp(1 - std::abs(i - at), 0.0, 1.0);
            const qreal w = 6 + 12 * near;
            p.setBrush(near > 0.5 ? Color::resolvedAccent().resolve() : Color::vspBorderEmphasis().resolve());
            p.drawRoundedRect(QRectF(x, 0, w, 6), 3, 3);
            x += w + 6;
        }
    }

private:
    vsp::SpringValue* m_position;
};

/// One accent swatch: a 22-pixel disc, ringed and a little larger while it is the stored accent.
class SwatchButton final : public vsp::PaintedButton {
public:
    SwatchButton(const OnboardingView::Swatch& swatch, QWidget* parent)
        : PaintedButton(parent),
          m_swatch(swatch),
          m_selected(new vsp::SpringValue(0, {0.25, 1.0}, this))
    {
        setFixedSize(34, 34);
        setToolTip(swatch.label);
        setAccessibleName(swatch.label);
        setPressFeedback(0.94, 0.85, vsp::Spring{0.18, 1.0});
        connect(m_selected, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
        auto refresh = [this] { m_selected->animateTo(isSelected() ? 1 : 0); };
        m_selected->setValue(isSelected() ? 1 : 0);
        connect(&AppSettings::instance(), &AppSettings::accentColorPresetChanged, this, refresh);
    }
    bool isSelected() const { return AppSettings::instance().accentColorPreset() == m_swatch.id; }

protected:
    bool hitButton(const QPoint& pos) const override { return QLineF(QRectF(rect()).center(), pos).length() <= 13; }
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box = rect();
        applyPress(p, box);
        const qreal s = 1 + 0.15 * m_selected->value();
        p.translate(box.center());
        p.scale(s, s);
        p.setPen(Qt::NoPen);
        p.setBrush(m_swatch.color);
        p.drawEllipse(QPointF(0, 0), 11, 11);
        QColor ring = Color::vspForeground().resolve();
        ring.setAlphaF(float(0.9 * m_selected->value()));
        p.setPen(QPen(ring, 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(0, 0), 15, 15);
    }

private:
    OnboardingView::Swatch m_swatch;
    vsp::SpringValue* m_selected;
};

/// The reminder switch: a track that turns accent-coloured with its knob at the right while on.
class ToggleSwitch final : public vsp::PaintedButton {
public:
    explicit ToggleSwitch(QWidget* parent) : PaintedButton(parent), m_knob(new vsp::SpringValue(0, {0.25, 1.0}, this))
    {
        setCheckable(true);
        setFixedSize(36, 20);
        setFocusPolicy(Qt::StrongFocus);
        connect(m_knob, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
        connect(this, &QAbstractButton::toggled, this, [this](bool on) { m_knob->animateTo(on ? 1 : 0); });
    }
    void setCheckedAtOnce(bool on)
    {
        setChecked(on);
        m_knob->setValue(on ? 1 : 0);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal k = m_knob->value();
        const QColor off = Color::vspMuted().resolve();
        const QColor on = Color::resolvedAccent().resolve();
        const QColor track = QColor::fromRgbF(float(off.redF() + (on.redF() - off.redF()) * k),
                                              float(off.greenF() + (on.greenF() - off.greenF()) * k),
                                              float(off.blueF() + (on.blueF() - off.blueF()) * k));
        p.setPen(Qt::NoPen);
        p.setBrush(track);
        p.drawRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
        p.setBrush(Qt::white);
        const qreal d = height() - 4;
        p.drawEllipse(QRectF(2 + (width() - 4 - d) * k, 2, d, d));
        if (hasFocus()) {
            p.setPen(QPen(Color::vspForeground().resolve(), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), height() / 2.0, height() / 2.0);
        }
    }

private:
    vsp::SpringValue* m_knob;
};

/// The name without the spaces and tabs around it (line breaks stay).
QString trimmedName(const QString& name)
{
    auto isBlank = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && isBlank(name[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(name[end - 1])) {
        --end;
    }
    return name.mid(begin, end - begin);
}

struct Feature {
    QString headline;
    QString summary;
    QList<std::pair<QString, QString>> bullets;
};

Feature feature(int step)
{
    switch (step) {
    case 1:
        return {
            OnboardingView::tr("Press Ctrl+N and write"),
            OnboardingView::tr("A window opens, you type, it saves itself."),
            {{QStringLiteral("textformat"),
              OnboardingView::tr("Bold, italics, headings, colours, lists that continue themselves.")},
             {QStringLiteral("square.stack.3d.up"),
              OnboardingView::tr(
                  "Three kinds of entry — Journal, Note, Idea — so a stray thought isn't a whole ceremony.")},
             {QStringLiteral("checkmark.icloud"),
              OnboardingView::tr("Drafts are kept as you type. Close the window mid-sentence and it's still there.")}}};
    case 2:
        return {
            OnboardingView::tr("Find it again later"),
            OnboardingView::tr("Moods and tags on the left, your entries on the right."),
            {{QStringLiteral("magnifyingglass"), OnboardingView::tr("Ctrl+K searches every word you've ever written.")},
             {QStringLiteral("calendar"),
              OnboardingView::tr("A month calendar, favourites, pinned entries and an archive.")},
             {QStringLiteral("clock.arrow.circlepath"),
              OnboardingView::tr("On This Day quietly brings back what you wrote a year ago.")}}};
    case 3:
        return {OnboardingView::tr("Everything else, out of the way"),
                OnboardingView::tr("F11 drops the sidebars and leaves the page."),
                {{QStringLiteral("textformat.size"),
                  OnboardingView::tr("Set the reading and writing size to whatever your eyes want.")},
                 {QStringLiteral("paintbrush.pointed"),
                  OnboardingView::tr("Pick a typeface per entry — some days call for a serif.")}}};
    case 4:
        return {
            OnboardingView::tr("Catch it before it's gone"),
            OnboardingView::tr("From the tray, in your voice, with what you saw."),
            {{QStringLiteral("menubar.arrow.down.rectangle"),
              OnboardingView::tr("The tray icon, or Ctrl+Shift+N, takes a thought without opening the app.")},
             {QStringLiteral("waveform"),
              OnboardingView::tr("Record a voice note; Vesperlog transcribes it on this computer, offline.")},
             {QStringLiteral("photo.on.rectangle.angled"),
              OnboardingView::tr("Drop in photos. The weather and the place you were get attached on their own.")}}};
    default:
        return {OnboardingView::tr("Nobody else is reading this"),
                OnboardingView::tr("No cloud, no account, no telemetry. None."),
                {{QStringLiteral("lock"), OnboardingView::tr("Lock the journal behind your login password.")},
                 {QStringLiteral("square.and.arrow.up"),
                  OnboardingView::tr("Export the lot as JSON or Markdown whenever you like. It's your text.")},
                 {QStringLiteral("trash.slash"),
                  OnboardingView::tr("Deletes go to a Trash that keeps them for 30 days first.")}}};
    }
}

QWidget* makeStage(int step, const QDate& today, QWidget* parent)
{
    using namespace vsp::onboarding;
    switch (step) {
    case 1: return new ComposeStage(today, parent);
    case 2: return new LibraryStage(parent);
    case 3: return new FocusStage(parent);
    case 4: return new CaptureStage(parent);
    default: return new PrivacyStage(parent);
    }
}

/// A small tracked caption above a group of the last page ("ACCENT").
QLabel* sectionCaption(QWidget* page, const QString& text)
{
    return intro::label(text, vsp::fonts::tracked(vsp::fonts::system(10, QFont::DemiBold), 0.6), Color::vspFgSubtle(),
                        page);
}

} // namespace

const QList<OnboardingView::Swatch>& OnboardingView::swatchTable()
{
    static const QList<Swatch> table{
        {QStringLiteral("yellow"), tr("Gold"), QColor::fromRgbF(1.0f, 0.86f, 0.0f)},
        {QStringLiteral("orange"), tr("Orange"), QColor::fromRgbF(0.98f, 0.57f, 0.24f)},
        {QStringLiteral("rose"), tr("Rose"), QColor::fromRgbF(0.98f, 0.44f, 0.52f)},
        {QStringLiteral("violet"), tr("Violet"), QColor::fromRgbF(0.55f, 0.36f, 0.96f)},
        {QStringLiteral("blue"), tr("Blue"), QColor::fromRgbF(0.38f, 0.65f, 0.98f)},
        {QStringLiteral("green"), tr("Green"), QColor::fromRgbF(0.29f, 0.87f, 0.6f)},
    };
    return table;
}

OnboardingView::OnboardingView(const QDate& today, QWidget* parent)
    : QDialog(parent),
      m_today(today),
      m_content(new QWidget(this))
{
    setWindowTitle(tr("Welcome to Vesperlog"));
    // Only finishing the last page ends the introduction, so it has no title bar: a close button there
    // would do nothing (some window managers, Openbox among them, keep the button whatever the window
    // asks). It stands over the main window as a sheet, outlined where it meets it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::FramelessWindowHint);
    setWindowModality(Qt::WindowModal);
    // Nothing of the journal is in it, and it must be completed: locking leaves it open.
    vsp::markShowsNoJournalData(this);
    setFixedSize(640, 560);
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_content);
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(42, 26, 42, 26);
    layout->setSpacing(0);
    layout->addStretch(1);
    auto* pageHost = new QWidget(m_content);
    m_pageSlot = new QVBoxLayout(pageHost);
    m_pageSlot->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pageHost);
    layout->addStretch(1);

    auto* nav = new QHBoxLayout;
    m_back = new PlainTextButton(tr("Back"), m_content);
    m_dots = new PageDots(m_content);
    m_next = new intro::AccentButton(tr("Next"), m_content);
    m_back->setObjectName(QStringLiteral("introBack"));
    m_next->setObjectName(QStringLiteral("introForward"));
    m_next->setLook(intro::AccentButton::Shape::Capsule, 20, 34, vsp::fonts::system(13, QFont::DemiBold));
    // Return goes forward whichever control has the focus (Space presses the focused one).
    m_next->setDefault(true);
    nav->addWidget(m_back);
    nav->addStretch(1);
    nav->addWidget(m_dots);
    nav->addStretch(1);
    nav->addWidget(m_next);
    layout->addLayout(nav);
    connect(m_back, &QAbstractButton::clicked, this, [this] { advance(-1); });
    connect(m_next, &QAbstractButton::clicked, this, [this] { advance(+1); });
    vsp::onThemeChange(this, [this] { update(); });

    showPage(false);
}

bool OnboardingView::isBreathing() const
{
    return m_logo && m_logo->findChild<QVariantAnimation*>() != nullptr;
}

void OnboardingView::advance(int delta)
{
    const int target = m_step + delta;
    if (target < 0) {
        return;
    }
    if (target > kLast) {
        finish();
        return;
    }
    m_forward = delta > 0;
    m_step = target;
    showPage(true);
}

void OnboardingView::finish()
{
    AppSettings& settings = AppSettings::instance();
    if (m_nameField) {
        const QString name = trimmedName(m_nameField->text());
        if (!name.isEmpty()) {
            settings.setUserName(name);
        }
    }
    if (settings.dailyReminderEnabled()) {
        NotificationManager::requestPermission();
        // At the time the settings hold (20:00 unless changed), the one the General tab shows.
        NotificationManager::scheduleReminder(settings.dailyReminderHour(), settings.dailyReminderMinute());
    }
    m_finishing = true;
    accept();
}

void OnboardingView::showPage(bool animate)
{
    QPixmap before;
    QWidget* host = m_pageSlot->parentWidget();
    const bool moving = animate && vsp::animationsEnabled() && isVisible() && m_page;
    if (m_transition) {
        m_transition->finish();
    }
    if (moving) {
        before = vsp::TransitionOverlay::translucentSnapshot(host);
    }
    if (m_page) {
        m_page->hide();
        m_page->deleteLater();
        m_pageSlot->removeWidget(m_page);
    }
    m_nameField = nullptr;
    m_logo = nullptr;
    m_page = makePage(m_step);
    m_pageSlot->addWidget(m_page);
    // Added to a sheet already on screen, a page shows only when told; its stage starts as it does.
    m_page->show();
    refreshNav();
    // The last page asks for a name: typing starts there at once (Return still goes forward).
    if (m_nameField) {
        m_nameField->setFocus(Qt::OtherFocusReason);
    }
    if (!moving) {
        return;
    }
    const qreal direction = m_forward ? 1 : -1;
    m_transition = new vsp::TransitionOverlay(
        host, before, kPageSpring, [direction](QPainter& p, qreal t, const QPixmap& from, const QPixmap& to) {
            p.fillRect(p.window(), Color::vspBackground().resolve());
            p.setOpacity(std::clamp(1 - t, 0.0, 1.0));
            vsp::TransitionOverlay::drawPart(p, QPointF(-40 * direction * t, 0), from,
                                             QRectF(QPointF(0, 0), from.deviceIndependentSize()));
            if (!to.isNull()) {
                p.setOpacity(std::clamp(t, 0.0, 1.0));
                vsp::TransitionOverlay::drawPart(p, QPointF(40 * direction * (1 - t), 0), to,
                                                 QRectF(QPointF(0, 0), to.deviceIndependentSize()));
            }
        });
    m_transition->start([host] { return vsp::TransitionOverlay::translucentSnapshot(host); });
}

void OnboardingView::refreshNav()
{
    m_back->setEnabled(m_step > 0);
    m_next->setText(m_step == kLast ? tr("Start writing") : tr("Next"));
    m_next->updateGeometry();
    m_next->resize(m_next->sizeHint());
    static_cast<PageDots*>(m_dots)->setStep(m_step);
}

QWidget* OnboardingView::makePage(int step)
{
    if (step == 0) {
        return makeWelcome();
    }
    if (step >= 1 && step <= 5) {
        return makeFeature(step);
    }
    return makeYours();
}

QWidget* OnboardingView::header(QWidget* parent, const QString& headline, const QString& summary)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    QLabel* title = intro::label(headline, vsp::fonts::system(24, QFont::Bold), Color::vspForeground(), box, true);
    QLabel* line = intro::label(summary, vsp::fonts::system(13), Color::vspFgMuted(), box, true);
    for (QLabel* label : {title, line}) {
        intro::fitToWidth(label, kPageWidth);
        layout->addWidget(label, 0, Qt::AlignHCenter);
    }
    return box;
}

QWidget* OnboardingView::bullet(QWidget* parent, const QString& symbol, const QString& text)
{
    auto* row = new QWidget(parent);
    row->setFixedWidth(kBulletWidth);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(11);
    auto* icon = new QLabel(row);
    icon->setFixedSize(24, 22);
    vsp::onThemeChange(icon, [icon, symbol] {
        QPixmap tile(QSize(24, 22) * icon->devicePixelRatioF());
        tile.setDevicePixelRatio(icon->devicePixelRatioF());
        tile.fill(Qt::transparent);
        QPainter p(&tile);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Color::resolvedAccent(0.1).resolve());
        p.drawRoundedRect(QRectF(0, 0, 24, 22), 7, 7);
        vsp::symbols::paint(p, symbol, QRectF(6.5, 5.5, 11, 11), Color::resolvedAccent().resolve());
        p.end();
        icon->setPixmap(tile);
    });
    layout->addWidget(icon, 0, Qt::AlignTop);
    QLabel* label = intro::label(text, vsp::fonts::system(12.5), Color::vspFgMuted(), row, true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    intro::fitToWidth(label, kBulletWidth - 24 - 11);
    label->setMinimumHeight(std::max(22, label->minimumHeight()));
    layout->addWidget(label, 1);
    return row;
}

QWidget* OnboardingView::makeWelcome()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(22);
    m_logo = new intro::BookLogoView(76, {0.18, 18}, 8, page);
    m_logo->setFullLook({0.42, 34}, 1.03);
    layout->addWidget(m_logo, 0, Qt::AlignHCenter);
    // Read when the logo comes on screen; a later change shows the next time the page does.
    if (!ReduceMotion::instance().isOn()) {
        auto* breath = new QVariantAnimation(m_logo);
        breath->setStartValue(0.0);
        breath->setEndValue(1.0);
        breath->setDuration(4800);
        breath->setLoopCount(-1);
        intro::BookLogoView* logo = m_logo;
        // 2.4 s in, 2.4 s out, eased at both ends.
        connect(breath, &QVariantAnimation::valueChanged, logo,
                [logo](const QVariant& v) { logo->setBreath((1 - std::cos(2 * M_PI * v.toReal())) / 2); });
        breath->start();
    }
    auto* titles = new QVBoxLayout;
    titles->setSpacing(9);
    titles->addWidget(
        intro::label(QStringLiteral("Vesperlog"), vsp::fonts::system(34, QFont::Bold), Color::vspForeground(), page));
    titles->addWidget(intro::label(tr("Your private space to think and reflect."), vsp::fonts::system(15),
                                   Color::vspFgMuted(), page));
    layout->addLayout(titles);
    QLabel* text =
        intro::label(tr("A journal that lives on this computer and nowhere else. Two minutes here and you'll "
                        "know everything it does — there's nothing to configure and nothing to learn."),
                     vsp::fonts::system(13), Color::vspFgDim(), page, true);
    intro::fitToWidth(text, 430);
    layout->addWidget(text, 0, Qt::AlignHCenter);
    return page;
}

QWidget* OnboardingView::makeFeature(int step)
{
    const Feature f = feature(step);
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);
    layout->addWidget(header(page, f.headline, f.summary));
    layout->addWidget(makeStage(step, m_today, page), 0, Qt::AlignHCenter);
    auto* bullets = new QVBoxLayout;
    bullets->setSpacing(9);
    for (const auto& [symbol, text] : f.bullets) {
        bullets->addWidget(bullet(page, symbol, text), 0, Qt::AlignHCenter);
    }
    layout->addLayout(bullets);
    return page;
}

QWidget* OnboardingView::makeYours()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(22);
    layout->addWidget(header(page, tr("Make it yours"), tr("Two things, and you can change both later.")));
    layout->addLayout(makeNameGroup(page));
    layout->addLayout(makeAccentGroup(page));
    layout->addWidget(makeReminderRow(page), 0, Qt::AlignHCenter);
    return page;
}

QLayout* OnboardingView::makeNameGroup(QWidget* page)
{
    auto* name = new QVBoxLayout;
    name->setSpacing(10);
    name->addWidget(sectionCaption(page, tr("WHAT SHOULD IT CALL YOU")));
    m_nameField = new QLineEdit(page);
    m_nameField->setObjectName(QStringLiteral("nameField"));
    m_nameField->setPlaceholderText(tr("Your name"));
    m_nameField->setFont(vsp::fonts::system(16, QFont::Medium));
    m_nameField->setAlignment(Qt::AlignCenter);
    m_nameField->setFrame(false);
    m_nameField->setMaximumWidth(260);
    m_nameField->setTextMargins(22, 11, 22, 11);
    QLineEdit* field = m_nameField;
    auto styleField = [field] {
        const QColor border =
            field->text().isEmpty() ? Color::vspBorder().resolve() : Color::resolvedAccent(0.5).resolve();
        field->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; "
                                            "border-radius: 10px; }")
                                 .arg(Color::vspSurface().resolve().name(QColor::HexArgb),
                                      Color::vspForeground().resolve().name(QColor::HexArgb),
                                      border.name(QColor::HexArgb)));
    };
    vsp::onThemeChange(field, styleField);
    connect(field, &QLineEdit::textChanged, field, styleField);
    // Its frame is drawn by the style sheet, which leaves out the platform's focus frame.
    vsp::setFocusRing(field, 12);
    name->addWidget(field, 0, Qt::AlignHCenter);
    return name;
}

QLayout* OnboardingView::makeAccentGroup(QWidget* page)
{
    auto* accents = new QVBoxLayout;
    accents->setSpacing(12);
    accents->addWidget(sectionCaption(page, tr("ACCENT")));
    auto* swatches = new QHBoxLayout;
    swatches->setSpacing(6);
    swatches->addStretch(1);
    for (const Swatch& swatch : swatchTable()) {
        auto* button = new SwatchButton(swatch, page);
        button->setObjectName(QStringLiteral("accentSwatch"));
        connect(button, &QAbstractButton::clicked, this,
                [id = swatch.id] { AppSettings::instance().setAccentColorPreset(id); });
        swatches->addWidget(button);
    }
    swatches->addStretch(1);
    accents->addLayout(swatches);
    return accents;
}

QWidget* OnboardingView::makeReminderRow(QWidget* page)
{
    AppSettings& settings = AppSettings::instance();
    auto* reminder = new QWidget(page);
    reminder->setMaximumWidth(340);
    auto* row = new QHBoxLayout(reminder);
    row->setContentsMargins(0, 0, 0, 0);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    QLabel* title =
        intro::label(tr("Nudge me to write each evening"), vsp::fonts::system(12.5), Color::vspForeground(), reminder);
    title->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    texts->addWidget(title);
    const QLocale locale;
    const QString time = locale.toString(QTime(settings.dailyReminderHour(), settings.dailyReminderMinute()),
                                         vsp::shortTimeFormat(locale));
    QLabel* note = intro::label(tr("A single local notification at %1. Off by default.").arg(time),
                                vsp::fonts::system(11), Color::vspFgDim(), reminder);
    note->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    texts->addWidget(note);
    row->addLayout(texts, 1);
    auto* toggle = new ToggleSwitch(reminder);
    toggle->setCheckedAtOnce(settings.dailyReminderEnabled());
    toggle->setAccessibleName(title->text());
    connect(toggle, &QAbstractButton::toggled, this,
            [](bool on) { AppSettings::instance().setDailyReminderEnabled(on); });
    toggle->setObjectName(QStringLiteral("reminderSwitch"));
    row->addWidget(toggle);
    return reminder;
}

void OnboardingView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_appeared) {
        return;
    }
    m_appeared = true;
    // The whole sheet fades in. A window's opacity, not a graphics effect: the illustrations draw
    // their shadows with effects, which do not nest. Without a compositor it shows at once.
    if (!vsp::animationsEnabled()) {
        return;
    }
    setWindowOpacity(0);
    auto* fade = new QVariantAnimation(this);
    const vsp::Spring spring{0.5, 1.0};
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setDuration(spring.durationMs());
    fade->setEasingCurve(spring.easing());
    connect(fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { setWindowOpacity(v.toReal()); });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void OnboardingView::keyPressEvent(QKeyEvent* event)
{
    // Return is the sheet's default action: the forward button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_next->click();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        return;
    }
    QDialog::keyPressEvent(event);
}

void OnboardingView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
    p.setPen(Color::vspBorder().resolve());
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void OnboardingView::reject()
{
    // Escape must not skip the introduction.
    if (m_finishing) {
        QDialog::reject();
    }
}

void OnboardingView::closeEvent(QCloseEvent* event)
{
    if (!m_finishing) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
