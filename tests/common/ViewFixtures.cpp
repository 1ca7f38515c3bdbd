#include "common/ViewFixtures.h"

#include "common/TestSupport.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"

namespace viewfixtures {

JournalEntry entry(const QString& title, double date, const QString& body, const QStringList& tags)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.date = date;
    e.body = body;
    e.tags = tags;
    return e;
}

void resetState()
{
    vsp::test::resetUserFolders();
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppearanceManager::instance().refresh();
    vsp::setAnimationsEnabled(false);
}

} // namespace viewfixtures
