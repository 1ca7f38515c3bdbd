#include "common/TestSupport.h"

#include "EntryActionsTest.h"
#include "RowPainterTest.h"
#include "TagChipTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, EntryActionsTest, RowPainterTest, TagChipTest)
