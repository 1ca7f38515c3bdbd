#include "Settings/SettingsForm.h"
#include "Settings/SettingsTabs.h"

#include "Theme/Fonts.h"
#include "Widgets/Hairline.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QVBoxLayout>

using namespace vsp::settings;

namespace {

QString native(QKeyCombination keys)
{
    return QKeySequence(keys).toString(QKeySequence::NativeText);
}

} // namespace

QList<std::pair<QString, QString>> ShortcutsSettingsTab::shortcuts()
{
    // The same combinations the menus bind, written the way this desktop writes them ("Ctrl+K").
    return {
        {native(Qt::CTRL | Qt::Key_K), tr("Toggle Search")},
        {native(Qt::CTRL | Qt::Key_E), tr("Edit Entry")},
        {native(Qt::CTRL | Qt::Key_Backspace), tr("Delete Entry")},
        {native(Qt::CTRL | Qt::SHIFT | Qt::Key_F), tr("Toggle Favorite")},
        {native(Qt::CTRL | Qt::Key_Return), tr("Save Entry (compose)")},
        {native(Qt::CTRL | Qt::Key_N), tr("New Entry")},
        {native(Qt::CTRL | Qt::Key_Comma), tr("Settings")},
        {native(Qt::CTRL | Qt::Key_W), tr("Close Window")},
    };
}

ShortcutsSettingsTab::ShortcutsSettingsTab(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(0);
    QLabel* header = plainLabel(QStringLiteral("KEYBOARD SHORTCUTS"), this);
    header->setFont(vsp::fonts::tracked(vsp::fonts::system(10, QFont::Medium), 1.5));
    tintText(header, &vsp::Color::vspFgSubtle);
    header->setContentsMargins(0, 0, 0, 12);
    layout->addWidget(header);
    layout->addWidget(new vsp::Hairline(this));
    for (const auto& [keys, description] : shortcuts()) {
        auto* row = new QWidget(this);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 6, 0, 6);
        QLabel* keyLabel = plainLabel(keys, row);
        keyLabel->setObjectName(QStringLiteral("shortcutKeys"));
        keyLabel->setFont(vsp::fonts::monospaced(12));
        // Wide enough for "Ctrl+Backspace", which the other desktop writes as two symbols.
        keyLabel->setFixedWidth(128);
        tintText(keyLabel, [] { return vsp::Color::resolvedAccentText(); });
        rowLayout->addWidget(keyLabel);
        QLabel* text = plainLabel(description, row);
        text->setFont(vsp::fonts::system(13));
        tintText(text, &vsp::Color::vspForeground);
        rowLayout->addWidget(text);
        rowLayout->addStretch(1);
        layout->addWidget(row);
        layout->addWidget(new vsp::Hairline(this));
    }
    layout->addStretch(1);
}
