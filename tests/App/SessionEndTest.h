#pragma once

#include <QObject>
#include <QProcess>

/// The application ending with the session: a signal or a lost display ends a real app process, and
/// the words typed in the detail, New Entry and quick capture are on disk afterwards; the session
/// manager's requests to save keep the open edit too.
class SessionEndTest final : public QObject {
    Q_OBJECT

public:
    /// Set in the environment of the process this test starts: it runs runChild() instead of the tests.
    static constexpr const char* kChildVariable = "VESPERLOG_SESSION_END_CHILD";
    /// The app process: words typed into the three places (or, when the variable is "body", only the
    /// detail's body), "ready <test home>" printed, then its event loop until the session ends it.
    static int runChild();

private:
    /// An app process started by the test, on a private X server of its own or offscreen; both are
    /// killed, and the child's home removed, when it goes.
    struct Child {
        QProcess display;
        QProcess process;
        QByteArray said;
        QString home;
        ~Child();
        /// Until the child is ready; false (with its words in `said`) when it never got there.
        bool start(const QByteArray& mode, bool onOwnDisplay);
        /// Whether it ended by itself without a crash or a sanitizer's report.
        bool waitForEnd();
        QByteArray file(const QString& path) const;
    };

private Q_SLOTS:
    void endOfSession_keepsTypedWords_data();
    void endOfSession_keepsTypedWords();
    void displayLost_duringBodyEdit_keepsTheWordsEveryTime();
    void sessionManagerRequest_savesTheOpenEdit_data();
    void sessionManagerRequest_savesTheOpenEdit();
};
