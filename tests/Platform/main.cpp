#include "common/TestSupport.h"

#include "DesktopNotificationsTest.h"
#include "DeviceOwnerCheckTest.h"
#include "FileDialogChooserTest.h"
#include "FileRevealTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, DesktopNotificationsTest, DeviceOwnerCheckTest, FileDialogChooserTest, FileRevealTest)
