#pragma once

#include <QObject>

/// The rules behind the settings controls: the emoji field's filter, relative times, the About tab's
/// words figure, the goal texts and the trimming of mood fields.
class SettingsRulesTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emojiFilter_keepsOneEmoji_data();
    void emojiFilter_keepsOneEmoji();
    void relativeTime_namesLargestUnit_data();
    void relativeTime_namesLargestUnit();
    void wordsFigure_truncatesThousands_data();
    void wordsFigure_truncatesThousands();
    void moodFields_trimSpacesNotLineBreaks_data();
    void moodFields_trimSpacesNotLineBreaks();
};
