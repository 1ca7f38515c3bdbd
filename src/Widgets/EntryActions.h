#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include <functional>
#include <optional>

class JournalStore;
class QAction;

/// The commands that act on one entry, for every menu that offers them: the detail's menu, an entry
/// row's context menu and the application's Entry menu. A menu makes its own items (labels, icons,
/// shortcuts, order) and binds each to a command here. A command names its entry by id and reads it
/// from the store when it runs, so a menu built a moment ago never acts on an old copy of the entry,
/// and it changes the journal only through the store's operation for it.
///
/// While the journal is locked every bound item is disabled and no command runs: this is the one place
/// that decides it.
class EntryActions final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EntryActions)

public:
    enum class Command {
        TogglePin,
        ToggleFavorite,
        ToggleArchive,
        Duplicate,
        CopyPlainText,
        CopyMarkdown,
        /// Moves the entry to the trash at once, without a question.
        MoveToTrash,
    };
    /// The entry a bound item acts on, asked when it is triggered; nothing for none.
    using Target = std::function<std::optional<QUuid>()>;

    explicit EntryActions(JournalStore& store, QObject* parent = nullptr);

    /// The store's one action set, made on first use; it lives as long as the store.
    static EntryActions& of(JournalStore& store);

    /// Whether entry commands may run now: false while the journal is locked.
    bool enabled() const;

    /// Runs `command` on the stored entry `id`. Returns false, changing nothing, when the journal is
    /// locked or no entry has that id (any more).
    bool run(Command command, const QUuid& id);

    /// Makes `action` run `command` on the entry `id` when triggered, and follow the lock.
    void bind(QAction* action, Command command, const QUuid& id);
    /// The same for the entry `target` names when the action is triggered.
    void bind(QAction* action, Command command, Target target);
    /// Makes `action`, which acts on the journal in a way of its own, follow the lock; with `condition`,
    /// it is enabled only while that holds too.
    void guard(QAction* action, std::function<bool()> condition = {});

    /// The selected entry's id, for the commands that act on the selection.
    Target selection() const;

private:
    void refreshEnabled();

    JournalStore& m_store;
    struct Guarded {
        QPointer<QAction> action;
        std::function<bool()> condition;
    };
    QList<Guarded> m_guarded;
};
