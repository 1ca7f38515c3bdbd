#include "Views/Main/SearchField.h"

#include "Model/JournalStore.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/SymbolIcons.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

using vsp::Color;

SearchField::SearchField(JournalStore& store, QWidget* parent)
    : vsp::GlassPanel(parent),
      m_store(store),
      m_edit(new QLineEdit(this)),
      m_clear(new vsp::GlassButton(this))
{
    setShape(vsp::GlassShape::RoundedRect, 10);
    setFixedHeight(36);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 0, 12, 0);
    layout->setSpacing(8);
    auto* icon = new QLabel(this);
    icon->setFixedSize(11, 11);
    auto paintIcon = [icon] {
        icon->setPixmap(
            vsp::symbols::pixmap(u"magnifyingglass", Color::secondaryStyle().resolve(), 11, icon->devicePixelRatioF()));
    };
    paintIcon();
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, icon, paintIcon);
    layout->addWidget(icon);

    m_edit->setFrame(false);
    m_edit->setFont(vsp::fonts::system(13));
    m_edit->setPlaceholderText(tr("Search entries…"));
    m_edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    m_edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; }"));
    m_edit->setAccessibleName(tr("Search entries"));
    // The field has no frame of its own: the ring traces the glass box's edge (its holder leaves no room
    // outside it).
    vsp::setFocusRing(m_edit, 10, QMarginsF(0, 0, 0, 0), this);
    layout->addWidget(m_edit, 1);

    m_clear->setObjectName(QStringLiteral("clearSearch"));
    m_clear->setSymbol(QStringLiteral("xmark.circle.fill"), 11);
    m_clear->setSide(18);
    m_clear->setGlass([] { return vsp::Glass::clear(); });
    m_clear->setShape(vsp::GlassShape::Circle);
    m_clear->setToolTip(tr("Clear search"));
    m_clear->setAccessibleName(tr("Clear search"));
    layout->addWidget(m_clear);

    m_edit->installEventFilter(this);
    connect(m_edit, &QLineEdit::textEdited, this, [this](const QString& text) { m_store.setSearchQuery(text); });
    connect(m_clear, &QAbstractButton::clicked, this, [this] { m_store.setSearchQuery(QString()); });
    connect(&store, &JournalStore::navigationChanged, this, &SearchField::syncFromStore);
    syncFromStore();
}

void SearchField::syncFromStore()
{
    const QString query = m_store.searchQuery();
    if (m_edit->text() != query) {
        m_edit->setText(query);
    }
    m_clear->setVisible(!query.isEmpty());
}

void SearchField::showEvent(QShowEvent* event)
{
    vsp::GlassPanel::showEvent(event);
    m_edit->setFocus(Qt::OtherFocusReason);
}

bool SearchField::eventFilter(QObject* watched, QEvent* event)
{
    // Ctrl+K deletes to the end of the line in text fields here; in the search field it must still reach
    // "Toggle Search", which closes the field.
    if (watched == m_edit && event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_K && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            event->ignore();
            return true;
        }
        // Escape belongs to the field while it has the focus, not to a window's shortcut.
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Down && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Q_EMIT downFromField();
            return true;
        }
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            if (m_edit->text().isEmpty()) {
                Q_EMIT closeRequested();
            } else {
                m_store.setSearchQuery(QString());
            }
            return true;
        }
    }
    return vsp::GlassPanel::eventFilter(watched, event);
}
