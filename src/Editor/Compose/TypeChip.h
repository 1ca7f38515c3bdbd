#pragma once

#include "Model/JournalEntry.h"
#include "Theme/PaintedButton.h"

#include <QColor>

class ComposeMotionTest;
class ComposeViewTest;
namespace vsp {
class SpringValue;
}

/// One chip of a type picker: a dot in the type's colour (while chosen) and the type's name. The New
/// Entry window uses the regular size on clear glass; quick capture's small panel the compact one,
/// whose chosen name is kept readable on the panel (a pale accent would vanish there).
class TypeChip final : public vsp::PaintedButton {
    Q_OBJECT

public:
    enum class Size { Regular, Compact };

    TypeChip(JournalEntry::EntryType type, QWidget* parent = nullptr, Size size = Size::Regular);

    JournalEntry::EntryType type() const { return m_type; }
    /// Chooses or unchooses the chip; with `animate` its look glides over with a spring of response 0.22.
    void setChosen(bool chosen, bool animate = false);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeViewTest;

    // Read by its tests alone.
    bool isChosen() const { return m_chosen; }
    /// How chosen the chip looks now: 0 not at all … 1 fully (between while it glides).
    double chosenLevel() const;

    /// The type's colour: the accent for Journal, its own colour for the others.
    QColor typeColor() const;

    JournalEntry::EntryType m_type;
    Size m_size;
    bool m_chosen = false;
    vsp::SpringValue* m_level;
};
