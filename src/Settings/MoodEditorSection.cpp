#include "Settings/MoodEditorSection.h"

#include "Model/MoodStore.h"
#include "Settings/EmojiFilter.h"
#include "Settings/SettingsForm.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Fonts.h"
#include "Theme/PaintedButton.h"
#include "Theme/SymbolIcons.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

using namespace vsp::settings;

namespace {

/// A round symbol button without a frame, its colour asked for at every paint.
class SymbolButton final : public vsp::PaintedButton {
public:
    SymbolButton(const QString& symbol, std::function<QColor()> color, const QString& name, QWidget* parent)
        : PaintedButton(parent),
          m_symbol(symbol),
          m_color(std::move(color))
    {
        setAccessibleName(name);
        setToolTip(name);
        setFocusPolicy(Qt::StrongFocus);
        setFixedSize(22, 22);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) {
            p.setOpacity(0.35);
        } else if (isDown()) {
            p.setOpacity(0.7);
        }
        vsp::symbols::paint(p, m_symbol, QRectF(rect()).adjusted(3, 3, -3, -3), m_color());
    }

private:
    QString m_symbol;
    std::function<QColor()> m_color;
};

QColor removeColor()
{
    QColor red(0xFF, 0x3B, 0x30);
    red.setAlphaF(0.7f);
    return red;
}

} // namespace

QString MoodEditorSection::trimmedSpaces(const QString& text)
{
    auto isSpace = [](QChar c) { return c == u'\t' || c.category() == QChar::Separator_Space; };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isSpace(text.at(start))) {
        ++start;
    }
    while (end > start && isSpace(text.at(end - 1))) {
        --end;
    }
    return text.mid(start, end - start);
}

MoodEditorSection::MoodEditorSection(MoodStore& moods, QWidget* parent)
    : QWidget(parent),
      m_moods(moods),
      m_rows(new QVBoxLayout),
      m_emoji(new QLineEdit(this)),
      m_label(new QLineEdit(this)),
      m_add(new SymbolButton(
          QStringLiteral("plus.circle.fill"), [] { return vsp::Color::resolvedAccent(1).resolve(); }, tr("Add mood"),
          this)),
      m_restore(new QPushButton(tr("Restore defaults"), this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_rows->setSpacing(6);
    m_rows->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(m_rows);

    auto* addRow = new QHBoxLayout;
    addRow->setSpacing(8);
    m_emoji->setObjectName(QStringLiteral("moodEmojiField"));
    m_emoji->setFixedWidth(40);
    m_emoji->setAlignment(Qt::AlignCenter);
    m_emoji->setAccessibleName(tr("Emoji"));
    addRow->addWidget(m_emoji);
    m_label->setObjectName(QStringLiteral("moodLabelField"));
    m_label->setPlaceholderText(tr("Label"));
    m_label->setAccessibleName(tr("Label"));
    addRow->addWidget(m_label, 1);
    m_add->setObjectName(QStringLiteral("addMood"));
    addRow->addWidget(m_add);
    layout->addLayout(addRow);
    m_restore->setObjectName(QStringLiteral("restoreMoods"));
    m_restore->setFont(vsp::fonts::system(11));
    layout->addWidget(m_restore, 0, Qt::AlignLeft);

    connect(m_emoji, &QLineEdit::textChanged, this, [this](const QString& text) {
        // The field holds at most one emoji: anything else typed or pasted is dropped at once.
        const QString kept = vsp::filterEmoji(text);
        if (kept != text) {
            m_emoji->setText(kept);
        }
        refreshAddEnabled();
    });
    connect(m_label, &QLineEdit::textChanged, this, &MoodEditorSection::refreshAddEnabled);
    connect(m_label, &QLineEdit::returnPressed, this, &MoodEditorSection::addMood);
    connect(m_add, &QAbstractButton::clicked, this, &MoodEditorSection::addMood);
    connect(m_restore, &QPushButton::clicked, this, &MoodEditorSection::restoreDefaults);
    connect(&m_moods, &MoodStore::moodsChanged, this, &MoodEditorSection::rebuildRows);
    rebuildRows();
    refreshAddEnabled();
}

void MoodEditorSection::refreshAddEnabled()
{
    m_add->setEnabled(!trimmedSpaces(m_emoji->text()).isEmpty() && !trimmedSpaces(m_label->text()).isEmpty());
}

void MoodEditorSection::addMood()
{
    const QString emoji = trimmedSpaces(m_emoji->text());
    const QString label = trimmedSpaces(m_label->text());
    if (emoji.isEmpty() || label.isEmpty()) {
        return;
    }
    QList<MoodItem> list = m_moods.moods();
    list.append(MoodItem{QUuid::createUuid(), emoji, label});
    m_moods.setMoods(list);
    m_moods.save();
    m_emoji->clear();
    m_label->clear();
}

void MoodEditorSection::restoreDefaults()
{
    if (!m_moods.moods().isEmpty()) {
        return;
    }
    // One change and one write for the four moods: every reader sees them arrive together.
    m_moods.setMoods(MoodStore::defaultMoods());
    m_moods.save();
}

void MoodEditorSection::rebuildRows()
{
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        // A row may be the one whose remove button is still delivering its click: let it go later.
        if (QWidget* row = item->widget()) {
            row->hide();
            row->setParent(nullptr);
            row->deleteLater();
        }
        delete item;
    }
    for (const MoodItem& mood : m_moods.moods()) {
        auto* row = new QWidget(this);
        row->setObjectName(QStringLiteral("moodRow"));
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(10);
        QLabel* emoji = plainLabel(mood.emoji, row);
        emoji->setFont(vsp::fonts::system(16));
        emoji->setMinimumWidth(24);
        layout->addWidget(emoji);
        QLabel* label = plainLabel(mood.label, row);
        label->setObjectName(QStringLiteral("moodLabel"));
        label->setFont(vsp::fonts::system(13));
        tintText(label, &vsp::Color::vspForeground);
        layout->addWidget(label, 1);
        auto* remove =
            new SymbolButton(QStringLiteral("minus.circle.fill"), removeColor, tr("Remove %1").arg(mood.label), row);
        remove->setObjectName(QStringLiteral("removeMood"));
        connect(remove, &QAbstractButton::clicked, this, [this, id = mood.id] {
            QList<MoodItem> list = m_moods.moods();
            const auto it = std::find_if(list.begin(), list.end(), [&id](const MoodItem& m) { return m.id == id; });
            if (it == list.end()) {
                return;
            }
            list.erase(it);
            m_moods.setMoods(list);
            m_moods.save();
        });
        layout->addWidget(remove);
        m_rows->addWidget(row);
    }
    m_restore->setVisible(m_moods.moods().isEmpty());
}
