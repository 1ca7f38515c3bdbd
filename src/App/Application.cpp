#include "App/Application.h"

#include "Model/JournalStore.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int runVesperlog(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));

    JournalStore store;

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Vesperlog"));
    auto* label = new QLabel(&window);
    label->setAlignment(Qt::AlignCenter);
    auto refresh = [&] {
        const qsizetype n = store.entries().size();
        label->setText(n == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(n));
    };
    refresh();
    QObject::connect(&store, &JournalStore::entriesChanged, label, refresh);
    window.setCentralWidget(label);
    window.resize(1440, 900);
    window.show();
    return QApplication::exec();
}
