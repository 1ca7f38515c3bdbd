#pragma once

class QUuid;
struct JournalEntry;

/// Where the store keeps each entry's expiration reminder in step with the entry. The local
/// notifications implement it; tests record the calls.
class ReminderScheduler {
public:
    virtual ~ReminderScheduler() = default;
    /// Replaces the entry's reminder when it has an expiration date; does nothing when it has none.
    virtual void scheduleExpiration(const JournalEntry& entry) = 0;
    /// Removes the pending reminder of that entry, if any.
    virtual void cancelExpiration(const QUuid& id) = 0;
};
