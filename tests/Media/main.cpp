#include "common/TestSupport.h"

#include "ImagesTest.h"
#include "MediaTest.h"
#include "WeatherCaptureTest.h"

#include <QApplication>

VESPERLOG_TEST_MAIN(QApplication, MediaTest, ImagesTest, WeatherCaptureTest)
