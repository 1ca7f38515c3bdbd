#include "Views/Sidebar/SidebarHeader.h"
#include "Views/Sidebar/SidebarRows.h"

#include "Model/AppSettings.h"
#include "Model/ComposeDrafts.h"
#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"
#include "Theme/Transitions.h"
#include "Widgets/VesperlogMark.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

using vsp::Color;

namespace {

constexpr qreal kLogoSize = 22;
constexpr vsp::Spring kLauncherSpring{0.3, 1.0};

QFont badgeFont()
{
    return vsp::fonts::system(10, QFont::DemiBold);
}

const QString& fireEmoji()
{
    static const QString fire = QStringLiteral("\U0001F525");
    return fire;
}

/// The fire's advance: a colour emoji is a compressed bitmap that the font engine decodes at every
/// measurement, so it is measured once.
qreal fireWidth()
{
    static const qreal width = QFontMetricsF(vsp::fonts::system(10)).horizontalAdvance(fireEmoji());
    return width;
}

} // namespace

SidebarHeader::SidebarHeader(JournalStore& store, AppSettings& settings, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_settings(settings),
      m_name(new QLabel(this)),
      m_hide(new vsp::GlassButton(this)),
      m_plus(new vsp::GlassButton(this)),
      m_plusTint(new vsp::SpringValue(0, kLauncherSpring, this)),
      m_badgePresence(new vsp::SpringValue(0, vsp::Spring{0.3, 1.0}, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 16, 12, 8);
    layout->setSpacing(8);
    layout->addSpacing(int(kLogoSize));
    m_name->setObjectName(QStringLiteral("journalName"));
    // Journal names are the user's text: never read as markup.
    m_name->setTextFormat(Qt::PlainText);
    m_name->setFont(vsp::fonts::system(17, QFont::DemiBold));
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_name->setMinimumWidth(20);
    layout->addWidget(m_name, 1);
    // Room for the streak badge, painted by the header itself.
    layout->addSpacing(0);
    m_hide->setSymbol(QStringLiteral("sidebar.left"), 13);
    m_hide->setSide(26);
    m_hide->setToolTip(tr("Hide Sidebar"));
    m_hide->setAccessibleName(tr("Hide Sidebar"));
    layout->addWidget(m_hide);
    m_plus->setSymbol(QStringLiteral("plus"), 13);
    m_plus->setSide(26);
    m_plus->setSymbolColor([] { return Color::primaryStyle().resolve(); });
    m_plus->setGlass([this] {
        const vsp::Glass g = vsp::Glass::regular().makeInteractive();
        const qreal tint = plusTint();
        return tint > 0.001 ? g.tinted(Color::resolvedAccent(0.18 * tint)) : g;
    });
    connect(m_plusTint, &vsp::SpringValue::valueChanged, m_plus, [this](double t) {
        m_plus->setSymbolRotation(45.0 * t);
        m_plus->update();
    });
    m_plus->setAccessibleName(tr("New entry"));
    m_plus->setToolTip(tr("New entry — Ctrl+N writes one directly"));
    layout->addWidget(m_plus);

    connect(&settings, &AppSettings::journalNameChanged, this, &SidebarHeader::refreshName);
    vsp::setThemeColor(m_name, QPalette::WindowText, Color::primaryStyle());
    m_name->installEventFilter(this);
    refreshName();
    connect(&store, &JournalStore::entriesChanged, this, [this] { refreshStreak(true); });
    connect(m_badgePresence, &vsp::SpringValue::valueChanged, this, [this] {
        updateGeometry();
        update();
    });
    // The badge starts where it belongs: nothing has changed yet, so nothing moves.
    refreshStreak(false);
}

void SidebarHeader::refreshName()
{
    const QString name = m_settings.journalName();
    // One line: a long name ends in an ellipsis at the label's width.
    m_name->setText(QFontMetricsF(m_name->font()).elidedText(name, Qt::ElideRight, std::max(20, m_name->width())));
    m_name->setToolTip(vsp::plainToolTip(name));
    if (m_streak > 0) {
        placeBadge();
        update();
    }
}

bool SidebarHeader::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_name && event->type() == QEvent::Resize) {
        refreshName();
    }
    return QWidget::eventFilter(watched, event);
}

void SidebarHeader::setLauncherOpen(bool open, std::optional<vsp::Spring> spring)
{
    m_launcherOpen = open;
    // One value drives both the symbol's turn (0 to 45 degrees) and the glass's tint.
    const qreal target = open ? 1.0 : 0.0;
    if (spring && isVisible()) {
        m_plusTint->setSpring(*spring);
        m_plusTint->animateTo(target);
    } else {
        m_plusTint->setValue(target);
    }
}

qreal SidebarHeader::plusTint() const
{
    return std::clamp(m_plusTint->value(), 0.0, 1.0);
}

void SidebarHeader::refreshStreak(bool animate)
{
    const int streak = m_store.currentStreak();
    if (streak == m_streak) {
        return;
    }
    const bool appears = (streak > 0) != (m_streak > 0);
    m_streak = streak;
    placeBadge();
    // A new number in a badge already shown only redraws; the badge itself comes and goes.
    if (appears && animate && isVisible()) {
        m_badgePresence->animateTo(streak > 0 ? 1.0 : 0.0);
    } else if (appears) {
        m_badgePresence->setValue(streak > 0 ? 1.0 : 0.0);
    }
    update();
}

qreal SidebarHeader::badgeWidth(bool withFire) const
{
    const QString number = QString::number(std::max(m_streak, 1));
    return 7 + (withFire ? fireWidth() + 3 : 0) + QFontMetricsF(badgeFont()).horizontalAdvance(number) + 7;
}

void SidebarHeader::placeBadge()
{
    auto* layout = static_cast<QHBoxLayout*>(this->layout());
    QSpacerItem* spacer = layout->itemAt(2)->spacerItem();
    if (!spacer) {
        return;
    }
    int width = 0;
    if (m_streak > 0) {
        // The name and the spacer after it share what the logo and the buttons leave.
        const int shared = m_name->width() + spacer->geometry().width();
        const qreal name = QFontMetricsF(m_name->font()).horizontalAdvance(m_settings.journalName());
        const qreal room = shared - std::ceil(name);
        m_compactBadge = badgeWidth(true) > room;
        width = int(std::ceil(badgeWidth(!m_compactBadge)));
    }
    if (spacer->sizeHint().width() != width) {
        spacer->changeSize(width, 0);
        layout->invalidate();
    }
}

void SidebarHeader::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layout()->activate();
    placeBadge();
}

QRectF SidebarHeader::badgeRect() const
{
    const qreal w = badgeWidth(!m_compactBadge);
    const qreal h = 3 + QFontMetricsF(badgeFont()).height() + 3;
    const QRect name = m_name->geometry();
    return {name.left() + std::min<qreal>(name.width(), QFontMetricsF(m_name->font()).horizontalAdvance(m_name->text()))
                + 8,
            name.center().y() - h / 2 + 0.5, w, h};
}

void SidebarHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect name = m_name->geometry();
    vsp::paintVesperlogBookLogo(p, QPointF(12, name.center().y() - kLogoSize / 2 + 0.5), kLogoSize);

    const qreal presence = m_badgePresence->value();
    if (m_streak <= 0 && presence <= 0.001) {
        return;
    }
    const QRectF badge = badgeRect();
    p.save();
    p.translate(badge.center());
    p.scale(std::max(presence, 0.00001), std::max(presence, 0.00001));
    p.translate(-badge.center());
    p.setOpacity(presence);
    vsp::paintGlass(p, badge, vsp::Glass::regular().tinted(Color::resolvedAccent(0.14)), vsp::GlassShape::Capsule, 0);
    qreal numberLeft = badge.left() + 7;
    if (!m_compactBadge) {
        p.drawPixmap(QPointF(numberLeft, badge.top()), firePicture(badge.height()));
        numberLeft += fireWidth() + 3;
    }
    p.setFont(badgeFont());
    p.setPen(Color::resolvedAccentText().resolve());
    p.drawText(QRectF(numberLeft, badge.top(), badge.width(), badge.height()), Qt::AlignLeft | Qt::AlignVCenter,
               QString::number(std::max(m_streak, 1)));
    p.restore();
}

QPixmap SidebarHeader::firePicture(qreal height)
{
    const qreal dpr = devicePixelRatioF();
    const QSizeF size(fireWidth(), height);
    // The colour matters only where no colour-emoji font draws the fire.
    const QColor color = Color::primaryStyle().resolve();
    if (m_fire.isNull() || m_fire.devicePixelRatio() != dpr || m_fireSize != size || m_fireColor != color) {
        m_fireColor = color;
        m_fireSize = size;
        // Drawn once: decoding the emoji's bitmap at every paint costs more than the rest of the header.
        QImage image((size * dpr).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setFont(vsp::fonts::system(10));
        p.setPen(color);
        p.drawText(QRectF(QPointF(0, 0), size), Qt::AlignCenter, fireEmoji());
        p.end();
        m_fire = QPixmap::fromImage(std::move(image));
    }
    return m_fire;
}

LauncherOptionRow::LauncherOptionRow(const QString& symbol, const QString& title, const QString& subtitle,
                                     QWidget* parent)
    : QWidget(parent),
      m_symbol(symbol),
      m_title(title),
      m_subtitle(subtitle),
      m_hover(new vsp::SpringValue(0, vsp::Spring{0.15, 1.0}, this))
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
    setFixedHeight(6 + 32 + 6);
    connect(m_hover, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    vsp::makeKeyboardControl(
        this, [this] { Q_EMIT clicked(); }, 10, QMarginsF(0, 0, 0, 0));
}

void LauncherOptionRow::setEntrance(qreal value)
{
    m_entrance = value;
    update();
    Q_EMIT entranceChanged();
}

void LauncherOptionRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(std::clamp(m_entrance, 0.0, 1.0));
    p.translate(14 * (1 - m_entrance), 0);
    const QRectF r(rect());
    if (m_hover->value() > 0.001) {
        QPainterPath bg;
        bg.addRoundedRect(r, 10, 10);
        p.fillPath(bg, Color::primaryStyle().withOpacity(0.06 * m_hover->value()).resolve());
    }
    const QRectF tile(r.left() + 8, r.top() + 6, 32, 32);
    QPainterPath tilePath;
    tilePath.addRoundedRect(tile, 9, 9);
    p.fillPath(tilePath, Color::resolvedAccent(0.14).resolve());
    vsp::symbols::paint(p, m_symbol, tile.adjusted(9, 9, -9, -9), Color::resolvedAccentText().resolve());
    const QFont titleFont = vsp::fonts::system(12, QFont::Medium);
    const QFont subFont = vsp::fonts::system(10);
    const qreal textLeft = tile.right() + 12;
    const qreal th = QFontMetricsF(titleFont).height();
    const qreal sh = QFontMetricsF(subFont).height();
    const qreal top = r.center().y() - (th + 1 + sh) / 2;
    p.setFont(titleFont);
    p.setPen(Color::primaryStyle().resolve());
    p.drawText(QRectF(textLeft, top, r.right() - textLeft - 8, th), Qt::AlignLeft | Qt::AlignVCenter, m_title);
    p.setFont(subFont);
    p.setPen(Color::secondaryStyle().resolve());
    p.drawText(QRectF(textLeft, top + th + 1, r.right() - textLeft - 8, sh), Qt::AlignLeft | Qt::AlignVCenter,
               m_subtitle);
}

void LauncherOptionRow::enterEvent(QEnterEvent*)
{
    m_hover->animateTo(1);
}

void LauncherOptionRow::leaveEvent(QEvent*)
{
    m_hover->animateTo(0);
}

void LauncherOptionRow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Q_EMIT clicked();
    }
}

ComposeLauncherPanel::ComposeLauncherPanel(JournalStore& store, vsp::OpenWindowAction openWindow, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_openWindow(std::move(openWindow)),
      m_newEntry(new LauncherOptionRow(QStringLiteral("square.and.pencil"), tr("New Entry"), tr("Start fresh"), this)),
      m_continueDraft(new LauncherOptionRow(QStringLiteral("doc.text"), tr("Continue Draft"),
                                            tr("Resume where you left off"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(QMargins(8, 8, 8, 8) + kShadowMargins);
    layout->setSpacing(2);
    layout->addWidget(m_newEntry);
    layout->addWidget(m_continueDraft);
    setFixedWidth(kWidth + kShadowMargins.left() + kShadowMargins.right());
    connect(m_newEntry, &LauncherOptionRow::clicked, this, [this] { launch(false); });
    connect(m_continueDraft, &LauncherOptionRow::clicked, this, [this] { launch(true); });
    connect(m_newEntry, &LauncherOptionRow::entranceChanged, this, &ComposeLauncherPanel::entranceMoved);
    connect(m_continueDraft, &LauncherOptionRow::entranceChanged, this, &ComposeLauncherPanel::entranceMoved);
}

void ComposeLauncherPanel::present()
{
    m_hasDraft = vsp::compose::hasDraft();
    m_continueDraft->setVisible(m_hasDraft);
    adjustSize();
    setFixedHeight(sizeHint().height());
    const std::pair<LauncherOptionRow*, int> stages[] = {{m_newEntry, 50}, {m_continueDraft, 120}};
    for (const auto& [row, delay] : stages) {
        if (!vsp::animationsEnabled()) {
            row->setEntrance(1);
            continue;
        }
        row->setEntrance(0);
        QTimer::singleShot(delay, row, [row] { vsp::animateProperty(row, "entrance", 1.0, kLauncherSpring); });
    }
}

void ComposeLauncherPanel::launch(bool restoreDraft)
{
    m_store.setRestoreDraftOnCompose(restoreDraft);
    Q_EMIT closeRequested();
    if (m_openWindow) {
        m_openWindow(vsp::composeWindowID());
    }
}

void ComposeLauncherPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (size().isEmpty()) {
        // Not laid out yet: nothing to cast a shadow.
        m_shadow = QPixmap();
        return;
    }
    // Drawn once per size, not per frame: the blur is the costly part.
    QImage shape(size(), QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter p(&shape);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(panelRect()).translated(0, 10), 16, 16);
        p.fillPath(path, QColor(0, 0, 0, int(0.35 * 255)));
    }
    m_shadow = vsp::motion::blurred(QPixmap::fromImage(shape), 11);
}

void ComposeLauncherPanel::mousePressEvent(QMouseEvent* event)
{
    if (!panelRect().contains(event->position().toPoint())) {
        Q_EMIT pressedOutside();
    }
    event->accept();
}

void ComposeLauncherPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawPixmap(0, 0, m_shadow);
    const QRectF r = QRectF(panelRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    // An opaque base under the glass: the panel floats over the sidebar's rows.
    QPainterPath path;
    path.addRoundedRect(r, 16, 16);
    p.fillPath(path, Color::vspSurface().resolve());
    vsp::paintGlass(p, r, vsp::Glass::regular(), vsp::GlassShape::RoundedRect, 16);
}
