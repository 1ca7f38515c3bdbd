#pragma once

#include <QObject>

/// The attachment pieces the compose window uses: the weather chips, the image picker, the clip length
/// format, and the answers of the transcriber and the weather service (later, once, and never to a
/// destroyed receiver), and the libraries opened at run time when one is missing.
class MediaTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void weatherChips_temperature_data();
    void weatherChips_temperature();
    void weatherChips_whichChipsShow_data();
    void weatherChips_whichChipsShow();
    void weatherChips_shortOfRoom_shortenConditionThenPlace();
    void clipDuration_data();
    void clipDuration();

    void weatherAndTranscriber_answerLaterAndOnce();
    void weatherAndTranscriber_destroyedReceiver_getsNothing();
    void imagePicker_handsOverChosenFilesOnly();
    void recordControl_forwardsFinishedRecordings();
    void openedLibrary_missingPart_givesNothingWithLoaderText_data();
    void openedLibrary_missingPart_givesNothingWithLoaderText();
};
