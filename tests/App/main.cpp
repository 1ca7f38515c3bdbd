#include "common/TestSupport.h"

#include "AppTest.h"
#include "PlatformLayersTest.h"
#include "ThemeTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, ThemeTest, PlatformLayersTest, AppTest)
