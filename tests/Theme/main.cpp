#include "common/TestSupport.h"

#include "ThemeTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, ThemeTest)
