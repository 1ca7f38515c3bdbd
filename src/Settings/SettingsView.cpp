#include "Settings/SettingsView.h"

#include "Settings/SettingsTabs.h"
#include "Theme/AppearanceManager.h"
#include "Theme/FocusRing.h"
#include "Theme/Fonts.h"
#include "Theme/PaintedButton.h"
#include "Theme/Palette.h"
#include "Theme/SymbolIcons.h"
#include "Theme/WindowFit.h"
#include "Widgets/Hairline.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <functional>

namespace {

/// One toolbar button: the tab's symbol above its label; the current tab sits on a rounded plate with
/// its symbol in the accent colour. Colours are read at every paint.
class TabButton final : public vsp::PaintedButton {
public:
    TabButton(const QString& text, const QString& symbol, QWidget* parent) : PaintedButton(parent), m_symbol(symbol)
    {
        setText(text);
        setCheckable(true);
        // In the exclusive group only the current tab takes Tab: the bar is one stop, the arrows move on it.
        setFocusPolicy(Qt::TabFocus);
        // The ring goes round the plate, inside the button's 2-pixel margin.
        vsp::setFocusRing(this, 9, 0);
        // A toolbar tab keeps the plain pointer.
        unsetCursor();
        setFont(vsp::fonts::system(11));
        setFixedSize(70, 50);
    }

    /// Called with -1 or 1 by the arrow keys: the tab before or after the current one.
    std::function<void(int)> step;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF plate = QRectF(rect()).adjusted(2, 2, -2, -2);
        if (isChecked() || isDown() || isHovered()) {
            QPainterPath path;
            path.addRoundedRect(plate, 7, 7);
            p.fillPath(path, (isChecked() ? vsp::Color::vspMuted() : vsp::Color::vspSurfaceAlt()).resolve());
        }
        const QColor ink = isChecked() ? vsp::Color::resolvedAccent(1).resolve() : vsp::Color::vspFgMuted().resolve();
        vsp::symbols::paint(p, m_symbol, QRectF(width() / 2.0 - 9, 7, 18, 18), ink);
        p.setPen((isChecked() ? vsp::Color::vspForeground() : vsp::Color::vspFgMuted()).resolve());
        p.setFont(font());
        p.drawText(QRectF(0, 29, width(), 16), Qt::AlignHCenter | Qt::AlignTop, text());
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && step && (event->key() == Qt::Key_Left || event->key() == Qt::Key_Up)) {
            step(-1);
        } else if (plain && step && (event->key() == Qt::Key_Right || event->key() == Qt::Key_Down)) {
            step(1);
        } else {
            PaintedButton::keyPressEvent(event);
        }
    }

private:
    QString m_symbol;
};

} // namespace

SettingsView::SettingsView(JournalStore& store, AppSettings& settings, MoodStore& moodStore, Updater& updater,
                           const QString& version, const QString& build, QWidget* parent)
    : QWidget(parent),
      m_buttons(new QButtonGroup(this)),
      m_pages(new QStackedWidget(this))
{
    setWindowTitle(tr("Settings"));
    setFixedSize(540, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(8, 6, 8, 6);
    bar->setSpacing(2);
    bar->addStretch(1);
    layout->addLayout(bar);
    layout->addWidget(new vsp::Hairline(this));
    layout->addWidget(m_pages, 1);

    const std::pair<QWidget*, std::pair<QString, QString>> tabs[] = {
        {new GeneralSettingsTab(store, settings, moodStore), {tr("General"), QStringLiteral("gearshape")}},
        {new AppearanceSettingsTab(settings), {tr("Appearance"), QStringLiteral("paintbrush")}},
        {new PersonalizationSettingsTab(store, settings), {tr("Personalize"), QStringLiteral("wand.and.stars")}},
        {new ShortcutsSettingsTab, {tr("Shortcuts"), QStringLiteral("keyboard")}},
        {new DataSettingsTab(store, settings), {tr("Data"), QStringLiteral("externaldrive")}},
        {new SecuritySettingsTab(store, settings), {tr("Security"), QStringLiteral("lock")}},
        {new AboutSettingsTab(store, settings, updater, version, build), {tr("About"), QStringLiteral("info.circle")}},
    };
    int index = 0;
    for (const auto& [page, label] : tabs) {
        page->setObjectName(QStringLiteral("tab%1").arg(index));
        m_pages->addWidget(page);
        auto* button = new TabButton(label.first, label.second, this);
        button->setObjectName(QStringLiteral("tabButton%1").arg(index));
        m_buttons->addButton(button, index++);
        bar->addWidget(button);
    }
    bar->addStretch(1);
    connect(m_buttons, &QButtonGroup::idClicked, this, &SettingsView::setCurrentTab);
    setCurrentTab(0);

    // The window has no menu bar of its own: these close it from the keyboard. Two shortcuts on the same
    // keys would cancel each other out, so the desktop's own Close keys are added only when they differ.
    QList<QKeySequence> closeKeys = {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)};
    for (const QKeySequence& keys : QKeySequence::keyBindings(QKeySequence::Close)) {
        if (!closeKeys.contains(keys)) {
            closeKeys.append(keys);
        }
    }
    for (const QKeySequence& keys : closeKeys) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
    // Ctrl+Tab and Ctrl+Shift+Tab go round the tabs, as in every tabbed window; Shift+Tab arrives as
    // Backtab. On the tab bar the arrow keys move between the tabs too.
    const auto stepTab = [this](int step) {
        const int next = (currentTab() + step + tabCount()) % tabCount();
        setCurrentTab(next);
        // On the tab bar the focus goes along with the tab.
        auto* focused = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
        if (focused && m_buttons->buttons().contains(focused)) {
            m_buttons->button(next)->setFocus(Qt::TabFocusReason);
        }
    };
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this), &QShortcut::activated, this,
            [stepTab] { stepTab(1); });
    for (const QKeyCombination keys : {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, Qt::CTRL | Qt::SHIFT | Qt::Key_Tab}) {
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this, [stepTab] { stepTab(-1); });
    }
    for (QAbstractButton* button : m_buttons->buttons()) {
        static_cast<TabButton*>(button)->step = stepTab;
    }
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));
}

int SettingsView::tabCount() const
{
    return m_pages->count();
}

int SettingsView::currentTab() const
{
    return m_pages->currentIndex();
}

void SettingsView::setCurrentTab(int index)
{
    if (index < 0 || index >= m_pages->count()) {
        return;
    }
    m_pages->setCurrentIndex(index);
    m_buttons->button(index)->setChecked(true);
    // The bar's one Tab stop is the current tab. Qt moves it along only as a tab button takes the focus;
    // a tab chosen from a form (Ctrl+Tab) would leave it on the tab before.
    for (QAbstractButton* button : m_buttons->buttons()) {
        button->setFocusPolicy(button->isChecked() ? Qt::TabFocus : Qt::NoFocus);
    }
}

void SettingsView::showEvent(QShowEvent* event)
{
    // The first time it opens, over the window it was opened from rather than wherever the window
    // manager finds room; after that it stays where the user puts it.
    if (!m_placed) {
        m_placed = true;
        QWidget* anchor = QApplication::activeWindow();
        if (anchor && anchor != this) {
            move(anchor->frameGeometry().center() - rect().center());
        }
        // Over a window near the screen's edge, or on a small or scaled screen, it stays wholly on it.
        vsp::fitToScreen(this);
    }
    QWidget::showEvent(event);
}

void SettingsView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), vsp::Color::vspBackground().resolve());
}
