#include "common/TestSupport.h"

#include "SettingsRulesTest.h"
#include "SettingsWindowTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, SettingsRulesTest, SettingsWindowTest)
