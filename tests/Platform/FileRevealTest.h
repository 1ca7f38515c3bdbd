#pragma once

#include <QObject>
#include <QProcess>

/// Showing a file in the file manager, against a private D-Bus daemon with a fake file manager on it.
class FileRevealTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void fileUri_isFullyEncoded_data();
    void fileUri_isFullyEncoded();
    void reveal_asksTheFileManagerWithoutWaiting();
    void reveal_withoutAFileManager_opensTheFolder();

private:
    QProcess m_daemon;
    QString m_address;
};
