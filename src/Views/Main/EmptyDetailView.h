#pragma once

#include <QWidget>

class JournalStore;
namespace vsp {
class SpringValue;
}

/// The detail column while no entry is selected: an icon on accent-tinted glass with a title and a hint
/// pointing to the New Entry command. Its content grows and fades in when it takes an entry's place in
/// a window on screen; shown together with its window (at start-up) it is at rest at once.
class EmptyDetailView final : public QWidget {
    Q_OBJECT

public:
    explicit EmptyDetailView(JournalStore& store, QWidget* parent = nullptr);

    /// "Your journal awaits" when the journal holds no entries at all (archived ones count), else
    /// "Select an entry".
    QString title() const;
    QString hint() const;
    /// 0 before the appear animation, 1 after it (and at rest).
    qreal appeared() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    JournalStore& m_store;
    vsp::SpringValue* m_appeared;
};
