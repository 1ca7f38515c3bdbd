#pragma once

#include <QObject>

class FormattingCommandsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void unknownOrInvalidCommands_changeNothing_data();
    void unknownOrInvalidCommands_changeNothing();
    void size_headingsAreBoldInTitleColour_data();
    void size_headingsAreBoldInTitleColour();
    void bold_mixedSelection_swapsRunsAndBack();
    void italic_emptySelection_changesOnlyTypingAttributes();
    void lineStyles_anyStyledRunSwitchesWholeSelectionOff_data();
    void lineStyles_anyStyledRunSwitchesWholeSelectionOff();
    void highlight_togglesAnyBackground_andIgnoresEmptySelection();
    void color_parsesHexOrResets_data();
    void color_parsesHexOrResets();
    void characterCommand_isOneUndoStep_andReportsNewRtf();
};
