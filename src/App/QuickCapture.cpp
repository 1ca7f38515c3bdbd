#include "App/QuickCapture.h"

#include "App/QuickCaptureView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Widgets/VesperlogMark.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

using vsp::Color;

namespace {

constexpr qreal kCornerRadius = 14;
/// A tray click this soon after the panel hid because of it only closes the panel.
constexpr qint64 kToggleGraceMs = 300;

} // namespace

QuickCapturePanel::QuickCapturePanel(JournalStore& store, AppSettings& settings, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_view(new QuickCaptureView(store, settings, this))
{
    setObjectName(QStringLiteral("quickCapture"));
    setWindowTitle(tr("Quick Capture"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The panel grows and shrinks with its content (voice notes, the kept-recordings note).
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_view);
    connect(m_view, &QuickCaptureView::dismissRequested, this, &QWidget::hide);
    connect(m_view, &QuickCaptureView::unlockRequested, this, [this] {
        hide();
        Q_EMIT unlockRequested();
    });
}

void QuickCapturePanel::present(const QRect& anchor)
{
    m_anchor = anchor;
    ++m_presentations;
    adjustSize();
    place();
    show();
    raise();
    activateWindow();
    m_view->focusTitle();
}

void QuickCapturePanel::toggle(const QRect& anchor)
{
    if (isVisible()) {
        hide();
        return;
    }
    if (m_sinceFocusLeft.isValid() && m_sinceFocusLeft.elapsed() < kToggleGraceMs) {
        return;
    }
    present(anchor);
}

void QuickCapturePanel::place()
{
    QScreen* screen =
        m_anchor.isEmpty() ? QGuiApplication::primaryScreen() : QGuiApplication::screenAt(m_anchor.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    QPoint topLeft;
    if (m_anchor.isEmpty()) {
        topLeft = area.center() - QPoint(width() / 2, height() / 2);
    } else {
        const bool top = m_anchor.center().y() < area.center().y();
        topLeft =
            QPoint(m_anchor.center().x() - width() / 2, top ? m_anchor.bottom() + 6 : m_anchor.top() - height() - 6);
    }
    topLeft.setX(std::clamp(topLeft.x(), area.left(), std::max(area.left(), area.right() - width())));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    move(topLeft);
}

void QuickCapturePanel::hideAfterFocusLeft()
{
    if (!isVisible() || isActiveWindow()) {
        return;
    }
    // A dialog the panel opened (the microphone question) keeps it up.
    for (QWidget* active = QApplication::activeWindow(); active; active = active->parentWidget()) {
        if (active == this) {
            return;
        }
    }
    m_sinceFocusLeft.start();
    hide();
}

bool QuickCapturePanel::event(QEvent* event)
{
    if (event->type() == QEvent::WindowDeactivate && isVisible()) {
        // Like a menu: it goes away when the user turns to something else. Looked at once the new
        // window is active, unless the panel was hidden and shown again meanwhile.
        const int presentation = m_presentations;
        QTimer::singleShot(0, this, [this, presentation] {
            if (presentation == m_presentations) {
                hideAfterFocusLeft();
            }
        });
    }
    return QWidget::event(event);
}

void QuickCapturePanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QuickCapturePanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // Rounded by a mask, not by a translucent window: without a compositor (plain X11 desktops) the
    // clear corners of a translucent window show black.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
    // Growing above a tray at the bottom of the screen must not push the panel over the icon.
    if (isVisible()) {
        place();
    }
}

QIcon QuickCapturePanel::trayIcon()
{
    // The panel's colours are not known on Linux: its text is taken to be dark on a desktop that prefers
    // light and light otherwise (most panels are dark), and the mark's rim in the opposite lightness keeps
    // it visible when the guess is wrong.
    const bool lightPanel = AppearanceManager::instance().desktopScheme() == AppearanceManager::DesktopScheme::Light;
    const QColor panelText = lightPanel ? QColor(0x1F, 0x1F, 0x1F) : QColor(0xF2, 0xF2, 0xF2);
    const QImage image = vsp::renderTrayMark(16, 2.0, panelText);
    if (!image.isNull()) {
        return QIcon(QPixmap::fromImage(image));
    }
    return vsp::symbols::icon(u"book.closed.fill", panelText);
}

void QuickCapturePanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF panel(rect());
    // An opaque ground under the glass, to the mask's edge: nothing behind the window shows through.
    p.fillRect(panel, Color::vspSurface().resolve());
    vsp::paintGlass(p, panel, vsp::Glass::regular(), vsp::GlassShape::RoundedRect, kCornerRadius);
}
