#include "Views/Main/EmptyDetailView.h"

#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

using vsp::Color;

EmptyDetailView::EmptyDetailView(JournalStore& store, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_appeared(new vsp::SpringValue(0.0, vsp::Spring{0.5, 1.0}, this))
{
    connect(m_appeared, &vsp::SpringValue::valueChanged, this, qOverload<>(&QWidget::update));
    connect(&store, &JournalStore::entriesChanged, this, qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, qOverload<>(&QWidget::update));
}

QString EmptyDetailView::title() const
{
    return m_store.entries().isEmpty() ? QStringLiteral("Your journal awaits") : QStringLiteral("Select an entry");
}

QString EmptyDetailView::hint() const
{
    return m_store.entries().isEmpty() ? QStringLiteral("Press Ctrl+N to write your first entry")
                                       : QStringLiteral("Pick something from the list, or press Ctrl+N");
}

qreal EmptyDetailView::appeared() const
{
    return m_appeared->value();
}

void EmptyDetailView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // It grows in only when it takes an entry's place in a window already on screen. Shown with its
    // window (start-up, the window opened again, restored) nothing changed in the column: it is at rest.
    const QWindow* handle = window()->windowHandle();
    const bool onScreen = handle && handle->isExposed();
    if (event->spontaneous() || !onScreen || !vsp::animationsEnabled()) {
        m_appeared->setValue(1.0);
        return;
    }
    m_appeared->setValue(0.0);
    QTimer::singleShot(80, m_appeared, [this] { m_appeared->animateTo(1.0); });
}

void EmptyDetailView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(rect(), Color::vspBackground().resolve());
    const qreal t = m_appeared->value();
    const QFont titleFont = vsp::fonts::system(16, QFont::Medium);
    const QFont hintFont = vsp::fonts::system(12);
    const QFontMetricsF tm(titleFont);
    const QFontMetricsF hm(hintFont);
    const qreal textBlock = tm.height() + 6 + hm.height();
    const qreal total = 76 + 18 + textBlock;
    qreal y = (height() - total) / 2;

    // Icon: grows from 85 % and fades in.
    p.save();
    const QRectF box(width() / 2.0 - 38, y, 76, 76);
    const qreal scale = 0.85 + 0.15 * t;
    p.translate(box.center());
    p.scale(scale, scale);
    p.translate(-box.center());
    p.setOpacity(t);
    vsp::paintGlass(p, box, vsp::Glass::regular().tinted(Color::resolvedAccent(0.1)), vsp::GlassShape::RoundedRect, 22);
    QColor iconColor = Color::resolvedAccent(1.0).resolve();
    iconColor.setAlphaF(0.55f);
    vsp::symbols::paint(p, u"text.alignleft", QRectF(box.center().x() - 18, box.center().y() - 18, 36, 36), iconColor);
    p.restore();

    // Texts: fade in and rise by 8.
    y += 76 + 18 + 8 * (1 - t);
    p.setOpacity(t);
    p.setFont(titleFont);
    p.setPen(Color::primaryStyle().resolve());
    p.drawText(QRectF(16, y, width() - 32, tm.height()), Qt::AlignHCenter | Qt::AlignTop, title());
    y += tm.height() + 6;
    p.setFont(hintFont);
    p.setPen(Color::secondaryStyle().resolve());
    p.drawText(QRectF(16, y, width() - 32, hm.height() * 3), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
               hint());
}
