#include "Update/UpdateSheet.h"

#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Update/UpdateFeed.h"
#include "Update/Updater.h"
#include "Widgets/OpenWindow.h"
#include "Widgets/VesperlogMark.h"

#include <QDesktopServices>
#include <QGraphicsDropShadowEffect>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QTimer>
#include <QVBoxLayout>

using vsp::Color;

namespace vsp::update {

/// Every change of phase, and every new download fraction, moves with this spring.
constexpr Spring kPhaseSpring{0.3, 1.0};

/// The download's bar: 250 by 6 pixels, the track muted, the done part in the accent.
class ProgressTrack final : public QWidget {
public:
    explicit ProgressTrack(double fraction, QWidget* parent)
        : QWidget(parent),
          m_fraction(new SpringValue(std::clamp(fraction, 0.0, 1.0), kPhaseSpring, this))
    {
        setFixedSize(250, 6);
        connect(m_fraction, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    }
    /// Glides the done part to `fraction`, 0 to 1.
    void setFraction(double fraction) { m_fraction->animateTo(std::clamp(fraction, 0.0, 1.0)); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath track;
        track.addRoundedRect(QRectF(rect()), 3, 3);
        p.fillPath(track, Color::vspMuted().resolve());
        QPainterPath done;
        done.addRoundedRect(QRectF(0, 0, width() * std::clamp(m_fraction->value(), 0.0, 1.0), height()), 3, 3);
        p.fillPath(done, Color::resolvedAccent(1).resolve());
    }

private:
    SpringValue* m_fraction;
};

} // namespace vsp::update

namespace {

QLabel* text(const QString& content, qreal size, QFont::Weight weight, const Color& color, QWidget* parent,
             bool mono = false)
{
    auto* label = new QLabel(parent);
    // Feed texts (versions, notes, messages) are shown as they are, never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(content);
    label->setFont(mono ? vsp::fonts::monospaced(size, weight) : vsp::fonts::system(size, weight));
    label->setAlignment(Qt::AlignHCenter);
    vsp::setThemeColor(label, QPalette::WindowText, color);
    return label;
}

QLabel* wrapping(QLabel* label)
{
    label->setWordWrap(true);
    label->setMinimumWidth(380);
    return label;
}

/// The book logo, `size` pixels square.
class Mark final : public QWidget {
public:
    Mark(qreal size, QWidget* parent) : QWidget(parent) { setFixedSize(int(size), int(size)); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        vsp::paintVesperlogBookLogo(p, QPointF(0, 0), width());
    }
};

/// A symbol in a 62-pixel disc.
class IconDisc final : public QWidget {
public:
    IconDisc(QString symbol, qreal size, std::function<QColor()> ink, std::function<QColor()> disc, QWidget* parent)
        : QWidget(parent),
          m_symbol(std::move(symbol)),
          m_size(size),
          m_ink(std::move(ink)),
          m_disc(std::move(disc))
    {
        setFixedSize(62, 62);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(m_disc());
        p.drawEllipse(QRectF(rect()));
        const QRectF symbol((width() - m_size) / 2, (height() - m_size) / 2, m_size, m_size);
        vsp::symbols::paint(p, m_symbol, symbol, m_ink());
    }

private:
    QString m_symbol;
    qreal m_size;
    std::function<QColor()> m_ink;
    std::function<QColor()> m_disc;
};

/// The small indeterminate spinner: an accent arc turning once a second.
class Spinner final : public QWidget {
public:
    explicit Spinner(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
    {
        setFixedSize(18, 18);
        m_timer->setInterval(50);
        connect(m_timer, &QTimer::timeout, this, [this] {
            m_angle = (m_angle + 18) % 360;
            update();
        });
        m_timer->start();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF ring = QRectF(rect()).adjusted(2, 2, -2, -2);
        p.setPen(QPen(Color::vspMuted().resolve(), 2.2));
        p.drawEllipse(ring);
        p.setPen(QPen(Color::vspFgMuted().resolve(), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(ring, -m_angle * 16, 100 * 16);
    }

private:
    QTimer* m_timer;
    int m_angle = 90;
};

/// The sheet's buttons: the accent pill, the quiet surface pill, and the plain quiet text.
class SheetButton final : public vsp::PaintedButton {
public:
    enum class Look { Primary, Secondary, Quiet };

    SheetButton(Look look, const QString& title, qreal padding, int height, QWidget* parent)
        : PaintedButton(parent),
          m_look(look),
          m_padding(padding),
          m_height(height)
    {
        setText(title);
        setAccessibleName(title);
        setFocusPolicy(Qt::TabFocus);
        setFont(look == Look::Quiet ? vsp::fonts::system(12)
                                    : vsp::fonts::system(look == Look::Primary && height > 32 ? 13.5 : 12.5,
                                                         look == Look::Secondary ? QFont::Medium : QFont::DemiBold));
        if (look != Look::Quiet) {
            setPressFeedback(0.94, 0.85, vsp::Spring{0.18, 1.0});
        }
    }
    void setSymbol(const QString& symbol) { m_symbol = symbol; }

    QSize sizeHint() const override
    {
        const qreal textWidth = QFontMetricsF(font()).horizontalAdvance(text());
        const qreal symbol = m_symbol.isEmpty() ? 0 : 12 + 8;
        return {int(std::ceil(textWidth + symbol + 2 * m_padding)), m_look == Look::Quiet ? 22 : m_height};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        applyPress(p, rect());
        QColor ink;
        if (m_look == Look::Quiet) {
            ink = (isHovered() ? Color::vspForeground() : Color::vspFgMuted()).resolve();
        } else {
            QPainterPath capsule;
            capsule.addRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
            const bool primary = m_look == Look::Primary;
            p.fillPath(capsule, (primary ? Color::resolvedAccent(1) : Color::vspSurfaceAlt()).resolve());
            ink = primary ? vsp::textColorOn(Color::resolvedAccent(1).resolve()) : Color::vspForeground().resolve();
            if (hasFocus()) {
                p.setPen(QPen(Color::resolvedAccent(0.6).resolve(), 1.5));
                p.drawPath(capsule);
            }
        }
        const qreal textWidth = QFontMetricsF(font()).horizontalAdvance(text());
        qreal x = (width() - textWidth - (m_symbol.isEmpty() ? 0 : 20)) / 2;
        if (!m_symbol.isEmpty()) {
            vsp::symbols::paint(p, m_symbol, QRectF(x, (height() - 12) / 2.0, 12, 12), ink);
            x += 20;
        }
        p.setPen(ink);
        p.setFont(font());
        p.drawText(QRectF(x, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    Look m_look;
    QString m_symbol;
    qreal m_padding;
    int m_height;
};

/// The release notes on a rounded surface card, one accent dot per note.
class NotesCard final : public QWidget {
public:
    NotesCard(const QStringList& notes, QWidget* parent) : QWidget(parent)
    {
        auto* rows = new QVBoxLayout(this);
        rows->setContentsMargins(16, 16, 16, 16);
        rows->setSpacing(9);
        for (const QString& note : notes.first(std::min<qsizetype>(notes.size(), UpdateSheet::kMostNotes))) {
            auto* row = new QHBoxLayout;
            row->setSpacing(9);
            auto* dot = new QWidget(this);
            dot->setFixedSize(4, 4);
            dot->setObjectName(QStringLiteral("noteDot"));
            auto* dotColumn = new QVBoxLayout;
            dotColumn->setContentsMargins(0, 6, 0, 0);
            dotColumn->addWidget(dot);
            dotColumn->addStretch(1);
            row->addLayout(dotColumn);
            QLabel* label = text(note, 12.5, QFont::Normal, Color::vspForeground(), this);
            label->setObjectName(QStringLiteral("note"));
            label->setAlignment(Qt::AlignLeft);
            label->setWordWrap(true);
            row->addWidget(label, 1);
            rows->addLayout(row);
            m_dots.append(dot);
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath card;
        card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
        p.fillPath(card, Color::vspSurface().resolve());
        p.setPen(QPen(Color::vspBorder().resolve(), 1));
        p.drawPath(card);
        p.setPen(Qt::NoPen);
        QColor dot = Color::resolvedAccent(1).resolve();
        dot.setAlphaF(dot.alphaF() * 0.8f);
        p.setBrush(dot);
        for (QWidget* d : m_dots) {
            p.drawEllipse(QRectF(d->mapTo(this, QPoint(0, 0)), QSizeF(4, 4)));
        }
    }

private:
    QList<QWidget*> m_dots;
};

QHBoxLayout* centred(std::initializer_list<QWidget*> widgets, int spacing = 12)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing);
    row->addStretch(1);
    for (QWidget* w : widgets) {
        row->addWidget(w);
    }
    row->addStretch(1);
    return row;
}

} // namespace

UpdateSheet::UpdateSheet(Updater& updater, QWidget* parent)
    : QDialog(parent),
      m_updater(updater),
      m_column(new QVBoxLayout(this))
{
    setObjectName(QStringLiteral("updateSheet"));
    setWindowTitle(tr("Software Update"));
    setWindowModality(Qt::WindowModal);
    // It shows nothing of the journal: locking leaves it open.
    vsp::markShowsNoJournalData(this);
    setFixedWidth(490);
    m_column->setContentsMargins(30, 30, 30, 30);
    m_column->setSpacing(0);
    m_column->setSizeConstraint(QLayout::SetFixedSize);
    vsp::onThemeChange(this, [this] { update(); });
    connect(&updater, &Updater::phaseChanged, this, &UpdateSheet::refresh);
    refresh();
}

QString UpdateSheet::detail(const UpdateRelease& release, const QString& currentVersion)
{
    QStringList parts{QStringLiteral("you have ") + currentVersion};
    if (release.bytes >= 1) {
        const QString size = QLocale().formattedDataSize(release.bytes, 1, QLocale::DataSizeSIFormat);
        if (!size.isEmpty()) {
            parts.append(size);
        }
    }
    if (release.date.isValid()) {
        parts.append(QLocale().toString(release.date, QStringLiteral("MMM d, yyyy")));
    }
    return parts.join(QStringLiteral(" · "));
}

QString UpdateSheet::percentText(double fraction)
{
    return QString::number(qint64(fraction * 100)) + u'%';
}

QString UpdateSheet::statusText() const
{
    return m_headline ? m_headline->text() : QString();
}

void UpdateSheet::refresh()
{
    const int phase =
        m_updater.phase() == Updater::Phase::Idle ? int(Updater::Phase::Checking) : int(m_updater.phase());
    if (phase == m_panelPhase && m_updater.phase() == Updater::Phase::Downloading) {
        // Progress moves the bar and the figure; the panel stays.
        m_track->setFraction(m_updater.progress());
        m_percent->setText(percentText(m_updater.progress()));
        return;
    }
    if (phase == m_panelPhase && m_updater.phase() != Updater::Phase::Found
        && m_updater.phase() != Updater::Phase::Failed && m_updater.phase() != Updater::Phase::Manual) {
        return;
    }
    // The new panel fades in with the spring. A picture crossfade would not do: panels differ in height
    // and the sheet takes each one's size at once.
    const bool moving = m_panel && isVisible() && vsp::animationsEnabled();
    build();
    m_panelPhase = phase;
    if (!moving) {
        return;
    }
    auto* fade = new QGraphicsOpacityEffect(m_panel);
    fade->setOpacity(0);
    m_panel->setGraphicsEffect(fade);
    if (QPropertyAnimation* motion = vsp::animateProperty(fade, "opacity", 1.0, vsp::update::kPhaseSpring)) {
        QWidget* panel = m_panel;
        connect(motion, &QAbstractAnimation::finished, panel, [panel] { panel->setGraphicsEffect(nullptr); });
    } else {
        m_panel->setGraphicsEffect(nullptr);
    }
}

void UpdateSheet::build()
{
    if (m_panel) {
        m_panel->hide();
        m_panel->deleteLater();
    }
    m_panel = new QWidget(this);
    m_panel->setFixedWidth(430);
    auto* panel = new QVBoxLayout(m_panel);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(16);
    m_track = nullptr;
    m_percent = nullptr;
    const QString current = m_updater.currentVersion();
    const auto accent = [](double alpha) { return [alpha] { return Color::resolvedAccent(alpha).resolve(); }; };
    const auto add = [&](QWidget* w) { panel->addWidget(w, 0, Qt::AlignHCenter); };
    const auto currentLine = [&] {
        add(text(tr("You have %1").arg(current), 11, QFont::Normal, Color::vspFgDim(), m_panel, true));
    };

    switch (m_updater.phase()) {
    case Updater::Phase::Idle:
    case Updater::Phase::Checking:
        add(new Mark(52, m_panel));
        add(new Spinner(m_panel));
        m_headline = text(tr("Looking for a new version…"), 13, QFont::Normal, Color::vspFgMuted(), m_panel);
        add(m_headline);
        currentLine();
        break;
    case Updater::Phase::Current: {
        add(new IconDisc(QStringLiteral("checkmark.circle.fill"), 28, accent(1), accent(0.12), m_panel));
        auto* words = new QVBoxLayout;
        words->setSpacing(6);
        m_headline = text(tr("You're up to date"), 21, QFont::Bold, Color::vspForeground(), m_panel);
        words->addWidget(m_headline);
        words->addWidget(text(tr("Vesperlog %1 is the latest version.").arg(current), 12.5, QFont::Normal,
                              Color::vspFgMuted(), m_panel));
        panel->addLayout(words);
        addDoneButton(panel);
        break;
    }
    case Updater::Phase::Found: buildFound(panel, current); break;
    case Updater::Phase::Downloading:
        add(new Mark(52, m_panel));
        m_headline = text(tr("Downloading the new version…"), 18, QFont::DemiBold, Color::vspForeground(), m_panel);
        add(m_headline);
        m_track = new vsp::update::ProgressTrack(m_updater.progress(), m_panel);
        add(m_track);
        m_percent = text(percentText(m_updater.progress()), 11.5, QFont::Normal, Color::vspFgDim(), m_panel, true);
        m_percent->setObjectName(QStringLiteral("percent"));
        add(m_percent);
        break;
    case Updater::Phase::Installing:
        add(new Mark(52, m_panel));
        m_headline = text(tr("Installing…"), 18, QFont::DemiBold, Color::vspForeground(), m_panel);
        add(m_headline);
        add(text(tr("Vesperlog will close and open again, already updated."), 12.5, QFont::Normal, Color::vspFgMuted(),
                 m_panel));
        add(new Spinner(m_panel));
        break;
    case Updater::Phase::Manual: buildManual(panel); break;
    case Updater::Phase::Failed: buildFailed(panel); break;
    }
    m_column->addWidget(m_panel);
    m_panel->show();
    // The keyboard starts on the phase's main button, its ring showing, not nowhere until the first Tab.
    QAbstractButton* start = nullptr;
    for (const char* name : {"updateNow", "done", "tryAgain"}) {
        if ((start = m_panel->findChild<QAbstractButton*>(QLatin1String(name)))) {
            break;
        }
    }
    if (!start) {
        start = m_panel->findChild<QAbstractButton*>();
    }
    if (start) {
        start->setFocus(Qt::OtherFocusReason);
    }
}

void UpdateSheet::addDoneButton(QVBoxLayout* panel)
{
    auto* done = new SheetButton(SheetButton::Look::Primary, tr("Done"), 22, 32, m_panel);
    done->setObjectName(QStringLiteral("done"));
    connect(done, &QAbstractButton::clicked, this, &QDialog::accept);
    panel->addWidget(done, 0, Qt::AlignHCenter);
}

void UpdateSheet::buildFound(QVBoxLayout* panel, const QString& current)
{
    const auto add = [&](QWidget* w) { panel->addWidget(w, 0, Qt::AlignHCenter); };
    const UpdateRelease release = m_updater.offered().value_or(UpdateRelease{});
    panel->setSpacing(18);
    auto* mark = new Mark(56, m_panel);
    auto* glow = new QGraphicsDropShadowEffect(mark);
    QColor shadow = Color::resolvedAccent(1).resolve();
    shadow.setAlphaF(0.25f);
    glow->setColor(shadow);
    glow->setBlurRadius(40);
    glow->setOffset(0, 6);
    mark->setGraphicsEffect(glow);
    add(mark);
    auto* words = new QVBoxLayout;
    words->setSpacing(6);
    m_headline =
        text(tr("Vesperlog %1 is ready").arg(release.version), 22, QFont::Bold, Color::vspForeground(), m_panel);
    m_headline->setObjectName(QStringLiteral("headline"));
    words->addWidget(m_headline);
    QLabel* line = text(detail(release, current), 11.5, QFont::Normal, Color::vspFgDim(), m_panel, true);
    line->setObjectName(QStringLiteral("detail"));
    words->addWidget(line);
    panel->addLayout(words);
    if (!release.notes.isEmpty()) {
        auto* notes = new NotesCard(release.notes, m_panel);
        notes->setObjectName(QStringLiteral("notes"));
        panel->addWidget(notes);
    }
    auto* actions = new QVBoxLayout;
    actions->setSpacing(10);
    auto* updateNow = new SheetButton(SheetButton::Look::Primary, tr("Update now"), 24, 38, m_panel);
    updateNow->setObjectName(QStringLiteral("updateNow"));
    updateNow->setSymbol(QStringLiteral("arrow.down.circle.fill"));
    connect(updateNow, &QAbstractButton::clicked, this, [this, release] { m_updater.install(release); });
    actions->addWidget(updateNow, 0, Qt::AlignHCenter);
    actions->addWidget(wrapping(text(tr("It downloads, installs and Vesperlog opens again on its own. Your "
                                        "entries and settings stay exactly as they are."),
                                     11, QFont::Normal, Color::vspFgDim(), m_panel)));
    auto* notNow = new SheetButton(SheetButton::Look::Quiet, tr("Not now"), 0, 22, m_panel);
    notNow->setObjectName(QStringLiteral("notNow"));
    connect(notNow, &QAbstractButton::clicked, this, &QDialog::reject);
    actions->addWidget(notNow, 0, Qt::AlignHCenter);
    panel->addLayout(actions);
}

void UpdateSheet::buildManual(QVBoxLayout* panel)
{
    const auto accent = [](double alpha) { return [alpha] { return Color::resolvedAccent(alpha).resolve(); }; };
    const auto add = [&](QWidget* w) { panel->addWidget(w, 0, Qt::AlignHCenter); };
    add(new IconDisc(QStringLiteral("hand.point.up.left.fill"), 24, accent(1), accent(0.12), m_panel));
    auto* words = new QVBoxLayout;
    words->setSpacing(7);
    m_headline = text(tr("It's already downloaded"), 20, QFont::Bold, Color::vspForeground(), m_panel);
    words->addWidget(m_headline);
    words->addWidget(wrapping(text(tr("I can't write where Vesperlog lives right now, so I've left it in "
                                      "Downloads. Drag it where the old one is, replacing the old one."),
                                   12.5, QFont::Normal, Color::vspFgMuted(), m_panel)));
    panel->addLayout(words);
    auto* show = new SheetButton(SheetButton::Look::Secondary, tr("Show it in Files"), 18, 32, m_panel);
    show->setObjectName(QStringLiteral("showInFiles"));
    const QString location = m_updater.manualLocation();
    connect(show, &QAbstractButton::clicked, this, [this, location] { m_updater.reveal(location); });
    add(show);
    addDoneButton(panel);
}

void UpdateSheet::buildFailed(QVBoxLayout* panel)
{
    const auto add = [&](QWidget* w) { panel->addWidget(w, 0, Qt::AlignHCenter); };
    const auto orange = [](double alpha) { return [alpha] { return QColor(255, 149, 0, int(alpha * 255)); }; };
    add(new IconDisc(QStringLiteral("exclamationmark.triangle.fill"), 24, orange(1), orange(0.14), m_panel));
    m_headline = wrapping(text(m_updater.failureMessage(), 12.5, QFont::Normal, Color::vspFgMuted(), m_panel));
    m_headline->setObjectName(QStringLiteral("message"));
    panel->addWidget(m_headline);
    auto* website = new SheetButton(SheetButton::Look::Secondary, tr("Go to the website"), 16, 32, m_panel);
    website->setObjectName(QStringLiteral("website"));
    connect(website, &QAbstractButton::clicked, this, [] { QDesktopServices::openUrl(vsp::update::websiteUrl()); });
    auto* again = new SheetButton(SheetButton::Look::Primary, tr("Try again"), 16, 32, m_panel);
    again->setObjectName(QStringLiteral("tryAgain"));
    connect(again, &QAbstractButton::clicked, this, [this] { m_updater.check(true); });
    panel->addLayout(centred({website, again}));
    auto* close = new SheetButton(SheetButton::Look::Quiet, tr("Close"), 0, 22, m_panel);
    close->setObjectName(QStringLiteral("close"));
    connect(close, &QAbstractButton::clicked, this, &QDialog::reject);
    add(close);
}

void UpdateSheet::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const char* name =
            m_updater.phase() == Updater::Phase::Found ? "updateNow"
            : (m_updater.phase() == Updater::Phase::Current || m_updater.phase() == Updater::Phase::Manual) ? "done"
                                                                                                            : nullptr;
        if (name) {
            if (auto* button = m_panel->findChild<QAbstractButton*>(QLatin1String(name))) {
                button->click();
            }
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void UpdateSheet::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Color::vspBackground().resolve());
}
