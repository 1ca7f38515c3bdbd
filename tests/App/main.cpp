#include "common/TestSupport.h"

#include "AppTest.h"
#include "PlatformLayersTest.h"
#include "QuickCaptureTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, PlatformLayersTest, AppTest, QuickCaptureTest)
