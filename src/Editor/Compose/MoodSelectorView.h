#pragma once

#include "Theme/PaintedButton.h"

#include <QAbstractButton>
#include <QList>
#include <QString>
#include <QWidget>

#include <optional>

class ComposeMotionTest;
class ComposeViewTest;
class ComposeWidgetsTest;
class MoodStore;
class QHBoxLayout;
class QLabel;
namespace vsp {
class SpringValue;
}

/// One mood chip: the emoji on a glass circle; the chosen one is tinted with the accent and drawn at
/// 1.08 times its size.
class MoodChip final : public vsp::PaintedButton {
    Q_OBJECT

public:
    MoodChip(const QString& emoji, QWidget* parent = nullptr);

    QString emoji() const { return m_emoji; }
    void setChosen(bool chosen);

    QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeWidgetsTest;

    // Read by its tests alone.
    bool isChosen() const { return m_chosen; }
    /// The size the chip is drawn at now, relative to its own (1.08 chosen, 1 otherwise; between while
    /// it glides with its spring of response 0.25).
    qreal drawnScale() const;

    QString m_emoji;
    bool m_chosen = false;
    vsp::SpringValue* m_scale;
};

/// The compose window's mood picker: the caption "MOOD" and one chip per mood of the palette, in its
/// order. A click chooses that mood; a click on the chosen one clears the choice.
class MoodSelectorView final : public QWidget {
    Q_OBJECT

public:
    explicit MoodSelectorView(MoodStore& moodStore, QWidget* parent = nullptr);

    /// Shows `mood` as chosen; emits nothing.
    void setSelectedMood(const std::optional<QString>& mood);
    // The chips are the MoodChip children, in the palette's order.

Q_SIGNALS:
    /// The user chose a mood (or cleared the choice with nothing).
    void moodChosen(const std::optional<QString>& mood);

private:
    friend class ComposeWidgetsTest;

    // Read by its tests alone.
    std::optional<QString> selectedMood() const { return m_selected; }

    void rebuild();
    void applyColors();

    MoodStore& m_moodStore;
    std::optional<QString> m_selected;
    QLabel* m_caption;
    QHBoxLayout* m_chipRow;
    QList<MoodChip*> m_chips;
};

/// The chosen mood beside the date: its emoji and its label on an accent-tinted glass capsule.
class MoodBadge final : public QWidget {
    Q_OBJECT

public:
    explicit MoodBadge(MoodStore& moodStore, QWidget* parent = nullptr);

    /// The emoji shown; its label comes from the palette, or is the emoji itself when the palette no
    /// longer has it.
    void setMood(const QString& emoji);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeViewTest;
    friend class ComposeWidgetsTest;

    // Read by its tests alone.
    QString label() const;

    MoodStore& m_moodStore;
    QString m_emoji;
};
