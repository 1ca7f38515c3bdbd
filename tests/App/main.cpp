#include "common/TestSupport.h"

#include "AppTest.h"
#include "PlatformLayersTest.h"
#include "QuickCaptureTest.h"
#include "SessionEndTest.h"

#include <QApplication>

int main(int argc, char** argv)
{
    vsp::test::isolateEnvironment();
    QApplication app(argc, argv);
    // Started again by SessionEndTest: an app process that the test ends as a session would.
    if (qEnvironmentVariableIsSet(SessionEndTest::kChildVariable)) {
        return SessionEndTest::runChild();
    }
    return vsp::test::runTests(argc, argv,
                               vsp::test::factoriesOf<PlatformLayersTest, AppTest, QuickCaptureTest, SessionEndTest>());
}
