#include "Views/Main/ContentView.h"

#include "App/Theme/AppearanceManager.h"
#include "App/Theme/ColumnVisibilityHolder.h"
#include "App/Theme/Palette.h"
#include "App/Theme/Spring.h"
#include "Model/JournalStore.h"
#include "Model/UserDefaults.h"
#include "Settings/LockScreenView.h"
#include "Settings/OnboardingView.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/EmptyDetailView.h"
#include "Views/Main/EntryListView.h"
#include "Views/Sidebar/SidebarView.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>

using vsp::Color;

namespace {

const QString kOnboardingKey = QStringLiteral("hasCompletedOnboarding");
const QString kAppLockKey = QStringLiteral("appLockEnabled");

} // namespace

ContentView::ContentView(JournalStore& store, MoodStore& moodStore, vsp::OpenWindowAction openWindow, QWidget* parent)
    : QWidget(parent), m_store(store), m_moodStore(moodStore), m_columns(new ColumnVisibilityHolder(this)),
      m_splitter(new QSplitter(Qt::Horizontal, this)),
      m_sidebar(new SidebarView(store, moodStore, *m_columns, m_splitter)),
      m_list(new EntryListView(store, moodStore, *m_columns, openWindow, m_splitter)),
      m_detailStack(new QStackedWidget(m_splitter)), m_emptyDetail(new EmptyDetailView(store, m_detailStack)),
      m_detail(new EntryDetailView(store, moodStore, JournalEntry{}, m_detailStack)),
      m_lock(new LockScreenView(store, this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    m_sidebar->setMinimumWidth(220);
    m_sidebar->setMaximumWidth(300);
    m_list->setMinimumWidth(300);
    m_list->setMaximumWidth(420);
    m_detailStack->setMinimumWidth(320);
    m_detailStack->addWidget(m_emptyDetail);
    m_detailStack->addWidget(m_detail);
    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_list);
    m_splitter->addWidget(m_detailStack);
    m_splitter->setCollapsible(0, true);
    m_splitter->setCollapsible(1, false);
    m_splitter->setCollapsible(2, false);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 0);
    m_splitter->setStretchFactor(2, 1);
    m_splitter->setHandleWidth(1);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setCollapsible(0, true);
    m_splitter->setSizes({250, 340, 850});

    // Dragging the sidebar shut hides it the same way its own button does.
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] {
        const QList<int> sizes = m_splitter->sizes();
        if (!sizes.isEmpty() && sizes[0] == 0 && m_sidebar->isVisible()) {
            m_columns->setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
        } else if (!sizes.isEmpty() && sizes[0] > 0) {
            m_sidebarWidth = sizes[0];
        }
    });

    m_lock->hide();
    auto* lockOpacity = new QGraphicsOpacityEffect(m_lock);
    lockOpacity->setOpacity(1.0);
    m_lock->setGraphicsEffect(lockOpacity);

    connect(m_columns, &ColumnVisibilityHolder::visibilityChanged, this, &ContentView::refreshColumns);
    connect(&store, &JournalStore::focusModeChanged, this, &ContentView::refreshColumns);
    connect(&store, &JournalStore::selectedEntryIDChanged, this, &ContentView::refreshDetail);
    connect(&store, &JournalStore::entriesChanged, this, &ContentView::refreshDetail);
    connect(&store, &JournalStore::isLockedChanged, this, &ContentView::refreshLock);
    // A new accent colour starts the content over: views pick it up, and view state such as an open
    // search field is dropped (the sidebar's shown or hidden state is kept).
    connect(&AppearanceManager::instance(), &AppearanceManager::accentChanged, this, [this] {
        m_list->clearSearchAndQuery();
        update();
        for (QWidget* child : findChildren<QWidget*>()) {
            child->update();
        }
    });
    connect(&AppearanceManager::instance(), &AppearanceManager::appearanceChanged, this, qOverload<>(&QWidget::update));

    refreshDetail();
    refreshLock();
}

ContentView::~ContentView() = default;

bool ContentView::isFocusLayout() const
{
    return m_store.focusMode() && m_store.selectedEntry().has_value();
}

void ContentView::refreshDetail()
{
    const std::optional<JournalEntry> selected = m_store.selectedEntry();
    if (selected) {
        if (m_detail->entry() != *selected) {
            m_detail->setEntry(*selected);
        }
        m_detailStack->setCurrentWidget(m_detail);
    } else {
        m_detail->commitEdits();
        m_detailStack->setCurrentWidget(m_emptyDetail);
    }
    refreshColumns();
}

void ContentView::refreshColumns()
{
    const bool focus = isFocusLayout();
    const auto visibility = m_columns->visibility();
    const bool showSidebar = !focus && visibility == ColumnVisibilityHolder::Visibility::All;
    const bool showList = !focus && visibility != ColumnVisibilityHolder::Visibility::DetailOnly;
    const bool sidebarWasHidden = !m_sidebar->isVisibleTo(this);
    m_sidebar->setVisible(showSidebar);
    m_list->setVisible(showList);
    if (showSidebar && sidebarWasHidden) {
        QList<int> sizes = m_splitter->sizes();
        if (sizes.size() == 3 && sizes[0] == 0) {
            sizes[0] = std::clamp(m_sidebarWidth, 220, 300);
            sizes[2] = std::max(320, sizes[2] - sizes[0]);
            m_splitter->setSizes(sizes);
        }
    }
}

void ContentView::refreshLock()
{
    auto* effect = static_cast<QGraphicsOpacityEffect*>(m_lock->graphicsEffect());
    if (m_store.isLocked()) {
        // The cover is opaque at once: nothing of the journal may show while it would fade in.
        effect->setOpacity(1.0);
        m_lock->setGeometry(rect());
        m_lock->raise();
        m_lock->show();
        m_splitter->setEnabled(false);
        m_lock->setFocus();
    } else if (m_lock->isVisible()) {
        m_splitter->setEnabled(true);
        if (!vsp::animationsEnabled()) {
            m_lock->hide();
            return;
        }
        auto* fade = vsp::animateProperty(effect, "opacity", 0.0, vsp::Spring{0.25, 1.0});
        connect(fade, &QAbstractAnimation::finished, m_lock, [this] {
            if (!m_store.isLocked()) {
                m_lock->hide();
            }
        });
    } else {
        m_splitter->setEnabled(true);
    }
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    auto& defaults = UserDefaults::instance();
    if (defaults.boolean(kAppLockKey, false)) {
        m_store.setIsLocked(true);
    }
    if (!defaults.boolean(kOnboardingKey, false) && !m_onboardingScheduled && !m_onboarding) {
        m_onboardingScheduled = true;
        QTimer::singleShot(400, this, &ContentView::presentOnboarding);
    }
}

void ContentView::presentOnboarding()
{
    m_onboardingScheduled = false;
    if (m_onboarding || UserDefaults::instance().boolean(kOnboardingKey, false)) {
        return;
    }
    m_onboarding = new OnboardingView(window());
    m_onboarding->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_onboarding, &QDialog::finished, this, [this] {
        UserDefaults::instance().setValue(kOnboardingKey, true);
        m_onboarding = nullptr;
    });
    m_onboarding->open();
}

void ContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_lock->setGeometry(rect());
}

void ContentView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Color::vspBackground().resolve());
}
