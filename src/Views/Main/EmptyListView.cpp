#include "Views/Main/EmptyListView.h"

#include "Model/JournalStore.h"
#include "Model/MoodStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"

#include <QFontMetricsF>
#include <QPainter>

using vsp::Color;

EmptyListView::EmptyListView(JournalStore& store, MoodStore& moodStore, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_moodStore(moodStore)
{
    connect(&store, &JournalStore::navigationChanged, this, qOverload<>(&QWidget::update));
    connect(&moodStore, &MoodStore::moodsChanged, this, qOverload<>(&QWidget::update));
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
}

QString EmptyListView::message() const
{
    if (!m_store.searchQuery().isEmpty()) {
        return QStringLiteral("No results for \"") + m_store.searchQuery() + u'"';
    }
    if (const auto mood = m_store.moodFilter()) {
        return QStringLiteral("No ") + m_moodStore.label(*mood).toLower() + QStringLiteral(" entries");
    }
    if (const auto tag = m_store.selectedTag()) {
        return QStringLiteral("No entries tagged #") + *tag;
    }
    switch (m_store.selectedSection()) {
    case NavSection::Favorites: return QStringLiteral("No favorites yet");
    case NavSection::Today: return QStringLiteral("Nothing written today");
    default: return QStringLiteral("No entries");
    }
}

QString EmptyListView::icon() const
{
    if (!m_store.searchQuery().isEmpty()) {
        return QStringLiteral("magnifyingglass");
    }
    if (m_store.moodFilter()) {
        return QStringLiteral("face.smiling");
    }
    if (m_store.selectedTag()) {
        return QStringLiteral("tag");
    }
    switch (m_store.selectedSection()) {
    case NavSection::Favorites: return QStringLiteral("star");
    case NavSection::Today: return QStringLiteral("sun.max");
    default: return QStringLiteral("doc.text");
    }
}

bool EmptyListView::showsHint() const
{
    return m_store.searchQuery().isEmpty() && !m_store.selectedTag();
}

QString EmptyListView::hintText()
{
    return QStringLiteral("Press Ctrl+N to add one");
}

void EmptyListView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QFont messageFont = vsp::fonts::system(13, QFont::Medium);
    const QFont hintFont = vsp::fonts::system(11);
    const QFontMetricsF mm(messageFont);
    const QFontMetricsF hm(hintFont);
    const bool hint = showsHint();
    const qreal block = 60 + 14 + mm.height() + (hint ? 4 + hm.height() : 0);
    qreal y = (height() - block) / 2;
    const QRectF circle(width() / 2.0 - 30, y, 60, 60);
    vsp::paintGlass(p, circle, vsp::Glass::regular(), vsp::GlassShape::Circle, 0);
    const QRectF symbol(circle.center().x() - 14, circle.center().y() - 14, 28, 28);
    vsp::symbols::paint(p, icon(), symbol, Color::tertiaryStyle().resolve());
    y += 60 + 14;
    p.setFont(messageFont);
    p.setPen(Color::secondaryStyle().resolve());
    const QRectF messageRect(12, y, width() - 24, mm.height());
    p.drawText(messageRect, Qt::AlignHCenter | Qt::AlignTop,
               mm.elidedText(message(), Qt::ElideMiddle, messageRect.width()));
    y += mm.height();
    if (hint) {
        y += 4;
        p.setFont(hintFont);
        p.setPen(Color::tertiaryStyle().resolve());
        p.drawText(QRectF(12, y, width() - 24, hm.height()), Qt::AlignHCenter | Qt::AlignTop, hintText());
    }
}
