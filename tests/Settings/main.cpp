#include "common/TestSupport.h"

#include "LockAndIntroductionTest.h"
#include "SettingsRulesTest.h"
#include "SettingsWindowTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, LockAndIntroductionTest, SettingsRulesTest, SettingsWindowTest)
