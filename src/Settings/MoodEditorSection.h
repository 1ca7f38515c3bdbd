#pragma once

#include <QWidget>

class MoodStore;
class QAbstractButton;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

/// The "Moods" part of the General tab: one row per mood of the MoodStore with a remove button, a row to
/// add a mood (an emoji field that keeps exactly one emoji, and a label), and "Restore defaults" while
/// the list is empty. Each change goes through MoodStore::setMoods and is saved at once, so every
/// window showing moods follows. Mood labels are shown as plain text.
class MoodEditorSection final : public QWidget {
    Q_OBJECT

public:
    explicit MoodEditorSection(MoodStore& moods, QWidget* parent = nullptr);

    /// Trims the Unicode space separators and tabs at both ends (line breaks stay).
    static QString trimmedSpaces(const QString& text);

    void addMood();
    void restoreDefaults();

private:
    void rebuildRows();
    void refreshAddEnabled();

    MoodStore& m_moods;
    QVBoxLayout* m_rows;
    QLineEdit* m_emoji;
    QLineEdit* m_label;
    QAbstractButton* m_add;
    QPushButton* m_restore;
};
