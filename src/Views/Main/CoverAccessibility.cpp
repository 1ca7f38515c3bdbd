#include "Views/Main/CoverAccessibility.h"

#include "Platform/AccessibilityBridge.h"
#include "Settings/LockScreenView.h"
#include "Views/Main/ContentView.h"

#include <QAccessible>
#include <QColor>
#include <QRect>

#include <utility>

namespace {

/// The ContentView that holds `object` beneath its columns (anything of it but the cover), else null.
const ContentView* holdingView(const QObject* object)
{
    const QObject* below = nullptr;
    for (const QObject* o = object; o; below = o, o = o->parent()) {
        if (const auto* view = qobject_cast<const ContentView*>(o)) {
            return below && below != view->lockScreen() ? view : nullptr;
        }
    }
    return nullptr;
}

/// A hidden widget's interface as the widget's own (the one Qt makes for its class), silent while the
/// cover over it is up.
class CoverableAccessible final : public QAccessibleInterface {
public:
    explicit CoverableAccessible(QAccessibleInterface* own) : m_own(own), m_ownId(QAccessible::uniqueId(own)) { }
    ~CoverableAccessible() override
    {
        // By its id: when the widget goes, the cache may have deleted the own interface already.
        QAccessible::deleteAccessibleInterface(m_ownId);
    }
    Q_DISABLE_COPY_MOVE(CoverableAccessible)

    bool isValid() const override { return m_own->isValid(); }
    QObject* object() const override { return m_own->object(); }
    QWindow* window() const override { return m_own->window(); }
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(QAccessible::Relation match) const override
    {
        return covered() ? QList<QPair<QAccessibleInterface*, QAccessible::Relation>>() : m_own->relations(match);
    }
    QAccessibleInterface* focusChild() const override { return covered() ? nullptr : m_own->focusChild(); }
    QAccessibleInterface* childAt(int x, int y) const override { return covered() ? nullptr : m_own->childAt(x, y); }
    QAccessibleInterface* parent() const override { return m_own->parent(); }
    QAccessibleInterface* child(int index) const override { return covered() ? nullptr : m_own->child(index); }
    int childCount() const override { return covered() ? 0 : m_own->childCount(); }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return covered() ? -1 : m_own->indexOfChild(child);
    }
    QString text(QAccessible::Text t) const override { return covered() ? QString() : m_own->text(t); }
    void setText(QAccessible::Text t, const QString& text) override
    {
        if (!covered()) {
            m_own->setText(t, text);
        }
    }
    QRect rect() const override { return m_own->rect(); }
    QAccessible::Role role() const override { return m_own->role(); }
    QAccessible::State state() const override
    {
        QAccessible::State state = m_own->state();
        if (covered()) {
            state.invisible = true;
        }
        return state;
    }
    QColor foregroundColor() const override { return m_own->foregroundColor(); }
    QColor backgroundColor() const override { return m_own->backgroundColor(); }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return covered() ? nullptr : m_own->interface_cast(type);
    }
    void virtual_hook(int id, void* data) override { m_own->virtual_hook(id, data); }

private:
    bool covered() const { return vsp::cover::liesUnderCover(object()); }

    QAccessibleInterface* m_own;
    QAccessible::Id m_ownId;
};

/// Wraps the interface of each widget beneath a ContentView's columns. The widget's own interface is
/// made first, through the factories behind this one, while this one steps aside for that object.
QAccessibleInterface* coverableFactory(const QString&, QObject* object)
{
    static const QObject* making = nullptr;
    if (object == making || !object->isWidgetType() || !holdingView(object)) {
        return nullptr;
    }
    const QObject* outer = std::exchange(making, object);
    QAccessibleInterface* own = QAccessible::queryAccessibleInterface(object);
    making = outer;
    return own ? new CoverableAccessible(own) : nullptr;
}

QAccessible::UpdateHandler g_next = nullptr;

/// The object an event is about: its own, or the nearest object above an interface that has none
/// (a cell of a list).
const QObject* sourceOf(QAccessibleEvent* event)
{
    if (event->object()) {
        return event->object();
    }
    for (QAccessibleInterface* iface = event->accessibleInterface(); iface; iface = iface->parent()) {
        if (iface->object()) {
            return iface->object();
        }
    }
    return nullptr;
}

void coverUpdateHandler(QAccessibleEvent* event)
{
    if (vsp::cover::liesUnderCover(sourceOf(event))) {
        return;
    }
    if (g_next) {
        g_next(event);
    } else {
        vsp::accessibility::sendToPlatform(event);
    }
}

} // namespace

namespace vsp::cover {

void installAccessibilityGuard()
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(coverableFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(coverUpdateHandler);
    if (previous != coverUpdateHandler) {
        g_next = previous;
    }
}

bool liesUnderCover(const QObject* object)
{
    const ContentView* view = holdingView(object);
    return view && view->isCovered();
}

} // namespace vsp::cover
