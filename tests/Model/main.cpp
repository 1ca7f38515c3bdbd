#include "common/TestSupport.h"

#include "EntryCodecTest.h"

#include <QCoreApplication>

VESPERLOG_TEST_MAIN(QCoreApplication, EntryCodecTest)
