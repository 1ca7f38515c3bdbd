#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

/// A release the update feed offers.
struct UpdateRelease {
    QString version;
    QString notes;
    bool operator==(const UpdateRelease&) const = default;
};

/// The self-updater's state: its phase and the release found, if any. This first version has no update
/// feed yet: a check always ends "up to date". Created once by the application. Main thread only.
class Updater final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Updater)
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)

public:
    enum class Phase { Idle, Checking, Current, Found, Downloading, Installing, Manual, Failed };
    Q_ENUM(Phase)

    /// Phase idle, no release known.
    explicit Updater(QObject* parent = nullptr);

    Phase phase() const { return m_phase; }
    /// The newer release found by the last check, if any.
    std::optional<UpdateRelease> available() const { return m_available; }
    /// When the last check finished, in this run; nothing before the first.
    std::optional<QDateTime> lastCheck() const { return m_lastCheck; }
    /// A short sentence describing the phase, for the update sheet.
    QString statusText() const;

    /// The quiet check at launch: does nothing when `enabled` is false; otherwise checks without any
    /// interface. Never fails visibly.
    void checkQuietly(bool enabled);
    /// Before the update sheet is shown: in the idle, current, manual or failed phase, starts a check
    /// when no release is known, else shows the known release (phase found). Does nothing while
    /// checking, downloading or installing.
    void open();
    /// When the update sheet closes: back to idle unless a download or installation runs.
    void dismiss();

    /// Number of checks started so far (quiet and manual).
    int checkCount() const { return m_checkCount; }

Q_SIGNALS:
    void phaseChanged();
    void availableChanged();

private:
    void setPhase(Phase phase);
    void startCheck();

    Phase m_phase = Phase::Idle;
    std::optional<UpdateRelease> m_available;
    std::optional<QDateTime> m_lastCheck;
    int m_checkCount = 0;
};
