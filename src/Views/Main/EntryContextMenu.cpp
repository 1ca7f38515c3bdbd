#include "Views/Main/EntryContextMenu.h"

#include "Model/EntryText.h"
#include "Model/JournalStore.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Widgets/EntryRow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>

using vsp::Color;

namespace EntryContextMenu {

void copyToClipboard(const QString& text)
{
    // A fresh mime data object holds the one text and nothing else that was on the clipboard before.
    auto* data = new QMimeData;
    data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data);
}

QMenu* build(JournalStore& store, const JournalEntry& entry, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const QColor iconColor = Color::primaryStyle().resolve();
    // Act on the stored entry when it still exists: the row's copy may be a moment old.
    const JournalEntry* stored = store.entry(entry.id);
    const JournalEntry current = stored ? *stored : entry;
    const QUuid id = current.id;
    auto act = [&store, id, current](void (JournalStore::*op)(const JournalEntry&)) {
        return [&store, id, current, op] {
            const JournalEntry* now = store.entry(id);
            (store.*op)(now ? *now : current);
        };
    };
    auto add = [&](const QString& text, const char16_t* symbol, std::function<void()> action) {
        QAction* a = menu->addAction(vsp::symbols::icon(QStringView(symbol), iconColor), text);
        QObject::connect(a, &QAction::triggered, menu, std::move(action));
        return a;
    };
    const bool pinned = store.pinnedIDs().contains(id);
    add(pinned ? QObject::tr("Unpin Entry") : QObject::tr("Pin Entry"), pinned ? u"pin.slash" : u"pin",
        act(&JournalStore::togglePin));
    add(current.isFavorite ? QObject::tr("Remove from Favorites") : QObject::tr("Add to Favorites"),
        current.isFavorite ? u"star.slash" : u"star", act(&JournalStore::toggleFavorite));
    add(current.isArchived ? QObject::tr("Unarchive") : QObject::tr("Archive"),
        current.isArchived ? u"tray.and.arrow.up" : u"archivebox", act(&JournalStore::toggleArchive));
    add(QObject::tr("Duplicate Entry"), u"doc.on.doc", act(&JournalStore::duplicateEntry));
    menu->addSeparator();
    add(QObject::tr("Copy as Plain Text"), u"doc.on.clipboard",
        [current] { copyToClipboard(vsp::entryPlainText(current)); });
    add(QObject::tr("Copy as Markdown"), u"doc.text", [current] { copyToClipboard(vsp::entryMarkdown(current)); });
    menu->addSeparator();
    QAction* remove = add(QObject::tr("Delete Entry"), u"trash", act(&JournalStore::deleteEntry));
    remove->setIcon(vsp::symbols::icon(u"trash", QColor(0xFF, 0x45, 0x3A)));
    remove->setObjectName(QStringLiteral("destructive"));
    return menu;
}

} // namespace EntryContextMenu
