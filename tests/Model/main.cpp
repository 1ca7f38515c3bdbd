#include "common/TestSupport.h"

#include "EntryCodecTest.h"
#include "JournalStoreFilesTest.h"
#include "JournalStoreOperationsTest.h"
#include "JournalStoreQueriesTest.h"
#include "JournalStoreTrashTest.h"

#include <QCoreApplication>

VESPERLOG_TEST_MAIN(QCoreApplication, EntryCodecTest, JournalStoreFilesTest, JournalStoreOperationsTest,
                    JournalStoreQueriesTest, JournalStoreTrashTest, AttachmentsTest)
