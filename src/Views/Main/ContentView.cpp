#include "Views/Main/ContentView.h"

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Settings/LockScreenView.h"
#include "Settings/OnboardingView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"
#include "Theme/Spring.h"
#include "Theme/TransitionOverlay.h"
#include "Views/Detail/EntryDetailView.h"
#include "Views/Main/CoverAccessibility.h"
#include "Views/Main/EmptyDetailView.h"
#include "Views/Main/EntryListView.h"
#include "Views/Sidebar/SidebarView.h"
#include "Widgets/ColumnVisibilityHolder.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPropertyAnimation>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolTip>

using vsp::Color;

namespace {

/// The switch between the split view and the full-window detail.
constexpr vsp::Spring kFocusSpring{0.4, 1.0};
/// Showing and hiding the sidebar.
constexpr vsp::Spring kSidebarSpring{0.35, 1.0};

/// What assistive technology sees of the content: while the journal is locked only the cover is a
/// child, so a screen reader walking the window never reaches the covered columns.
class ContentAccessible final : public QAccessibleWidget {
public:
    explicit ContentAccessible(ContentView* view) : QAccessibleWidget(view, QAccessible::Client) { }

    int childCount() const override
    {
        if (const QWidget* cover = coverShown()) {
            return cover->isVisible() ? 1 : 0;
        }
        return QAccessibleWidget::childCount();
    }
    QAccessibleInterface* child(int index) const override
    {
        if (QWidget* cover = coverShown()) {
            return index == 0 && cover->isVisible() ? QAccessible::queryAccessibleInterface(cover) : nullptr;
        }
        return QAccessibleWidget::child(index);
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        if (QWidget* cover = coverShown()) {
            return child && child->object() == cover ? 0 : -1;
        }
        return QAccessibleWidget::indexOfChild(child);
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        if (QWidget* cover = coverShown()) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(cover);
            return iface && iface->rect().contains(x, y) ? iface : nullptr;
        }
        return QAccessibleWidget::childAt(x, y);
    }

private:
    /// The cover while the journal is locked, else null.
    QWidget* coverShown() const
    {
        auto* view = static_cast<ContentView*>(widget());
        return view->isCovered() ? static_cast<QWidget*>(view->lockScreen()) : nullptr;
    }
};

QAccessibleInterface* contentAccessibleFactory(const QString&, QObject* object)
{
    if (auto* view = qobject_cast<ContentView*>(object)) {
        return new ContentAccessible(view);
    }
    return nullptr;
}

/// Whether `window` belongs to `main`: a sheet, dialog or menu opened over it or over one of its windows.
bool belongsTo(const QWidget* window, const QWidget* main)
{
    for (const QWidget* parent = window->parentWidget(); parent; parent = parent->parentWidget()) {
        if (parent == main) {
            return true;
        }
    }
    return false;
}

} // namespace

ContentView::ContentView(JournalStore& store, MoodStore& moodStore, vsp::OpenWindowAction openWindow, QWidget* parent)
    : QWidget(parent),
      m_store(store),
      m_moodStore(moodStore),
      m_columns(new ColumnVisibilityHolder(this)),
      m_splitter(new QSplitter(Qt::Horizontal, this)),
      m_sidebar(new SidebarView(store, moodStore, *m_columns, openWindow, m_splitter)),
      m_list(new EntryListView(store, moodStore, *m_columns, openWindow, m_splitter)),
      m_detailStack(new QStackedWidget(m_splitter)),
      m_emptyDetail(new EmptyDetailView(store, m_detailStack)),
      m_detail(new EntryDetailView(store, moodStore, JournalEntry{}, m_detailStack)),
      m_lock(new LockScreenView(store, this))
{
    // Found by name in tests.
    m_splitter->setObjectName(QStringLiteral("columns"));
    m_emptyDetail->setObjectName(QStringLiteral("emptyDetail"));
    m_columns->setObjectName(QStringLiteral("columnVisibility"));
    // Before anything asks for this view's interface: interfaces are made once per object.
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(contentAccessibleFactory);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);
    vsp::cover::installAccessibilityGuard();
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
    connect(m_list, &EntryListView::dayChanged, m_detail, &EntryDetailView::refreshTimes);
    connect(m_list, &EntryListView::dayChanged, m_sidebar, &SidebarView::refreshDay);
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
            m_draggingSidebar = true;
            m_columns->setVisibility(ColumnVisibilityHolder::Visibility::DoubleColumn);
            m_draggingSidebar = false;
        } else if (!sizes.isEmpty() && sizes[0] > 0) {
            m_sidebarWidth = sizes[0];
        }
    });

    m_lock->hide();
    auto* lockOpacity = new QGraphicsOpacityEffect(m_lock);
    lockOpacity->setOpacity(1.0);
    m_lock->setGraphicsEffect(lockOpacity);

    connect(m_columns, &ColumnVisibilityHolder::visibilityChanged, this,
            [this] { refreshColumns(m_draggingSidebar ? std::nullopt : std::optional<vsp::Spring>(kSidebarSpring)); });
    connect(&store, &JournalStore::focusModeChanged, this, [this] { refreshColumns(kFocusSpring); });
    connect(&store, &JournalStore::selectedEntryIDChanged, this, &ContentView::refreshDetail);
    connect(&store, &JournalStore::entriesChanged, this, &ContentView::refreshDetail);
    connect(&store, &JournalStore::isLockedChanged, this, &ContentView::refreshLock);
    connect(&store, &JournalStore::isLockedChanged, this, [this] {
        if (!m_store.isLocked() && std::exchange(m_onboardingAfterUnlock, false)) {
            presentOnboarding();
        }
    });
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

ContentView::~ContentView()
{
    // An edit in progress is kept, while the columns can still hear of the change; after that the
    // store's signals no longer reach this half-destroyed view.
    m_detail->commitBeforeTeardown();
    disconnect(&m_store, nullptr, this, nullptr);
}

bool ContentView::isCovered() const
{
    return m_store.isLocked();
}

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
    // Selecting an entry while focus mode is on is what switches to the full-window detail.
    refreshColumns(kFocusSpring);
}

int ContentView::detailLeft() const
{
    return m_detailStack->isVisibleTo(m_splitter) ? m_detailStack->mapTo(this, QPoint(0, 0)).x() : 0;
}

void ContentView::refreshColumns(std::optional<vsp::Spring> spring)
{
    const bool focus = isFocusLayout();
    const auto visibility = m_columns->visibility();
    const bool showSidebar = !focus && visibility == ColumnVisibilityHolder::Visibility::All;
    const bool showList = !focus && visibility != ColumnVisibilityHolder::Visibility::DetailOnly;
    // Measured within the splitter, which is hidden while the cover is up.
    const bool sidebarWasHidden = !m_sidebar->isVisibleTo(m_splitter);
    const bool changes = showSidebar == sidebarWasHidden || showList != m_list->isVisibleTo(m_splitter);
    // The motion is painted from pictures of the columns above everything else: never while locked.
    if (changes && spring && vsp::animationsEnabled() && isVisible() && !m_store.isLocked()) {
        beginColumnTransition(*spring);
    }
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

void ContentView::beginColumnTransition(vsp::Spring spring)
{
    // A change of focus mode has changed the detail already; it pictured its parts as they were.
    std::shared_ptr<vsp::detail::FocusChangeMotion> detailMotion =
        m_detail->isVisible() ? m_detail->takeFocusChange() : nullptr;
    const int detailTop = m_detailStack->mapTo(this, QPoint(0, 0)).y();
    QPixmap from;
    if (m_columnTransition) {
        // A change while the last one still moves starts from the frame on screen.
        from = m_columnTransition->grab();
        const qreal t = m_columnSpring.progressAt(m_columnTransition->elapsedMs());
        m_transitionFromLeft = int(std::lround(m_transitionFromLeft + (m_transitionToLeft - m_transitionFromLeft) * t));
        m_columnTransition->finish();
        if (detailMotion) {
            const qreal dpr = from.devicePixelRatio();
            QPixmap shown = from.copy(QRectF(m_transitionFromLeft * dpr, detailTop * dpr,
                                             (width() - m_transitionFromLeft) * dpr, (height() - detailTop) * dpr)
                                          .toRect());
            shown.setDevicePixelRatio(dpr);
            detailMotion->replaceOldLook(shown);
        }
    } else {
        from = m_splitter->grab();
        m_transitionFromLeft = detailLeft();
    }
    m_transitionToLeft = m_transitionFromLeft;
    // The detail's parts move with springs of their own: the motion lasts as long as the longest.
    vsp::Spring carrier = spring;
    if (detailMotion && detailMotion->longestSpring().durationMs() > spring.durationMs()) {
        carrier = detailMotion->longestSpring();
    }
    auto self = std::make_shared<QPointer<vsp::TransitionOverlay>>();
    // The detail (the new layout under the old one fading out, or its own parts) and the columns left
    // of it (entering ones drawn whole, leaving ones fading) follow the detail's left edge as it moves.
    m_columnSpring = spring;
    auto paint = [this, spring, detailMotion, detailTop, self](QPainter& p, qreal, const QPixmap& oldLook,
                                                               const QPixmap& newLook) {
        const double elapsed = *self ? (*self)->elapsedMs() : 0;
        const qreal t = spring.progressAt(elapsed);
        const qreal w = width();
        const qreal h = height();
        const qreal a = m_transitionFromLeft;
        const qreal b = m_transitionToLeft;
        const qreal edge = a + (b - a) * t;
        p.fillRect(rect(), Color::vspBackground().resolve());
        if (detailMotion) {
            detailMotion->paint(p, QPointF(edge, detailTop), elapsed);
        } else {
            vsp::TransitionOverlay::drawPart(p, QPointF(edge, 0), newLook, QRectF(b, 0, w - b, h));
            p.setOpacity(1 - t);
            vsp::TransitionOverlay::drawPart(p, QPointF(edge, 0), oldLook, QRectF(a, 0, w - a, h));
        }
        p.setOpacity(1);
        vsp::TransitionOverlay::drawPart(p, QPointF(edge - b, 0), newLook, QRectF(0, 0, b, h));
        p.setOpacity(1 - t);
        vsp::TransitionOverlay::drawPart(p, QPointF(edge - a, 0), oldLook, QRectF(0, 0, a, h));
    };
    m_columnTransition = new vsp::TransitionOverlay(this, from, carrier, paint);
    *self = m_columnTransition;
    if (m_lock->isVisible()) {
        m_lock->raise();
    }
    m_columnTransition->start([this, detailMotion] {
        // The splitter places its columns when its layout request arrives: take the new look after it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        m_transitionToLeft = detailLeft();
        if (detailMotion) {
            detailMotion->takeNewLook();
        }
        return m_splitter->grab();
    });
}

void ContentView::refreshLock()
{
    auto* effect = static_cast<QGraphicsOpacityEffect*>(m_lock->graphicsEffect());
    if (m_store.isLocked()) {
        // The cover is opaque at once: nothing of the journal may show while it would fade in, nor
        // through a motion of the columns that would raise its pictures above the cover.
        if (m_columnTransition) {
            m_columnTransition->finish();
        }
        if (m_lockFade) {
            // An unlock's fade still running would carry the cover on to transparent.
            m_lockFade->stop();
        }
        effect->setOpacity(1.0);
        closeJournalWindows();
        m_lock->setGeometry(rect());
        m_lock->raise();
        m_lock->show();
        // Hidden, not only covered: nothing of the journal is drawn, takes input or is shown to
        // assistive technology (a disabled widget stays "showing" to a screen reader).
        m_splitter->setEnabled(false);
        m_splitter->hide();
        m_lock->setFocus();
        // Text selected under the cover stays offered as the X11 primary selection (a middle click in
        // any window pastes it) until its owner lets go. The clipboard the user copied to stays.
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection() && clipboard->ownsSelection()) {
            clipboard->clear(QClipboard::Selection);
        }
        QAccessibleEvent changed(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&changed);
    } else if (m_lock->isVisible()) {
        m_splitter->setEnabled(true);
        m_splitter->show();
        restoreSetAsideWindows();
        // The lists' interfaces heard none of their model's changes under the cover: they start over.
        for (QAbstractItemView* view : m_splitter->findChildren<QAbstractItemView*>()) {
            QAccessibleTableModelChangeEvent reset(view, QAccessibleTableModelChangeEvent::ModelReset);
            QAccessible::updateAccessibility(&reset);
        }
        QAccessibleEvent changed(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&changed);
        if (!vsp::animationsEnabled() || m_lock->unlockedWithoutCheck()) {
            m_lock->hide();
            return;
        }
        auto* fade = vsp::animateProperty(effect, "opacity", 0.0, vsp::Spring{0.25, 1.0});
        m_lockFade = fade;
        connect(fade, &QAbstractAnimation::finished, m_lock, [this] {
            if (!m_store.isLocked()) {
                m_lock->hide();
            }
        });
    } else {
        m_splitter->setEnabled(true);
        m_splitter->show();
    }
}

void ContentView::closeJournalWindows()
{
    QToolTip::hideText();
    const QWidget* main = window();
    // Closing one window may delete another (a question with its sheet): each is checked when reached.
    QList<QPointer<QWidget>> windows;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        windows.append(other);
    }
    for (const QPointer<QWidget>& other : std::as_const(windows)) {
        if (!other || other == main || !other->isVisible() || !belongsTo(other, main)) {
            continue;
        }
        // The introduction is put away too: over the cover it would take what is typed at the prompt.
        if (vsp::showsNoJournalData(other) || other == m_onboarding) {
            // Kept, but out of the way until the unlock: over the cover it would hide Unlock, and as a
            // window-modal sheet it would keep every click and key from it.
            m_setAside.append(other);
            other->hide();
            continue;
        }
        // A dialog is refused (a question run in a loop of its own returns "no"); anything else closes.
        if (auto* dialog = qobject_cast<QDialog*>(other)) {
            dialog->reject();
        } else {
            other->close();
        }
    }
}

void ContentView::restoreSetAsideWindows()
{
    for (const QPointer<QWidget>& other : std::exchange(m_setAside, {})) {
        if (other) {
            other->show();
        }
    }
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return;
    }
    lockWhenAppLockIsOn();
    const AppSettings& settings = AppSettings::instance();
    if (!settings.hasCompletedOnboarding() && !m_onboardingScheduled && !m_onboarding) {
        m_onboardingScheduled = true;
        // A named child, so tests run it instead of waiting.
        auto* delay = new QTimer(this);
        delay->setObjectName(QStringLiteral("onboardingTimer"));
        delay->setSingleShot(true);
        connect(delay, &QTimer::timeout, this, &ContentView::presentOnboarding);
        connect(delay, &QTimer::timeout, delay, &QObject::deleteLater);
        delay->start(400);
    }
}

void ContentView::lockWhenAppLockIsOn()
{
    if (AppSettings::instance().appLockEnabled()) {
        m_store.setIsLocked(true);
    }
}

void ContentView::presentOnboarding()
{
    m_onboardingScheduled = false;
    if (m_onboarding || AppSettings::instance().hasCompletedOnboarding()) {
        return;
    }
    if (m_store.isLocked()) {
        m_onboardingAfterUnlock = true;
        return;
    }
    m_onboarding = new OnboardingView(m_store.today(), window());
    m_onboarding->setObjectName(QStringLiteral("onboarding"));
    m_onboarding->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_onboarding, &QDialog::finished, this, [this] {
        AppSettings::instance().setHasCompletedOnboarding(true);
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
