#include "common/TestSupport.h"

#include "AppSettingsTest.h"
#include "EntryCodecTest.h"
#include "EntryListTest.h"
#include "ExportImportTest.h"
#include "JournalStoreFilesTest.h"
#include "JournalStoreOperationsTest.h"
#include "JournalStoreQueriesTest.h"
#include "JournalStoreSaveTest.h"
#include "JournalStoreTrashTest.h"
#include "MoodStoreTest.h"
#include "NotificationCenterTest.h"

#include <QCoreApplication>

VESPERLOG_TEST_MAIN(QCoreApplication, EntryCodecTest, EntryListTest, JournalStoreFilesTest, JournalStoreOperationsTest,
                    JournalStoreQueriesTest, JournalStoreTrashTest, JournalStoreSaveTest, AttachmentsTest,
                    ExportImportTest, MoodStoreTest, AppSettingsTest, NotificationCenterTest)
