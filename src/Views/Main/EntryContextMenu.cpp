#include "Views/Main/EntryContextMenu.h"

#include "Model/JournalStore.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Widgets/EntryActions.h"

#include <QMenu>

using vsp::Color;

namespace EntryContextMenu {

QMenu* build(JournalStore& store, const JournalEntry& entry, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const QColor iconColor = Color::primaryStyle().resolve();
    // The labels follow the stored entry when it still exists: the row's copy may be a moment old. The
    // commands read it again when they run.
    const JournalEntry* stored = store.entry(entry.id);
    const JournalEntry& current = stored ? *stored : entry;
    const QUuid id = current.id;
    EntryActions& actions = EntryActions::of(store);
    auto add = [&](const QString& text, const char16_t* symbol, EntryActions::Command command) {
        QAction* a = menu->addAction(vsp::symbols::icon(QStringView(symbol), iconColor), text);
        actions.bind(a, command, id);
        return a;
    };
    using Command = EntryActions::Command;
    const bool pinned = store.pinnedIDs().contains(id);
    add(pinned ? QObject::tr("Unpin Entry") : QObject::tr("Pin Entry"), pinned ? u"pin.slash" : u"pin",
        Command::TogglePin);
    add(current.isFavorite ? QObject::tr("Remove from Favorites") : QObject::tr("Add to Favorites"),
        current.isFavorite ? u"star.slash" : u"star", Command::ToggleFavorite);
    add(current.isArchived ? QObject::tr("Unarchive") : QObject::tr("Archive"),
        current.isArchived ? u"tray.and.arrow.up" : u"archivebox", Command::ToggleArchive);
    add(QObject::tr("Duplicate Entry"), u"doc.on.doc", Command::Duplicate);
    menu->addSeparator();
    add(QObject::tr("Copy as Plain Text"), u"doc.on.clipboard", Command::CopyPlainText);
    add(QObject::tr("Copy as Markdown"), u"doc.text", Command::CopyMarkdown);
    menu->addSeparator();
    QAction* remove = add(QObject::tr("Delete Entry"), u"trash", Command::MoveToTrash);
    remove->setIcon(vsp::symbols::icon(u"trash", QColor(0xFF, 0x45, 0x3A)));
    remove->setObjectName(QStringLiteral("destructive"));
    return menu;
}

} // namespace EntryContextMenu
