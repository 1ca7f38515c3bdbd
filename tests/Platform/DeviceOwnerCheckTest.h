#pragma once

#include <QObject>

/// The PAM device-owner check against real PAM stacks written into a temporary folder, and the reading
/// of the desktop's reduce-motion preference.
class DeviceOwnerCheckTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pamStack_decidesTheOutcome_data();
    void pamStack_decidesTheOutcome();
    void stackThatCannotStart_isUnavailable_andSaysSo();
    void stackLines_reachTheConversation();
    void droppedWhileAsking_endsWithoutAnAnswer();

    void reduceMotion_readsEveryDesktopForm_data();
    void reduceMotion_readsEveryDesktopForm();
};
