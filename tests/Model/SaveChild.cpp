// A process that keeps adding large entries to the journal in $XDG_DATA_HOME and prints "saved <id>"
// for each entry once the store reports it written. The crash-safety test kills it at random moments.

#include "common/StoreFixtures.h"

#include "Model/JournalStore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    JournalStore store(fixtures::fixtureClock().function());
    store.setBackgroundWriting(true);
    for (int i = 0;; ++i) {
        JournalEntry e = JournalEntry::create();
        e.title = QStringLiteral("entry %1").arg(i);
        e.body = QString(200000, QChar(u'a' + i % 26));
        store.addEntry(e);
        if (store.waitForSaves() && !store.hasUnsavedChanges()) {
            std::printf("saved %s\n", e.id.toString(QUuid::WithoutBraces).toUtf8().constData());
            std::fflush(stdout);
        }
        // The next change is written while nobody waits for it: the kill may come in the middle.
        store.toggleFavorite(e);
    }
}
