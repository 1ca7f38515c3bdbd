#pragma once

#include <QObject>

/// The update sheet's panels for every phase, its keys, and the sidebar's update badge.
class UpdateSheetTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void percentText_truncates_data();
    void percentText_truncates();
    void detail_listsWhatIsKnown_data();
    void detail_listsWhatIsKnown();
    void sheet_followsEveryPhase();
    void sheet_showsFeedTextsAsPlainText();
    void sheet_returnKey_data();
    void sheet_returnKey();
    void badge_showsTheAvailableRelease_andPostsTheRequest();
};
