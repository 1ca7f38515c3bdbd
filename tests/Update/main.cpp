#include "common/TestSupport.h"

#include "UpdateFeedTest.h"
#include "UpdatePackageTest.h"
#include "UpdateSheetTest.h"
#include "UpdaterTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, UpdateFeedTest, UpdatePackageTest, UpdaterTest, UpdateSheetTest)
