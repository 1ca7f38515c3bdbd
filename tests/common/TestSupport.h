#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class JournalStore;

namespace vsp::test {

/// Points HOME, the XDG folders and the runtime folder at a fresh temporary folder and selects the
/// offscreen platform, so no test touches the real home. Call first thing in main(), before any
/// QCoreApplication or QSettings exists.
void isolateEnvironment();

/// The temporary home made by isolateEnvironment().
QString testHome();

/// Removes everything under the data, config, state and documents folders of the test home and
/// forgets the settings, so each test function starts from a first launch.
void resetUserFolders();

/// Starts a private session bus in `daemon` (dbus-daemon --session) and returns its address; empty when
/// dbus-daemon cannot be started or reports no address within 5 s. Tests that stand in for desktop
/// services use it, so they never depend on nor disturb a session the machine may have.
QString startPrivateBus(QProcess& daemon);

/// Captures what the process writes to standard output while it lives (the "Vesperlog: … failed — …"
/// lines go there).
class StdoutCapture final {
public:
    StdoutCapture();
    ~StdoutCapture();
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    /// Everything written so far, as UTF-8 text.
    QString text();
    /// The non-empty lines written so far.
    QStringList lines();

private:
    int m_savedFd = -1;
    QString m_path;
};

/// Limits the size of any file this process writes to `bytes` while it lives (writes beyond it fail with
/// "File too large" instead of raising SIGXFSZ): a real write failure that needs no special rights.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    quint64 m_saved = 0;
    void (*m_savedHandler)(int) = nullptr;
};

/// A tmpfs of `kilobytes` mounted over `folder` (made when missing) while it lives: a small, real disk
/// that fills up. Needs the right to mount (root here and in CI); `mounted()` says whether it worked.
class SmallDisk final {
public:
    SmallDisk(const QString& folder, int kilobytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    /// Bytes still free for an ordinary file.
    qint64 freeBytes() const;
    /// Fills the disk with one file until `leaveBytes` (rounded to whole blocks) are free.
    void fillLeaving(qint64 leaveBytes);

private:
    QString m_folder;
    bool m_mounted = false;
};

/// While it lives, this thread obeys file permissions even as root (CAP_DAC_OVERRIDE and
/// CAP_DAC_READ_SEARCH are taken out of its effective capabilities, and put back afterwards): a folder
/// made read-only really refuses writes. Other threads keep their rights. `active()` says whether the
/// permission checks apply now (always true for an ordinary user).
class PermissionsEnforced final {
public:
    PermissionsEnforced();
    ~PermissionsEnforced();
    PermissionsEnforced(const PermissionsEnforced&) = delete;
    PermissionsEnforced& operator=(const PermissionsEnforced&) = delete;

    bool active() const { return m_active; }

private:
    bool m_active = false;
    bool m_changed = false;
};

/// The files a user may pick that are no ordinary file, for tests of every read made on the user's behalf.
enum class HostileFile {
    /// A FIFO nobody writes to: a blocking open or read waits for ever.
    Fifo,
    /// /dev/zero itself: endless bytes.
    ZeroDevice,
    /// A sparse regular file one byte larger than the limit given (no disk space is used).
    Oversize,
};
/// Makes the hostile file of that kind under the test home (a new name each call) and returns its path;
/// `limitBytes` is the size limit an Oversize file exceeds. Empty when it could not be made.
QString makeHostileFile(HostileFile kind, qint64 limitBytes = 0);

/// The child of type T called `name` under `parent` (children of the view reached by name, not through
/// getters made for tests). Stops the test executable, naming what is missing, when there is none: a
/// child renamed without its tests is a fault of the tests.
template <typename T>
T* child(const QObject& parent, const QString& name)
{
    T* found = parent.findChild<T*>(name);
    if (!found) {
        qFatal("No %s called %s", T::staticMetaObject.className(), qPrintable(name));
    }
    return found;
}

/// Fires `owner`'s child timer called `name` now when it runs, as its interval passing would, so a test
/// need not wait for it. False when `owner` has no such timer.
bool fireTimer(QObject& owner, const QString& name);

/// A clock that stands still until a test moves it: seconds since 2001-01-01 UTC, for the store's and
/// the notification centre's clocks.
struct ManualClock {
    std::shared_ptr<double> now = std::make_shared<double>(0);
    std::function<double()> function() const
    {
        return [now = now] { return *now; };
    }
    /// Moves the clock `seconds` on and lets the store's timers (ClockTimer) that are due fire.
    void advance(JournalStore& store, double seconds) const;
};

/// Runs every test object in turn; returns the number of failed objects.
int runTests(int argc, char** argv, const std::vector<std::function<std::unique_ptr<QObject>()>>& factories);

} // namespace vsp::test

/// Defines main() for a test executable: isolate, start the application of type AppType, run the
/// listed test classes.
#define VESPERLOG_TEST_MAIN(AppType, ...)                                                                              \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        vsp::test::isolateEnvironment();                                                                               \
        AppType app(argc, argv);                                                                                       \
        return vsp::test::runTests(argc, argv, vsp::test::factoriesOf<__VA_ARGS__>());                                 \
    }

namespace vsp::test {
template <typename... Ts>
std::vector<std::function<std::unique_ptr<QObject>()>> factoriesOf()
{
    return {[] { return std::unique_ptr<QObject>(new Ts); }...};
}
} // namespace vsp::test
