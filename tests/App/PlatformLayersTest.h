#pragma once

#include <QObject>

/// The single-instance guard and the desktop portal's colour-scheme values.
class PlatformLayersTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void singleInstance_secondLaunchActivatesFirst();
    void singleInstance_takesOverLeftoverSocket();
    void singleInstance_busyFirstIsNotReplaced();
    void singleInstance_defaultNameIsPerUser();
    void portal_readsSchemeValues_data();
    void portal_readsSchemeValues();
    void portal_followsSchemeChangesLive();
    void reduceMotion_followsPortalChangesLive();
};
