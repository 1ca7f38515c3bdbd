#include "App/QuickCapture.h"

#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Views/Sidebar/VesperlogMark.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using vsp::Color;

QuickCapturePanel::QuickCapturePanel(JournalStore& store, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_store(store),
      m_text(new QPlainTextEdit(this)),
      m_save(new QPushButton(tr("Save"), this))
{
    setObjectName(QStringLiteral("quickCapture"));
    setWindowTitle(tr("Quick Capture"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(340, 220);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(8);
    auto* caption = new QLabel(tr("Quick Capture"), this);
    caption->setFont(vsp::fonts::system(13, QFont::DemiBold));
    layout->addWidget(caption);
    m_text->setPlaceholderText(tr("Capture a thought…"));
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setFont(vsp::fonts::system(13));
    layout->addWidget(m_text, 1);
    m_save->setToolTip(tr("Save (Ctrl+Return)"));
    layout->addWidget(m_save, 0, Qt::AlignRight);
    connect(m_save, &QPushButton::clicked, this, &QuickCapturePanel::save);
    connect(m_text, &QPlainTextEdit::textChanged, this,
            [this] { m_save->setEnabled(!m_text->toPlainText().trimmed().isEmpty()); });
    m_save->setEnabled(false);
    // The panel may show without becoming the active window (a tray popup), where window shortcuts do
    // not reach it: the text field handles its keys itself.
    m_text->installEventFilter(this);
}

bool QuickCapturePanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && (key->modifiers() & Qt::ControlModifier)) {
            save();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void QuickCapturePanel::present(const QRect& anchor)
{
    QScreen* screen = anchor.isEmpty() ? QGuiApplication::primaryScreen() : QGuiApplication::screenAt(anchor.center());
    if (!screen) {
        screen = QGuiApplication::primaryScreen();
    }
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    QPoint topLeft;
    if (anchor.isEmpty()) {
        topLeft = area.center() - QPoint(width() / 2, height() / 2);
    } else {
        // Below the icon when it sits at the top of the screen, above it otherwise.
        const bool top = anchor.center().y() < area.center().y();
        topLeft = QPoint(anchor.center().x() - width() / 2, top ? anchor.bottom() + 6 : anchor.top() - height() - 6);
    }
    topLeft.setX(std::clamp(topLeft.x(), area.left(), area.right() - width()));
    topLeft.setY(std::clamp(topLeft.y(), area.top(), area.bottom() - height()));
    move(topLeft);
    show();
    raise();
    activateWindow();
    m_text->setFocus();
}

void QuickCapturePanel::save()
{
    const QString text = m_text->toPlainText().trimmed();
    if (text.isEmpty()) {
        return;
    }
    JournalEntry entry = JournalEntry::create();
    entry.title = text.section(u'\n', 0, 0).left(80);
    entry.body = text;
    m_store.addNewEntry(entry, {}, {});
    m_text->clear();
    close();
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
    QPainterPath path;
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    path.addRoundedRect(r, 14, 14);
    p.fillPath(path, Color::vspSurface().resolve());
    vsp::paintGlass(p, QRectF(rect()), vsp::Glass::regular(), vsp::GlassShape::RoundedRect, 14);
}
