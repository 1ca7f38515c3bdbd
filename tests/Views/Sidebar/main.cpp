#include "common/TestSupport.h"

#include "CalendarViewTest.h"
#include "MarksTest.h"
#include "SidebarViewTest.h"
#include "TrashViewTest.h"

#include <QApplication>

int main(int argc, char** argv)
{
    vsp::test::isolateEnvironment();
    QApplication app(argc, argv);
    // Started again by CalendarViewTest with TZ set: only the checks that run in that zone.
    if (qEnvironmentVariableIsSet(CalendarZoneTest::kChildVariable)) {
        return vsp::test::runTests(argc, argv, vsp::test::factoriesOf<CalendarZoneTest>());
    }
    return vsp::test::runTests(argc, argv,
                               vsp::test::factoriesOf<MarksTest, SidebarViewTest, TrashViewTest, CalendarViewTest>());
}
