#pragma once

#include <QObject>

/// Which columns of the main window's three-column split are shown. Owned by the main window and handed
/// to the sidebar and the entry list, which hide and bring back the sidebar through it.
class ColumnVisibilityHolder final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColumnVisibilityHolder)
    Q_PROPERTY(Visibility visibility READ visibility WRITE setVisibility NOTIFY visibilityChanged)

public:
    /// All three columns; list and detail (sidebar hidden); the detail alone.
    enum class Visibility { All, DoubleColumn, DetailOnly };
    Q_ENUM(Visibility)

    explicit ColumnVisibilityHolder(QObject* parent = nullptr) : QObject(parent) { }

    Visibility visibility() const { return m_visibility; }
    void setVisibility(Visibility visibility)
    {
        if (m_visibility == visibility) {
            return;
        }
        m_visibility = visibility;
        Q_EMIT visibilityChanged();
    }

Q_SIGNALS:
    void visibilityChanged();

private:
    Visibility m_visibility = Visibility::All;
};
