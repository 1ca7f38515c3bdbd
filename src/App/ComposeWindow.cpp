#include "App/ComposeWindow.h"

#include "Editor/Compose/ComposeView.h"

#include <QVBoxLayout>

ComposeWindow::ComposeWindow(JournalStore& store, AppSettings& settings, MoodStore& moodStore, ContentFactory factory,
                             QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_content(nullptr)
{
    setObjectName(QStringLiteral("compose-window"));
    setWindowTitle(tr("New Entry"));
    setMinimumSize(640, 540);
    resize(720, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const ContentFactory make = factory ? factory : ContentFactory(&ComposeWindow::makeComposeView);
    m_content = make(
        store, settings, moodStore, [this] { close(); }, this);
    layout->addWidget(m_content);
}

void ComposeWindow::present()
{
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
}

QWidget* ComposeWindow::makeComposeView(JournalStore& store, AppSettings& settings, MoodStore& moodStore,
                                        CloseAction close, QWidget* parent)
{
    return new ComposeView(store, settings, moodStore, std::move(close), parent);
}
