#pragma once

#include <QObject>

/// The manifest's reading, the version and system rules and the accepted addresses.
class UpdateFeedTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isNewer_comparesDottedNumbers_data();
    void isNewer_comparesDottedNumbers();
    void systemSupports_atOrAboveTheMinimum_data();
    void systemSupports_atOrAboveTheMinimum();
    void readManifest_offersOnlyNewerSoundReleases_data();
    void readManifest_offersOnlyNewerSoundReleases();
    void readManifest_mapsEveryField();
    void feedAddress_takesOnlyHttpsWithAHost_data();
    void feedAddress_takesOnlyHttpsWithAHost();
};
