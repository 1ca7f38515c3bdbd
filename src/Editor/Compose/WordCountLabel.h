#pragma once

#include "Theme/Spring.h"

#include <QLabel>
#include <QString>

class ComposeMotionTest;

/// The word count of the compose window ("12w"). A new number rolls in: each digit that differs slides
/// up out of view while its successor rises from below (the counting-up numeric transition), moving
/// with a spring of response 0.3. text() is always the final text.
class WordCountLabel final : public QLabel {
    Q_OBJECT

public:
    explicit WordCountLabel(QWidget* parent = nullptr);

    /// Shows `count` words; rolls when `animate` is true, the label is visible and animations are on.
    void setCount(int count, bool animate = true);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class ComposeMotionTest;

    // Read by its tests alone.
    bool isRolling() const { return m_roll->isMoving(); }
    /// The text being rolled away from (empty when at rest).
    QString previousText() const { return isRolling() ? m_previous : QString(); }

    int m_count = -1;
    QString m_previous;
    vsp::SpringValue* m_roll;
};
