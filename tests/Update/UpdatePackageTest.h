#pragma once

#include <QObject>
#include <QTemporaryDir>

#include <memory>

/// Verifying, unpacking, finding the bundle, parking it in Downloads, and the hand-over script.
class UpdatePackageTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void bundleManifest_readsOnlySoundManifests_data();
    void bundleManifest_readsOnlySoundManifests();
    void verifyArchive_comparesTheSha256_data();
    void verifyArchive_comparesTheSha256();
    void unpack_refusesHostileArchives_data();
    void unpack_refusesHostileArchives();
    void unpack_stopsAtItsLimits_data();
    void unpack_stopsAtItsLimits();
    void unpack_keepsInnerLinks_andDropsSpecialBits();
    void findBundle_takesOnlyAVesperlogBundle_data();
    void findBundle_takesOnlyAVesperlogBundle();
    void replaceableBundle_needsAWritableBundleAndFolder();
    void replaceableBundle_onAReadOnlyMount_isNone();
    void park_findsAFreeNameInDownloads_data();
    void park_findsAFreeNameInDownloads();
    void park_acrossFileSystems_copiesThenDeletes();
    void installScript_refusesUnsafeArguments_data();
    void installScript_refusesUnsafeArguments();
    void handOver_swapsTheInstalledCopy_andStartsTheNewOne();
    void handOver_copyFails_putsTheOldCopyBack();
    void packageManaged_onlyDpkgsOwnCopyUnderUsr_data();
    void packageManaged_onlyDpkgsOwnCopyUnderUsr();
    void desktopEntry_runsTheBundlesOwnProgram_data();
    void desktopEntry_runsTheBundlesOwnProgram();

private:
    QString path(const QString& name) const;
    std::unique_ptr<QTemporaryDir> m_dir;
};
