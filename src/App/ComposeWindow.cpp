#include "App/ComposeWindow.h"

#include "App/Theme/Fonts.h"
#include "Editor/ComposeView.h"
#include "Model/AppSettings.h"
#include "Model/JournalStore.h"

#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

ComposeWindow::ComposeWindow(JournalStore& store, AppSettings& settings, MoodStore& moodStore, ContentFactory factory,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_content(nullptr)
{
    setObjectName(QStringLiteral("compose-window"));
    setWindowTitle(tr("New Entry"));
    setMinimumSize(640, 540);
    resize(720, 600);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    const ContentFactory make = factory ? factory : ContentFactory(&ComposeWindow::makeComposeView);
    m_content = make(store, settings, moodStore, [this] { close(); }, this);
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

QWidget* ComposeWindow::makeBasicComposer(JournalStore& store, AppSettings& settings, MoodStore& moodStore,
                                          CloseAction close, QWidget* parent)
{
    Q_UNUSED(moodStore);
    auto* content = new QWidget(parent);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(12);
    auto* title = new QLineEdit(content);
    title->setObjectName(QStringLiteral("composeTitle"));
    title->setPlaceholderText(QObject::tr("Title"));
    title->setFont(vsp::fonts::system(22, QFont::DemiBold));
    title->setFrame(false);
    layout->addWidget(title);
    auto* body = new QPlainTextEdit(content);
    body->setObjectName(QStringLiteral("composeBody"));
    body->setPlaceholderText(QObject::tr("What's on your mind?"));
    body->setFont(vsp::fonts::system(settings.writingFontSize()));
    body->setFrameShape(QFrame::NoFrame);
    layout->addWidget(body, 1);
    auto* save = new QPushButton(QObject::tr("Save"), content);
    save->setObjectName(QStringLiteral("composeSave"));
    save->setToolTip(QObject::tr("Save (Ctrl+Return)"));
    layout->addWidget(save, 0, Qt::AlignRight);

    auto canSave = [title, body] {
        return !title->text().trimmed().isEmpty() || !body->toPlainText().trimmed().isEmpty();
    };
    auto refresh = [save, canSave] { save->setEnabled(canSave()); };
    QObject::connect(title, &QLineEdit::textChanged, save, refresh);
    QObject::connect(body, &QPlainTextEdit::textChanged, save, refresh);
    refresh();

    auto doSave = [&store, &settings, title, body, close, canSave] {
        if (!canSave()) {
            return;
        }
        JournalEntry entry = JournalEntry::create();
        entry.body = body->toPlainText().trimmed();
        entry.title = title->text().trimmed();
        if (entry.title.isEmpty()) {
            entry.title = entry.body.section(u'\n', 0, 0).left(80);
        }
        entry.type = settings.resolvedDefaultEntryType();
        store.addEntry(entry);
        title->clear();
        body->clear();
        close();
    };
    QObject::connect(save, &QPushButton::clicked, content, doSave);
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}) {
        auto* shortcut = new QShortcut(keys, content);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, content, doSave);
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), content);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, content, close);
    return content;
}
