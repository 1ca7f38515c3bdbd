#include "common/TestSupport.h"

#include "Update/FeedFetch.h"
#include "UpdateFeedTest.h"
#include "UpdatePackageTest.h"
#include "UpdateSheetTest.h"
#include "UpdaterTest.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The updater's tests start this program as their feed helper.
    if (argc > 1 && qstrcmp(argv[1], vsp::update::kFeedHelperArgument) == 0) {
        return vsp::update::runFeedHelper(argc, argv);
    }
    vsp::test::isolateEnvironment();
    QApplication app(argc, argv);
    return vsp::test::runTests(
        argc, argv, vsp::test::factoriesOf<UpdateFeedTest, UpdatePackageTest, UpdaterTest, UpdateSheetTest>());
}
