#pragma once

#include "Update/UpdateRelease.h"

#include <QDialog>

class QLabel;
class QVBoxLayout;
class Updater;
namespace vsp::update {
class ProgressTrack;
}

/// The update sheet: one panel for each phase of the updater, 490 pixels wide, window-modal over its
/// presenter. Checking (also shown in Idle): the mark, a spinner, "Looking for a new version…". Current:
/// "You're up to date" and Done. Found: the new version, its size and date, up to six release notes,
/// "Update now" and "Not now". Downloading: a bar and the truncated percentage. Installing: a spinner.
/// Manual: where the new version was left, "Show in Files" and Done. Failed: the message, "Go to the
/// website", "Try again" and Close. Texts from the feed (version, notes, messages) are plain text.
///
/// The sheet keeps no state of its own and never calls Updater::open() or dismiss(): the presenter
/// calls open() before showing it and dismiss() once it has closed (`finished`). Return starts the
/// installation in Found and closes in Current and Manual.
class UpdateSheet final : public QDialog {
    Q_OBJECT

public:
    UpdateSheet(Updater& updater, QWidget* parent = nullptr);

    /// The panel's headline ("You're up to date", the failure message, …), for tests.
    QString statusText() const;
    /// The line under a release's title: "you have <version>", then the size and the date when known,
    /// joined by " · ".
    static QString detail(const UpdateRelease& release, const QString& currentVersion);
    /// The percentage shown for a download fraction: truncated toward zero, "28%" for 0.29.
    static QString percentText(double fraction);
    /// At most this many release notes are shown.
    static constexpr int kMostNotes = 6;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();
    /// Makes the panel anew for the updater's phase.
    void build();
    // The panel's content for the phases with the most of it, into `panel`.
    void buildFound(QVBoxLayout* panel, const QString& current);
    void buildManual(QVBoxLayout* panel);
    void buildFailed(QVBoxLayout* panel);
    /// The centred "Done" button that closes the sheet.
    void addDoneButton(QVBoxLayout* panel);

    Updater& m_updater;
    QVBoxLayout* m_column;
    QWidget* m_panel = nullptr;
    int m_panelPhase = -1;
    QLabel* m_headline = nullptr;
    QLabel* m_percent = nullptr;
    vsp::update::ProgressTrack* m_track = nullptr;
};
