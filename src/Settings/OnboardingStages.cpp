#include "Settings/OnboardingStages.h"

#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Platform/ReduceMotion.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Widgets/VesperlogMark.h"

#include <QDate>
#include <QDir>
#include <QGraphicsDropShadowEffect>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QShowEvent>
#include <QTextLayout>
#include <QTimer>
#include <QVariantAnimation>

namespace vsp::onboarding {

namespace {

constexpr int kWidth = 430;

QColor accent(qreal alpha = 1)
{
    return Color::resolvedAccent(alpha).resolve();
}

void bar(QPainter& p, const QRectF& r, const QColor& color, qreal radius = 3)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(r, radius, radius);
}

/// A capsule around `text` at `topLeft` with padding; returns its width.
qreal capsule(QPainter& p, QPointF topLeft, const QString& text, const QFont& font, const QColor& ink,
              const QColor& fill, qreal padX, qreal padY)
{
    const QFontMetricsF m(font);
    const QRectF box(topLeft, QSizeF(m.horizontalAdvance(text) + 2 * padX, m.height() + 2 * padY));
    bar(p, box, fill, box.height() / 2);
    p.setPen(ink);
    p.setFont(font);
    p.drawText(box, Qt::AlignCenter, text);
    return box.width();
}

/// Draws wrapped text in `width` from `topLeft` with extra `spacing` between lines; returns its height.
qreal wrapped(QPainter& p, const QPointF& topLeft, qreal width, const QString& text, const QFont& font,
              const QColor& ink, qreal spacing)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    qreal y = 0;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height() + spacing;
    }
    layout.endLayout();
    p.setPen(ink);
    layout.draw(&p, topLeft);
    return std::max<qreal>(0, y - spacing);
}

} // namespace

Stage::Stage(int height, qreal shadowOpacity, qreal shadowRadius, qreal shadowY, QWidget* parent) : QWidget(parent)
{
    setFixedSize(kWidth, height);
    auto* shadow = new QGraphicsDropShadowEffect(this);
    shadow->setColor(QColor(0, 0, 0, int(std::lround(255 * shadowOpacity))));
    shadow->setBlurRadius(shadowRadius * 2);
    shadow->setOffset(0, shadowY);
    setGraphicsEffect(shadow);
    onThemeChange(this, [this] { update(); });
}

bool Stage::reduceMotion()
{
    return ReduceMotion::instance().isOn();
}

void Stage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_shown || event->spontaneous()) {
        return;
    }
    m_shown = true;
    appeared();
    for (QTimer* timer : std::as_const(m_timers)) {
        timer->start();
    }
}

QTimer* Stage::every(int ms, std::function<void()> step)
{
    auto* timer = new QTimer(this);
    timer->setInterval(ms);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, std::move(step));
    m_timers << timer;
    if (m_shown) {
        timer->start();
    }
    return timer;
}

void Stage::paintCard(QPainter& p, const Color& fill, const std::function<void(QPainter&)>& paint) const
{
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = rect();
    QPainterPath clip;
    clip.addRoundedRect(box, 14, 14);
    p.save();
    p.setClipPath(clip);
    p.fillRect(box, fill.resolve());
    paint(p);
    p.restore();
    p.setPen(QPen(Color::vspBorder().resolve(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
}

// --- Compose ---------------------------------------------------------------------------------------

namespace {
const QString kDemoTitle = QStringLiteral("Morning, slowly");
const QString kDemoBody = QStringLiteral(
    "Woke before the alarm and let the coffee take its time. The week ahead looks lighter than I feared.");
constexpr Spring kChipSpring{0.35, 0.6};
} // namespace

ComposeStage::ComposeStage(const QDate& today, QWidget* parent)
    : Stage(178, 0.3, 18, 8, parent),
      m_today(today),
      m_moodPop(new SpringValue(0, kChipSpring, this)),
      m_tagsPop(new SpringValue(0, kChipSpring, this))
{
    connect(m_moodPop, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_tagsPop, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    every(35, [this] { tick(); });
}

QString ComposeStage::titleShown() const
{
    return kDemoTitle.left(std::min(m_typed, kTitleLength));
}

QString ComposeStage::bodyShown() const
{
    const int t = m_typed - kTitleLength;
    return t < 1 ? QString() : kDemoBody.left(std::min<int>(int(kDemoBody.size()), t));
}

void ComposeStage::appeared()
{
    if (reduceMotion()) {
        m_typed = kTotalLength;
        m_showMood = true;
        m_showTags = true;
        m_moodPop->setValue(1);
        m_tagsPop->setValue(1);
        update();
    }
}

void ComposeStage::tick()
{
    if (reduceMotion()) {
        return;
    }
    if (m_typed < kTotalLength) {
        ++m_typed;
        update();
    } else if (!m_showMood) {
        m_showMood = true;
        m_moodPop->animateTo(1);
    } else if (!m_showTags) {
        m_showTags = true;
        QTimer::singleShot(150, m_tagsPop, [pop = m_tagsPop] { pop->animateTo(1); });
        if (!animationsEnabled()) {
            m_tagsPop->setValue(1);
        }
    }
}

void ComposeStage::paintChip(QPainter& p, QPointF& at, const QString& text, bool tinted, qreal scale) const
{
    const QFont font = fonts::system(10, QFont::Medium);
    const QFontMetricsF m(font);
    const QSizeF size(m.horizontalAdvance(text) + 18, m.height() + 10);
    if (scale > 0.001) {
        p.save();
        const QPointF centre = at + QPointF(size.width() / 2, 11);
        p.translate(centre);
        // The chip grows from 0.6 while it fades in.
        const qreal s = 0.6 + 0.4 * scale;
        p.scale(s, s);
        p.setOpacity(std::clamp(scale, 0.0, 1.0));
        capsule(p, QPointF(-size.width() / 2, -size.height() / 2), text, font,
                (tinted ? Color::vspForeground() : Color::vspFgMuted()).resolve(),
                tinted ? accent(0.14) : Color::vspMuted().resolve(), 9, 5);
        p.restore();
    }
    at.rx() += size.width() + 7;
}

void ComposeStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintCard(p, Color::vspSurface(), [this](QPainter& p) {
        // Title bar.
        const QRectF titleBar(0, 0, width(), 28);
        p.fillRect(titleBar, Color::vspSurfaceAlt().resolve());
        for (int i = 0; i < 3; ++i) {
            p.setPen(Qt::NoPen);
            p.setBrush(Color::vspBorderEmphasis().resolve());
            p.drawEllipse(QRectF(14 + i * 14, 10, 8, 8));
        }
        const QFont typeFont = fonts::system(8.5, QFont::Bold);
        const qreal typeWidth = QFontMetricsF(typeFont).horizontalAdvance(tr("JOURNAL")) + 14;
        capsule(p, QPointF(width() - 14 - typeWidth, 6), tr("JOURNAL"), typeFont, accent(), accent(0.12), 7, 3);

        // The page.
        qreal y = titleBar.bottom() + 14;
        const qreal w = width() - 28;
        const QFont dateFont = fonts::system(9.5);
        const QLocale locale;
        p.setFont(dateFont);
        p.setPen(Color::vspFgSubtle().resolve());
        const QString date = locale.toString(m_today, longDateFormatWithoutYear(locale)).toUpper();
        p.drawText(QRectF(14, y, w, QFontMetricsF(dateFont).height()), Qt::AlignLeft, date);
        y += QFontMetricsF(dateFont).height() + 9;
        const QFont titleFont = fonts::system(17, QFont::DemiBold);
        p.setFont(titleFont);
        p.setPen(Color::vspForeground().resolve());
        // An empty line keeps its height, so the card does not jump while it fills.
        p.drawText(QRectF(14, y, w, QFontMetricsF(titleFont).height()), Qt::AlignLeft, titleShown());
        y += QFontMetricsF(titleFont).height() + 9;
        const QFont bodyFont = fonts::system(12);
        const QString body = bodyShown();
        const qreal bodyHeight = body.isEmpty()
                                     ? QFontMetricsF(bodyFont).height()
                                     : wrapped(p, QPointF(14, y), w, body, bodyFont, Color::vspFgMuted().resolve(), 3);
        y += bodyHeight + 9;
        QPointF at(14, y);
        paintChip(p, at, QStringLiteral("🌿 Calm"), true, m_showMood ? m_moodPop->value() : 0);
        paintChip(p, at, QStringLiteral("#morning"), false, m_showTags ? m_tagsPop->value() : 0);
        paintChip(p, at, QStringLiteral("#slow"), false, m_showTags ? m_tagsPop->value() : 0);
    });
}

// --- Library ---------------------------------------------------------------------------------------

LibraryStage::LibraryStage(QWidget* parent)
    : Stage(160, 0.28, 16, 7, parent),
      m_highlight(new SpringValue(1, Spring{0.45, 0.85}, this))
{
    connect(m_highlight, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    every(2200, [this] { tick(); });
}

const QList<LibraryStage::Lane>& LibraryStage::lanes()
{
    static const QList<Lane> table{
        {QStringLiteral("\u26A1"),
         QStringLiteral("Energized"),
         {QStringLiteral("Shipped the thing"), QStringLiteral("Ran the park loop"),
          QStringLiteral("Six pages before noon")}},
        {QStringLiteral("🌿"),
         QStringLiteral("Calm"),
         {QStringLiteral("Morning, slowly"), QStringLiteral("Rain all afternoon"),
          QStringLiteral("Nothing much, happily")}},
        {QStringLiteral("🎯"),
         QStringLiteral("Focused"),
         {QStringLiteral("Rewrote the intro"), QStringLiteral("Two hours, no phone"),
          QStringLiteral("Finally understood it")}},
    };
    return table;
}

void LibraryStage::tick()
{
    if (reduceMotion()) {
        return;
    }
    m_active = (m_active + 1) % int(lanes().size());
    // The highlight glides to the new lane; coming round from the last lane it starts from the top.
    if (m_active == 0) {
        m_highlight->setValue(-1);
    }
    m_highlight->animateTo(m_active);
    update();
}

void LibraryStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintCard(p, Color::vspSurface(), [this](QPainter& p) {
        // The three parts are 174 + 1 + 274 wide, centred: 9.5 pixels stand out at each side.
        const qreal left = (width() - 449) / 2.0;
        const QRectF column(left, 0, 174, height());
        p.fillRect(column, Color::vspBackground().resolve());
        p.fillRect(QRectF(column.right(), 0, 1, height()), Color::vspBorder().resolve());
        const QRectF list(column.right() + 1, 0, 274, height());
        p.fillRect(list, Color::vspSurface().resolve());

        const QFont heading = fonts::system(8.5, QFont::Bold);
        p.setFont(heading);
        p.setPen(Color::vspFgSubtle().resolve());
        qreal y = 12;
        p.drawText(QPointF(column.left() + 12, y + QFontMetricsF(heading).ascent()), tr("MOODS"));
        y += QFontMetricsF(heading).height() + 2 + 5;
        const qreal rowHeight = QFontMetricsF(fonts::system(11)).height() + 12;
        const qreal laneTop = y;
        const qreal lit = m_highlight->value();
        if (lit >= 0) {
            bar(p, QRectF(column.left() + 12, laneTop + lit * (rowHeight + 5), 150, rowHeight), accent(0.12), 7);
        }
        for (int i = 0; i < lanes().size(); ++i) {
            const Lane& lane = lanes()[i];
            const bool active = i == m_active;
            const QRectF row(column.left() + 20, y, 134, rowHeight);
            p.setFont(fonts::system(11));
            p.setPen(Color::vspForeground().resolve());
            p.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, lane.emoji);
            p.setFont(fonts::system(11, active ? QFont::DemiBold : QFont::Normal));
            p.setPen((active ? Color::vspForeground() : Color::vspFgMuted()).resolve());
            p.drawText(row.adjusted(22, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, lane.label);
            p.setFont(fonts::monospaced(9));
            p.setPen(Color::vspFgDim().resolve());
            p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, QString::number(lane.entries.size()));
            y += rowHeight + 5;
        }

        static const QStringList days{QStringLiteral("Today"), QStringLiteral("Yesterday"), QStringLiteral("Tuesday")};
        const Lane& lane = lanes()[m_active];
        qreal ey = 12;
        const QFont titleFont = fonts::system(11.5, QFont::Medium);
        const QFont subFont = fonts::system(9.5);
        const qreal entryHeight = QFontMetricsF(titleFont).height() + 3 + QFontMetricsF(subFont).height() + 14;
        for (int i = 0; i < lane.entries.size(); ++i) {
            const QRectF row(list.left() + 12, ey, 250, entryHeight);
            bar(p, row, Color::vspSurfaceAlt().resolve(), 8);
            p.setFont(titleFont);
            p.setPen(Color::vspForeground().resolve());
            const QRectF text = row.adjusted(10, 7, -10, -7);
            p.drawText(text, Qt::AlignLeft | Qt::AlignTop,
                       QFontMetricsF(titleFont).elidedText(lane.entries[i], Qt::ElideRight, text.width()));
            p.setFont(subFont);
            p.setPen(Color::vspFgDim().resolve());
            p.drawText(text, Qt::AlignLeft | Qt::AlignBottom, lane.emoji + QStringLiteral("  ") + days.value(i));
            ey += entryHeight + 6;
        }
    });
}

// --- Focus -----------------------------------------------------------------------------------------

FocusStage::FocusStage(QWidget* parent)
    : Stage(150, 0.28, 16, 7, parent),
      m_focus(new SpringValue(0, Spring{0.6, 0.86}, this))
{
    connect(m_focus, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    every(2800, [this] { tick(); });
}

void FocusStage::tick()
{
    if (reduceMotion()) {
        return;
    }
    m_focused = !m_focused;
    m_focus->animateTo(m_focused ? 1 : 0);
    update();
}

void FocusStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const qreal f = m_focus->value();
    paintCard(p, Color::vspSurface(), [this, f](QPainter& p) {
        const qreal k = std::clamp(1 - f, 0.0, 1.0);
        const qreal spacing = 8 * k;
        qreal x = 0;
        auto column = [&](qreal w, int lines, const Color& tone) {
            const qreal cw = w * k;
            if (cw > 0.5) {
                p.save();
                p.setClipRect(QRectF(x, 0, cw, height()));
                p.setOpacity(k);
                p.fillRect(QRectF(x, 0, cw, height()), tone.resolve());
                QColor ink = Color::vspFgDim().resolve();
                ink.setAlphaF(ink.alphaF() * 0.28f);
                for (int i = 0; i < lines; ++i) {
                    bar(p, QRectF(x + 12, 12 + i * 14, std::max<qreal>(0, w - 24), 6), ink);
                }
                p.restore();
            }
            x += cw + spacing;
        };
        column(74, 5, Color::vspBackground());
        column(104, 4, Color::vspSurfaceAlt());
        const QRectF pane(x, 0, width() - x, height());
        p.fillRect(pane, Color::vspSurface().resolve());
        bar(p, QRectF(pane.left() + 14, 14, 96 + (150 - 96) * f, 8), accent(0.55));
        static const qreal narrow[] = {150, 168, 132, 158};
        static const qreal wide[] = {250, 268, 232, 258, 210, 180};
        QColor line = Color::vspFgDim().resolve();
        line.setAlphaF(line.alphaF() * 0.35f);
        for (int i = 0; i < 6; ++i) {
            const qreal from = i < 4 ? narrow[i] : 0;
            const qreal w = from + (wide[i] - from) * f;
            if (w < 1) {
                continue;
            }
            p.save();
            if (i >= 4) {
                p.setOpacity(std::clamp(f, 0.0, 1.0));
            }
            bar(p, QRectF(pane.left() + 14, 14 + 8 + 7 + i * 13, w, 6), line);
            p.restore();
        }
        const QFont badge = fonts::monospaced(9.5, QFont::DemiBold);
        const qreal bw = QFontMetricsF(badge).horizontalAdvance(QStringLiteral("F11")) + 14;
        const qreal bh = QFontMetricsF(badge).height() + 8;
        capsule(p, QPointF(width() - 10 - bw, height() - 10 - bh), QStringLiteral("F11"), badge,
                vsp::mixed(Color::vspFgDim().resolve(), accent(), std::clamp(f, 0.0, 1.0)), Color::vspMuted().resolve(),
                7, 4);
    });
}

// --- Capture ---------------------------------------------------------------------------------------

CaptureStage::CaptureStage(QWidget* parent)
    : Stage(160, 0.28, 16, 7, parent),
      m_openness(new SpringValue(0, Spring{0.5, 0.72}, this)),
      m_levelMotion(new QVariantAnimation(this))
{
    for (int i = 0; i < kBars; ++i) {
        m_levels << 0.3;
    }
    m_fromLevels = m_levels;
    m_levelMotion->setStartValue(0.0);
    m_levelMotion->setEndValue(1.0);
    m_levelMotion->setDuration(260);
    m_levelMotion->setEasingCurve(QEasingCurve::InOutQuad);
    connect(m_levelMotion, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_openness, &SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    every(280, [this] { tick(); });
    every(3000, [this] { swing(); });
}

void CaptureStage::setOpen(bool open, qreal response, qreal damping)
{
    m_open = open;
    m_openness->setSpring(Spring{response, damping});
    m_openness->animateTo(open ? 1 : 0);
    update();
}

void CaptureStage::appeared()
{
    if (reduceMotion()) {
        m_open = true;
        m_openness->setValue(1);
        update();
        return;
    }
    QTimer::singleShot(350, this, [this] { setOpen(true, 0.5, 0.72); });
}

void CaptureStage::tick()
{
    if (reduceMotion() || !m_open) {
        return;
    }
    m_fromLevels = m_levels;
    for (qreal& level : m_levels) {
        // Both ends included: 0.15 + 0.85 × [0, 1].
        level = 0.15 + 0.85 * (QRandomGenerator::global()->bounded(1001) / 1000.0);
    }
    m_levelMotion->stop();
    m_levelMotion->start();
}

void CaptureStage::swing()
{
    if (reduceMotion()) {
        return;
    }
    setOpen(!m_open, 0.45, 0.8);
}

void CaptureStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const qreal o = m_openness->value();
    paintCard(p, Color::vspBackground(), [this, o](QPainter& p) {
        const qreal stripHeight = paintPanelStrip(p, o);
        if (o > 0.001) {
            paintCapturePanel(p, stripHeight, o);
        }
    });
}

qreal CaptureStage::paintPanelStrip(QPainter& p, qreal o) const
{
    const QFont small = fonts::system(9, QFont::Medium);
    const qreal stripHeight = QFontMetricsF(small).height() + 12;
    p.fillRect(QRectF(0, 0, width(), stripHeight), Color::vspSurfaceAlt().resolve());
    const QColor ink = Color::vspFgMuted().resolve();
    qreal x = width() - 14;
    p.setFont(small);
    p.setPen(ink);
    const qreal clockWidth = QFontMetricsF(small).horizontalAdvance(QStringLiteral("9:41"));
    x -= clockWidth;
    p.drawText(QRectF(x, 0, clockWidth + 1, stripHeight), Qt::AlignVCenter, QStringLiteral("9:41"));
    x -= 10 + 9;
    symbols::paint(p, u"battery.75", QRectF(x, (stripHeight - 9) / 2, 9, 9), ink);
    x -= 10 + 9;
    symbols::paint(p, u"wifi", QRectF(x, (stripHeight - 9) / 2, 9, 9), ink);
    x -= 10 + 13;
    const QPointF markCentre(x + 6.5, stripHeight / 2);
    p.save();
    p.translate(markCentre);
    const qreal s = 1 + 0.18 * std::clamp(o, 0.0, 1.0);
    p.scale(s, s);
    paintVesperlogBookLogo(p, QPointF(-6.5, -6.5), 13);
    p.restore();
    return stripHeight;
}

void CaptureStage::paintCapturePanel(QPainter& p, qreal stripHeight, qreal o) const
{
    const qreal panelWidth = 250;
    const QFont head = fonts::system(10, QFont::DemiBold);
    const QFont idea = fonts::system(11.5);
    QTextLayout probe(tr("Idea: a page that only shows what I wrote a year ago today."), idea);
    const qreal ideaHeight = [&] {
        probe.beginLayout();
        qreal h = 0;
        for (QTextLine line = probe.createLine(); line.isValid(); line = probe.createLine()) {
            line.setLineWidth(panelWidth - 26);
            h += line.height() + 2.5;
        }
        probe.endLayout();
        return h - 2.5;
    }();
    const qreal panelHeight = 13 + QFontMetricsF(head).height() + 8 + ideaHeight + 8 + 26 + 13;
    const qreal top = stripHeight + 10 * o + (-14) * (1 - o);
    const QRectF panel(width() / 2 - panelWidth / 2 + 78, top, panelWidth, panelHeight);
    p.save();
    p.setOpacity(std::clamp(o, 0.0, 1.0));
    const qreal scale = 0.94 + 0.06 * o;
    p.translate(panel.center().x(), panel.top());
    p.scale(scale, scale);
    p.translate(-panel.center().x(), -panel.top());
    // A soft shadow under the panel: rings of faint black, wider and fainter outwards.
    for (int i = 1; i <= 6; ++i) {
        bar(p, panel.translated(0, 6).adjusted(-i * 1.5, -i * 1.0, i * 1.5, i * 2.0), QColor(0, 0, 0, 10), 12 + i);
    }
    bar(p, panel, Color::vspSurface().resolve(), 12);
    p.setPen(QPen(Color::vspBorder().resolve(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    qreal y = panel.top() + 13;
    p.setFont(head);
    p.setPen(Color::vspFgSubtle().resolve());
    p.drawText(QPointF(panel.left() + 13, y + QFontMetricsF(head).ascent()), tr("Quick capture"));
    y += QFontMetricsF(head).height() + 8;
    wrapped(p, QPointF(panel.left() + 13, y), panelWidth - 26,
            tr("Idea: a page that only shows what I wrote a year ago today."), idea, Color::vspForeground().resolve(),
            2.5);
    y += ideaHeight + 8;
    paintRecording(p, QRectF(panel.left() + 13, y, panelWidth - 26, 26));
    p.restore();
}

void CaptureStage::paintRecording(QPainter& p, const QRectF& row) const
{
    const qreal y = row.top();
    const qreal t = m_levelMotion->state() == QAbstractAnimation::Running ? m_levelMotion->currentValue().toReal() : 1;
    qreal bx = row.left();
    for (int i = 0; i < kBars; ++i) {
        const qreal level = m_fromLevels[i] + (m_levels[i] - m_fromLevels[i]) * t;
        const qreal h = 20 * level + 4;
        bar(p, QRectF(bx, y + (26 - h) / 2, 3, h), accent(0.75), 1.5);
        bx += 6;
    }
    const QFont meta = fonts::system(9);
    p.setFont(fonts::monospaced(9));
    p.setPen(Color::vspFgDim().resolve());
    p.drawText(QRectF(bx + 3, y, 40, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("0:14"));
    p.setFont(meta);
    p.drawText(row, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("🌤 18°  ·  Alcalá"));
}

// --- Privacy ---------------------------------------------------------------------------------------

PrivacyStage::PrivacyStage(QWidget* parent) : Stage(150, 0.28, 16, 7, parent), m_pulse(new QVariantAnimation(this))
{
    m_pulse->setStartValue(0.0);
    m_pulse->setEndValue(1.0);
    m_pulse->setDuration(2200);
    m_pulse->setEasingCurve(QEasingCurve::OutCubic);
    m_pulse->setLoopCount(-1);
    connect(m_pulse, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

QString PrivacyStage::folderText()
{
    const QString folder = QDir::cleanPath(JournalStore::storeFolder());
    const QString home = QDir::cleanPath(QDir::homePath());
    if (folder == home || folder.startsWith(home + u'/')) {
        return u'~' + folder.mid(home.size());
    }
    return folder;
}

bool PrivacyStage::isPulsing() const
{
    return m_pulse->state() == QAbstractAnimation::Running;
}

void PrivacyStage::appeared()
{
    // Read once: switching Reduce Motion on later does not stop a pulse that runs.
    if (!reduceMotion()) {
        m_pulse->start();
    }
}

void PrivacyStage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintCard(p, Color::vspSurface(), [this](QPainter& p) {
        const QStringList labels{tr("Your entries"), tr("Sent anywhere"), tr("Account needed"), tr("Works offline")};
        const QStringList values{folderText(), tr("Never"), tr("None"), tr("Always")};
        const QFont labelFont = fonts::system(11);
        const QFont valueFont = fonts::system(11, QFont::Medium);
        const QFont monoFont = fonts::monospaced(11, QFont::Medium);
        const qreal rowHeight = QFontMetricsF(labelFont).height();
        const qreal tableHeight = 4 * rowHeight + 3 * 9;
        // Emblem (110) and table side by side, 26 apart, centred; the table takes what is left.
        qreal valueWidth = 0;
        for (int i = 0; i < values.size(); ++i) {
            valueWidth =
                std::max(valueWidth, QFontMetricsF(i == 0 ? monoFont : valueFont).horizontalAdvance(values[i]));
        }
        const qreal maxTable = width() - 2 * 16 - 110 - 26;
        const qreal tableWidth = std::min(maxTable, 96 + 8 + valueWidth);
        const qreal left = (width() - (110 + 26 + tableWidth)) / 2;
        const QPointF centre(left + 55, height() / 2.0);
        const qreal pulse = m_pulse->state() == QAbstractAnimation::Running ? m_pulse->currentValue().toReal() : 0;
        const qreal ring = 74 + (108 - 74) * pulse;
        QColor ringColor = accent(0.25);
        ringColor.setAlphaF(ringColor.alphaF() * float(1 - pulse));
        p.setPen(QPen(ringColor, 1));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, ring / 2, ring / 2);
        p.setPen(Qt::NoPen);
        p.setBrush(accent(0.1));
        p.drawEllipse(centre, 37, 37);
        symbols::paint(p, u"lock.laptopcomputer", QRectF(centre.x() - 14, centre.y() - 14, 28, 28), accent());
        qreal y = (height() - tableHeight) / 2;
        const qreal tx = left + 110 + 26;
        for (int i = 0; i < labels.size(); ++i) {
            p.setFont(labelFont);
            p.setPen(Color::vspFgDim().resolve());
            p.drawText(QRectF(tx, y, 96, rowHeight), Qt::AlignLeft | Qt::AlignVCenter, labels[i]);
            const QFont& font = values[i].startsWith(u'~') ? monoFont : valueFont;
            p.setFont(font);
            p.setPen(Color::vspForeground().resolve());
            const qreal room = tableWidth - 96 - 8;
            p.drawText(QRectF(tx + 104, y, room, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       QFontMetricsF(font).elidedText(values[i], Qt::ElideMiddle, room));
            y += rowHeight + 9;
        }
    });
}

} // namespace vsp::onboarding
