#include "common/TestSupport.h"

#include "ContentViewTest.h"
#include "EntryListModelTest.h"
#include "EntryListMotionTest.h"
#include "EntryListViewTest.h"
#include "EntryRowTest.h"
#include "JournalBannerTest.h"
#include "KeyboardAccessTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, EntryRowTest, EntryListModelTest, EntryListMotionTest, EntryListViewTest,
                    ContentViewTest, JournalBannerTest, KeyboardAccessTest)
