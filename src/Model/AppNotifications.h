#pragma once

#include <QObject>

/// The application-wide notifications, posted by menus and settings and observed by the windows, with
/// nothing attached: one signal per notification, named as the notification. Posting is emitting the
/// signal (`Q_EMIT AppNotifications::instance().VspToggleSearch()`), so a misspelt name does not compile.
class AppNotifications final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppNotifications)

public:
    static AppNotifications& instance();

    /// One of the signals, for code that chooses a notification at run time (a row of buttons).
    using Notification = void (AppNotifications::*)();
    /// Emits that notification's signal.
    void post(Notification notification) { (this->*notification)(); }

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
