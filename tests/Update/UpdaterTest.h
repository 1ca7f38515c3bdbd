#pragma once

#include <QObject>

/// The updater against a local HTTPS server: the launch check's rules, checks on request and their
/// failures, and installations that park, fail or hand over.
class UpdaterTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void quietCheck_runsOnlyWhenDue_data();
    void quietCheck_runsOnlyWhenDue();
    void check_remembersTheAnswer_data();
    void check_remembersTheAnswer();
    void check_failures_data();
    void check_failures();
    void manualCheck_duringQuietCheck_showsThatChecksAnswer();
    void packageManagedCopy_neverAsksTheFeed();
    void open_andDismiss_keepWorkUnderWay();
    void install_parksInDownloads_whenTheBundleCannotReplaceItself_data();
    void install_parksInDownloads_whenTheBundleCannotReplaceItself();
    void install_failures_data();
    void install_failures();
    void install_trickledDownload_endsAtTheDeadline();
    void install_unpacksOffTheMainThread();
    void install_endedByQuitting_leavesNoWorkFolder();
    void install_replacesAWritableBundle_relaunches_andQuits();
    void install_userKeepsTheAppOpen_changesNothing();
};
