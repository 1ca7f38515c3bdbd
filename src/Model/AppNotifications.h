#pragma once

#include <QObject>
#include <QString>

/// The application-wide notifications: plain names posted by menus and settings and observed by the
/// windows, with nothing attached. One signal per name; `post(name)` raises the one with that name.
class AppNotifications final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppNotifications)

public:
    static AppNotifications& instance();

    /// Raises the signal of that name ("VspExportJSON", …); returns false for an unknown name.
    bool post(const QString& name);

Q_SIGNALS:
    void VspExportJSON();
    void VspExportMarkdown();
    void VspImportJSON();
    void VspUpdateRequested();
    void VspToggleSearch();
    void VspToggleEdit();
    void VspRequestDelete();

private:
    AppNotifications() = default;
};
