#pragma once

#include <QObject>

class AppSettingsTest final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();

    void firstLaunch_everyKeyReadsItsDefault_andNothingIsWritten();
    void write_isSeenEverywhere_withOneSignalPerKey_data();
    void write_isSeenEverywhere_withOneSignalPerKey();
    void writeOfUnchangedValue_announcesNothing();
    void wrongType_readsDefault_data();
    void wrongType_readsDefault();
    void textValuesFromTheSettingsFile_areRead_data();
    void textValuesFromTheSettingsFile_areRead();
    void resolvedDefaultEntryType_data();
    void resolvedDefaultEntryType();
    void writtenValues_reachTheSettingsFile();
    void writeAndRemove_reachTheFileAtOnce_withoutTheEventLoop();
    void unwritableSettingsFile_printsOneLine_andKeepsTheValue();
};
