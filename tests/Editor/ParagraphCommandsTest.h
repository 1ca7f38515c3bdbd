#pragma once

#include <QObject>

class ParagraphCommandsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void listCommands_rewriteLineStarts_data();
    void listCommands_rewriteLineStarts();
    void bullet_middleLine_changesOnlyThatLineAndSelectsIt();
    void listPrefix_otherMarker_togglesThatMarker();
    void listCommands_keepFormattingInsideLines_data();
    void listCommands_keepFormattingInsideLines();
    void quote_indentsAndColours_notAToggle();
    void paragraphCommand_isOneUndoStep_andReportsShownText();
    void returnKey_data();
    void returnKey();
    void returnKey_markerOnlyLine_endsListThenOrdinaryNewline();
    void returnKey_isOneUndoStep();
};
