#pragma once

#include <QObject>

class RtfCodecTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_keepsTextAndAttributes();
    void roundTrip_writesSameBytesAgain();
    void roundTrip_everyUnicodeCharacter_data();
    void roundTrip_everyUnicodeCharacter();
    void roundTrip_keepsEveryLineSpacing_data();
    void roundTrip_keepsEveryLineSpacing();
    void writer_escapesSpecialCharactersAndFontNames();
    void writer_emptyDocument_isValidRtf();
    void reader_cocoaDialect_readsListsColoursAndEscapes();
    void reader_backgroundOne_offOnlyInCocoaDialect_data();
    void reader_backgroundOne_offOnlyInCocoaDialect();
    void reader_officeDialect_skipsWhatItDoesNotKnow();
    void reader_codePagesAndFontCharsets_data();
    void reader_codePagesAndFontCharsets();
    void reader_badInput_data();
    void reader_badInput();
    void reader_clampsNumbers();
    void reader_mutatedDocuments_neverCrashOrCorrupt();
    void libreOffice_opensOurRtfWithTheSameFormatting();
};
