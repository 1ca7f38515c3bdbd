#pragma once

#include <QObject>

/// The application ending with the session: a signal or a lost display ends a real app process, and
/// the words typed in the detail, New Entry and quick capture are on disk afterwards; the session
/// manager's requests to save keep the open edit too.
class SessionEndTest final : public QObject {
    Q_OBJECT

public:
    /// Set in the environment of the process this test starts: it runs runChild() instead of the tests.
    static constexpr const char* kChildVariable = "VESPERLOG_SESSION_END_CHILD";
    /// The app process: words typed into the three places, "ready <test home>" printed, then its event
    /// loop until the session ends it.
    static int runChild();

private Q_SLOTS:
    void endOfSession_keepsTypedWords_data();
    void endOfSession_keepsTypedWords();
    void sessionManagerRequest_savesTheOpenEdit_data();
    void sessionManagerRequest_savesTheOpenEdit();
};
