#pragma once

#include <QObject>

class EntryCodecTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void encodeInPieces_makesTheSameBytes_data();
    void encodeInPieces_makesTheSameBytes();
    void encodedJournal_afterChanges_copiesOnlyWhatStayed_data();
    void encodedJournal_afterChanges_copiesOnlyWhatStayed();
    void decode_oldFileWithoutLaterKeys_usesDefaults();
    void decode_invalidEntry_failsWholeList_data();
    void decode_invalidEntry_failsWholeList();
    void decode_nullOptionals_areAbsent();
    void decode_unknownKeys_areDroppedOnWrite();
    void encode_absentOptionals_writeNoKeys();
    void encode_keysInFieldOrder_data();
    void encode_keysInFieldOrder();
    void encode_nonFiniteNumbers_areLeftOut();
    void roundTrip_keepsEveryField();
    void strings_roundTripAtEveryPosition_data();
    void strings_roundTripAtEveryPosition();
    void doubles_printShortestRoundTrip_data();
    void doubles_printShortestRoundTrip();
    void base64_strictReading_data();
    void base64_strictReading();
    void wordCount_data();
    void wordCount();
    void equality_coversEveryField();
    void optionalNumber_behavesAsStdOptional_data();
    void optionalNumber_behavesAsStdOptional();
    void entryType_rawValues();
    void trash_decodeRequiresBothKeys();
    void decode_leadingByteOrderMark_isIgnored();
    void decodeFromDevice_agreesWithWholeText_data();
    void decodeFromDevice_agreesWithWholeText();
    void addDays_keepsTimeOfDayAndFraction_data();
    void addDays_keepsTimeOfDayAndFraction();
    void shortTimeFormat_keepsHoursAndMinutesOnly_data();
    void shortTimeFormat_keepsHoursAndMinutesOnly();
    void iso8601_roundTrip();
    void hostileInput_neverCrashes_data();
    void hostileInput_neverCrashes();
    void foldedText_givesBackTheText_data();
    void foldedText_givesBackTheText();
};
