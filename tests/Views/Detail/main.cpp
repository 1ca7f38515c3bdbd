#include "common/TestSupport.h"

#include "DetailRulesTest.h"
#include "EntryDetailViewTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, DetailRulesTest, EntryDetailViewTest)
