#include "Views/Detail/EntryDetailView.h"

#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/Palette.h"
#include "Model/AppNotifications.h"
#include "Model/Dates.h"
#include "Model/JournalStore.h"
#include "Model/MoodStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QVBoxLayout>

using vsp::Color;

EntryDetailView::EntryDetailView(JournalStore& store, MoodStore& moodStore, const JournalEntry& entry,
                                 QWidget* parent)
    : QWidget(parent), m_store(store), m_moodStore(moodStore), m_entry(entry), m_date(new QLabel(this)),
      m_title(new QLineEdit(this)), m_body(new QPlainTextEdit(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(48, 40, 48, 32);
    layout->setSpacing(10);
    m_date->setFont(vsp::fonts::system(12));
    layout->addWidget(m_date);
    m_title->setFont(vsp::fonts::system(26, QFont::DemiBold));
    m_title->setFrame(false);
    m_title->setReadOnly(true);
    m_title->setPlaceholderText(tr("Untitled"));
    m_title->setStyleSheet(QStringLiteral("background: transparent;"));
    layout->addWidget(m_title);
    m_body->setReadOnly(true);
    m_body->setFrameShape(QFrame::NoFrame);
    m_body->setFont(vsp::fonts::system(15));
    m_body->setStyleSheet(QStringLiteral("background: transparent;"));
    layout->addWidget(m_body, 1);
    m_confirm = [this](const QString& question) {
        return QMessageBox::question(this, tr("Delete Entry"), question, QMessageBox::Cancel | QMessageBox::Yes,
                                     QMessageBox::Cancel) == QMessageBox::Yes;
    };
    auto& notifications = AppNotifications::instance();
    connect(&notifications, &AppNotifications::VspToggleEdit, this, [this] {
        if (isVisible()) {
            toggleEdit();
        }
    });
    connect(&notifications, &AppNotifications::VspRequestDelete, this, [this] {
        if (isVisible()) {
            requestDelete();
        }
    });
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, &EntryDetailView::refresh);
    refresh();
}

void EntryDetailView::setEntry(const JournalEntry& entry)
{
    if (m_editing && entry.id != m_entry.id) {
        commitEdits();
    }
    if (m_editing && entry.id == m_entry.id) {
        // Keep the text being edited; take the rest of the entry as stored.
        const QString title = m_title->text();
        m_entry = entry;
        m_title->setText(title);
        return;
    }
    m_entry = entry;
    refresh();
}

void EntryDetailView::toggleEdit()
{
    if (m_editing) {
        commitEdits();
        return;
    }
    m_editing = true;
    m_title->setReadOnly(false);
    m_title->setFocus();
}

void EntryDetailView::commitEdits()
{
    if (!m_editing) {
        return;
    }
    m_editing = false;
    m_title->setReadOnly(true);
    const QString title = m_title->text().trimmed();
    if (title != m_entry.title) {
        JournalEntry changed = m_entry;
        changed.title = title;
        m_entry = changed;
        m_store.updateEntry(changed);
    }
}

void EntryDetailView::requestDelete()
{
    if (m_confirm && m_confirm(tr("Delete this entry?"))) {
        m_editing = false;
        m_store.deleteEntry(m_entry);
    }
}

void EntryDetailView::refresh()
{
    const QPalette pal = palette();
    const QLocale locale;
    const QDateTime moment = vsp::toDateTime(m_entry.date);
    QString date = locale.toString(moment.date(), QLocale::LongFormat) + QStringLiteral("  ·  ") +
                   locale.toString(moment.time(), vsp::shortTimeFormat(locale));
    if (m_entry.mood) {
        // A mood that is not in the palette has no label of its own: its symbol says it all.
        const QString label = m_moodStore.label(*m_entry.mood);
        date += QStringLiteral("  ·  ") + *m_entry.mood;
        if (label != *m_entry.mood) {
            date += u' ' + label;
        }
    }
    m_date->setText(date);
    QPalette datePalette = pal;
    datePalette.setColor(QPalette::WindowText, Color::vspFgDim().resolve());
    m_date->setPalette(datePalette);
    m_title->setText(m_entry.title);
    m_body->setPlainText(m_entry.body);
    update();
}

void EntryDetailView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}
