#include "Views/Main/JournalBanner.h"

#include "Model/JournalStore.h"
#include "Model/NotificationCenter.h"
#include "Platform/FileReveal.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/Glass.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

using vsp::Color;

namespace {

// A warm tint: these rows tell of trouble without the alarm of an error colour.
const Color& bannerTint()
{
    static const Color tint = Color::adaptive(0x5A3A10, 0xFFE2A8, 0.55);
    return tint;
}

/// One notice: a tinted glass panel behind its text and buttons.
class BannerRow final : public QWidget {
public:
    explicit BannerRow(QWidget* parent) : QWidget(parent) { }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        vsp::paintGlass(painter, QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5),
                        vsp::Glass::regular().tinted(bannerTint()), vsp::GlassShape::RoundedRect, 10);
        painter.setPen(QPen(Color::vspBorderEmphasis().resolve(), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    }
};

/// A text button on interactive glass, with the application's press spring.
class BannerButton final : public vsp::PaintedButton {
public:
    BannerButton(const QString& text, QWidget* parent) : PaintedButton(parent)
    {
        setText(text);
        setFont(vsp::fonts::system(12, QFont::DemiBold));
        setPressFeedback(0.94, 0.85, vsp::Spring{0.18, 1.0});
        vsp::setFocusRing(this, 1000);
        setAttribute(Qt::WA_Hover);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        return {metrics.horizontalAdvance(text()) + 24, metrics.height() + 10};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        applyPress(painter, box);
        vsp::paintGlass(painter, box, vsp::Glass::regular().makeInteractive(), vsp::GlassShape::Capsule, 0,
                        {isHovered(), isDown()});
        painter.setPen(Color::vspForeground().resolve());
        painter.setFont(font());
        painter.drawText(box, Qt::AlignCenter, text());
    }
};

QLabel* bannerLabel(QWidget* parent, qreal pixelSize)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setFont(vsp::fonts::system(pixelSize));
    return label;
}

// Text, then the buttons at the right under it.
QWidget* makeRow(QWidget* parent, QLabel* text, QLabel* note, const QList<QAbstractButton*>& buttons)
{
    auto* row = new BannerRow(parent);
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);
    text->setParent(row);
    layout->addWidget(text);
    if (note) {
        note->setParent(row);
        layout->addWidget(note);
    }
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(8);
    buttonRow->addStretch(1);
    for (QAbstractButton* button : buttons) {
        button->setParent(row);
        buttonRow->addWidget(button);
    }
    layout->addLayout(buttonRow);
    return row;
}

void colourLabels(const QList<QLabel*>& labels, const QList<QLabel*>& muted)
{
    for (QLabel* label : labels) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText,
                         (muted.contains(label) ? Color::vspFgMuted() : Color::vspForeground()).resolve());
        label->setPalette(palette);
    }
}

} // namespace

JournalBanner::JournalBanner(JournalStore& store, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_reveal([](const QString& path) { vsp::revealInFiles(path); })
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 12);
    layout->setSpacing(8);

    m_saveText = bannerLabel(this, 13);
    m_copyNote = bannerLabel(this, 12);
    m_copyNote->hide();
    m_tryAgain = new BannerButton(QStringLiteral("Try Again"), this);
    m_tryAgain->setObjectName(QStringLiteral("tryAgain"));
    m_saveCopy = new BannerButton(QStringLiteral("Save a Copy\u2026"), this);
    m_saveCopy->setObjectName(QStringLiteral("saveCopy"));
    m_saveRow = makeRow(this, m_saveText, m_copyNote, {m_saveCopy, m_tryAgain});
    layout->addWidget(m_saveRow);
    m_labels = {m_saveText, m_copyNote};
    addDamagedRow(store.damagedJournalCopy(), DamagedFile::Journal, m_journalRow);
    addDamagedRow(store.damagedTrashCopy(), DamagedFile::Trash, m_trashRow);
    connect(&NotificationCenter::instance(), &NotificationCenter::leftUnchangedChanged, this,
            &JournalBanner::followReminders);

    connect(m_tryAgain, &QAbstractButton::clicked, this, [this] {
        m_copyNote->hide();
        m_store.retrySave();
    });
    connect(m_saveCopy, &QAbstractButton::clicked, this, [this] {
        QString error;
        const JournalStore::CopyResult result = m_store.saveCopy(&error);
        if (result == JournalStore::CopyResult::Written) {
            m_copyNote->hide();
        } else if (result == JournalStore::CopyResult::Failed) {
            m_copyNote->setText(QStringLiteral("The copy could not be saved \u2014 ") + error + u'.');
            m_copyNote->show();
        }
    });
    connect(&store, &JournalStore::hasUnsavedChangesChanged, this, &JournalBanner::refresh);
    connect(&store, &JournalStore::lastSaveErrorChanged, this, &JournalBanner::refresh);
    const auto recolour = [this] {
        colourLabels(m_labels, {m_copyNote});
        update();
    };
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, recolour);
    recolour();
    followReminders();
}

void JournalBanner::addDamagedRow(const QString& copy, DamagedFile file, QWidget*& row, const QString& leftUnchanged)
{
    if ((copy.isEmpty() && leftUnchanged.isEmpty()) || row) {
        return;
    }
    QLabel* text = bannerLabel(this, 13);
    text->setText(damagedFileText(copy, file, leftUnchanged));
    m_labels.append(text);
    QList<QAbstractButton*> buttons;
    if (!copy.isEmpty()) {
        auto* show = new BannerButton(QStringLiteral("Show in Files"), this);
        show->setObjectName(file == DamagedFile::Journal ? QStringLiteral("showJournalCopy")
                            : file == DamagedFile::Trash ? QStringLiteral("showTrashCopy")
                                                         : QStringLiteral("showMoodsCopy"));
        connect(show, &QAbstractButton::clicked, this, [this, copy] { m_reveal(copy); });
        buttons << show;
    }
    row = makeRow(this, text, nullptr, buttons);
    layout()->addWidget(row);
}

void JournalBanner::showDamagedMoods(const QString& copyPath, const QString& leftUnchanged)
{
    addDamagedRow(copyPath, DamagedFile::Moods, m_moodsRow, leftUnchanged);
    colourLabels(m_labels, {m_copyNote});
    refresh();
}

void JournalBanner::showNotice(const QString& text)
{
    if (text.isEmpty()) {
        return;
    }
    QLabel* label = bannerLabel(this, 13);
    label->setText(text);
    m_labels.append(label);
    m_notices << makeRow(this, label, nullptr, {});
    layout()->addWidget(m_notices.last());
    colourLabels(m_labels, {m_copyNote});
    refresh();
}

void JournalBanner::followReminders()
{
    const QString why = NotificationCenter::instance().leftUnchanged();
    if (m_remindersRow) {
        m_remindersRow->findChild<QLabel*>()->setText(damagedFileText({}, DamagedFile::Reminders, why));
        m_remindersRow->setHidden(why.isEmpty());
    } else {
        addDamagedRow({}, DamagedFile::Reminders, m_remindersRow, why);
        colourLabels(m_labels, {m_copyNote});
    }
    refresh();
}

QString JournalBanner::saveFailureText(const QString& reason)
{
    QString cause = reason.trimmed();
    while (cause.endsWith(u'.')) {
        cause.chop(1);
    }
    return QStringLiteral("Vesperlog could not save your journal \u2014 ") + cause
           + QStringLiteral(". Your changes are kept while the app is open.");
}

QString JournalBanner::damagedFileText(const QString& copyPath, DamagedFile file, const QString& leftUnchanged)
{
    const QString what = file == DamagedFile::Trash       ? QStringLiteral("trash")
                         : file == DamagedFile::Moods     ? QStringLiteral("moods")
                         : file == DamagedFile::Reminders ? QStringLiteral("reminders")
                                                          : QStringLiteral("journal");
    QString text = QStringLiteral("Your %1 file could not be read").arg(what);
    if (!leftUnchanged.isEmpty()) {
        text += QStringLiteral(" \u2014 ") + leftUnchanged;
    }
    text += u'.';
    if (!copyPath.isEmpty()) {
        text += QStringLiteral(" A copy was kept at ") + copyPath + u'.';
    }
    return text;
}

QStringList JournalBanner::messages() const
{
    QStringList texts;
    QList<QWidget*> rows{m_saveRow, m_journalRow, m_trashRow, m_moodsRow, m_remindersRow};
    rows << m_notices;
    for (QWidget* row : rows) {
        if (row && !row->isHidden()) {
            texts << row->findChild<QLabel*>()->text();
        }
    }
    return texts;
}

void JournalBanner::refresh()
{
    const bool unsaved = m_store.hasUnsavedChanges();
    if (unsaved) {
        m_saveText->setText(saveFailureText(m_store.lastSaveError()));
    } else {
        m_copyNote->hide();
    }
    m_saveRow->setHidden(!unsaved);
    const bool reminders = m_remindersRow && !m_remindersRow->isHidden();
    setHidden(!unsaved && !m_journalRow && !m_trashRow && !m_moodsRow && !reminders && m_notices.isEmpty());
}
