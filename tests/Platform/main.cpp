#include "common/TestSupport.h"

#include "DesktopNotificationsTest.h"
#include "FileDialogChooserTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, DesktopNotificationsTest, FileDialogChooserTest)
