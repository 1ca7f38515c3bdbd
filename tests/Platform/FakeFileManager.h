#pragma once

#include <QObject>
#include <QStringList>

/// A stand-in for the desktop's file manager service: records the URIs of every ShowItems call.
class FakeFileManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};
