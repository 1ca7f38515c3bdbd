#include "Widgets/EntryActions.h"

#include "Model/EntryText.h"
#include "Model/JournalStore.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

void copyToClipboard(const QString& text)
{
    // A fresh mime data object holds the one text and nothing else that was on the clipboard before.
    auto* data = new QMimeData;
    data->setText(text);
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace

EntryActions::EntryActions(JournalStore& store, QObject* parent) : QObject(parent), m_store(store)
{
    setObjectName(QStringLiteral("entryActions"));
    connect(&store, &JournalStore::isLockedChanged, this, &EntryActions::refreshEnabled);
}

EntryActions& EntryActions::of(JournalStore& store)
{
    if (auto* actions = store.findChild<EntryActions*>(QStringLiteral("entryActions"), Qt::FindDirectChildrenOnly)) {
        return *actions;
    }
    return *new EntryActions(store, &store);
}

bool EntryActions::enabled() const
{
    return !m_store.isLocked();
}

bool EntryActions::run(Command command, const QUuid& id)
{
    const JournalEntry* stored = m_store.entry(id);
    if (!enabled() || !stored) {
        return false;
    }
    // A copy: the operations below change or remove the stored entry.
    const JournalEntry entry = *stored;
    switch (command) {
    case Command::TogglePin: m_store.togglePin(entry); break;
    case Command::ToggleFavorite: m_store.toggleFavorite(entry); break;
    case Command::ToggleArchive: m_store.toggleArchive(entry); break;
    case Command::Duplicate: m_store.duplicateEntry(entry); break;
    case Command::CopyPlainText: copyToClipboard(vsp::entryPlainText(entry)); break;
    case Command::CopyMarkdown: copyToClipboard(vsp::entryMarkdown(entry)); break;
    case Command::MoveToTrash: m_store.deleteEntry(entry); break;
    }
    return true;
}

void EntryActions::bind(QAction* action, Command command, const QUuid& id)
{
    bind(action, command, [id]() -> std::optional<QUuid> { return id; });
}

void EntryActions::bind(QAction* action, Command command, Target target)
{
    guard(action);
    connect(action, &QAction::triggered, this, [this, command, target = std::move(target)] {
        if (const std::optional<QUuid> id = target()) {
            run(command, *id);
        }
    });
}

void EntryActions::guard(QAction* action, std::function<bool()> condition)
{
    m_guarded.append({action, std::move(condition)});
    refreshEnabled();
}

EntryActions::Target EntryActions::selection() const
{
    return [this] { return m_store.selectedEntryID(); };
}

void EntryActions::refreshEnabled()
{
    m_guarded.removeIf([](const Guarded& g) { return !g.action; });
    for (const Guarded& g : std::as_const(m_guarded)) {
        g.action->setEnabled(enabled() && (!g.condition || g.condition()));
    }
}
