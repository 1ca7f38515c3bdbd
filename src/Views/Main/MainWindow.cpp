#include "Views/Main/MainWindow.h"

#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/ContentView.h"
#include "Views/Main/EntryListView.h"
#include "Views/Main/EntryListWidget.h"

#include <QEvent>
#include <QShowEvent>

MainWindow::MainWindow(JournalStore& store, MoodStore& moodStore, vsp::OpenWindowAction openWindow, QWidget* parent)
    : QMainWindow(parent),
      m_content(new ContentView(store, moodStore, std::move(openWindow), this))
{
    setWindowTitle(QStringLiteral("Vesperlog"));
    setObjectName(QStringLiteral("mainWindow"));
    setCentralWidget(m_content);
    m_content->installEventFilter(this);
    // The three columns at their smallest.
    setMinimumSize(220 + 300 + 320 + 2, 520);
    resize(1440, 900);
    // The window opens with the keys on the entry list (rather than on whichever button Tab reaches
    // first, where Space would press it unseen).
    m_content->entryList()->list()->setFocus(Qt::ActiveWindowFocusReason);
}

MainWindow::~MainWindow()
{
    // Before QWidget's destructor hides a shown window: committing then (a tag left in the field
    // becomes a chip) would build widgets inside a window half torn down.
    m_content->detail()->commitBeforeTeardown();
}

void MainWindow::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // Before the columns are shown: shown first, they would be announced to assistive technology.
        m_content->lockWhenAppLockIsOn();
    }
    QMainWindow::setVisible(visible);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown && !event->spontaneous()) {
        m_shown = true;
        Q_EMIT firstShown();
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_content && event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        // After the content's own painting has finished.
        QMetaObject::invokeMethod(this, &MainWindow::firstPainted, Qt::QueuedConnection);
    }
    return QMainWindow::eventFilter(watched, event);
}
