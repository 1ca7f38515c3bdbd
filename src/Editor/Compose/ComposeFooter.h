#pragma once

#include "Theme/PaintedButton.h"
#include "Widgets/TagChip.h"

#include <QAbstractButton>
#include <QString>
#include <QStringList>
#include <QWidget>

class ComposeMotionTest;
class ComposeViewTest;
class ComposeWidgetsTest;
class FormatBar;
class JournalStore;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QScrollArea;
class TransitionSlot;
namespace vsp {
struct Spring;
}

/// A stored tag offered under the tag field: a return arrow and the tag, on an accent-tinted capsule.
class TagSuggestionChip final : public vsp::PaintedButton {
    Q_OBJECT

public:
    TagSuggestionChip(const QString& tag, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// The bottom strip of the "New Entry" window: stored tags that match the tag field (when any, and never
/// while the journal is locked), the chosen tags with the tag field, and the docked format bar with Save.
///
/// Return in the tag field adds its text as a tag (trimmed, lower-cased, once) and empties the field; a
/// suggestion adds itself; a chip's cross removes its tag. Text left in the field without Return is not
/// a tag. It keeps the chosen tags and the field's text for the window; formatting commands and saving
/// go out through the format bar's signals.
///
/// The tag row scrolls to keep the tag field in sight as chips push it along.
///
/// Chips come and go growing from nothing about their centres as they fade, the others making way
/// (spring 0.3; 0.25 for a suggestion taken); the suggestion row rises in from its lower edge and sinks
/// away, fading (spring 0.25). Tags set from outside land at once.
class ComposeFooter final : public QWidget {
    Q_OBJECT

public:
    explicit ComposeFooter(JournalStore& store, QWidget* parent = nullptr);

    QStringList tags() const { return m_tags; }
    /// Shows these tags; emits nothing.
    void setTags(const QStringList& tags);
    QString tagInput() const;
    void setTagInput(const QString& text);

    /// Runs the tag field's Return: see vsp::tags::commit.
    void commitTag();

    FormatBar* formatBar() const { return m_formatBar; }
    QLineEdit* tagField() const { return m_tagField; }
    // The suggestion row's place, hidden while there are no suggestions (once it has gone), is the child
    // "tagSuggestionsSlot".

Q_SIGNALS:
    /// The user changed the chosen tags; the new list.
    void tagsEdited(const QStringList& tags);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ComposeMotionTest;
    friend class ComposeViewTest;
    friend class ComposeWidgetsTest;

    // Read by its tests alone.
    /// The suggestions shown now (see vsp::tags::suggestions).
    QStringList tagSuggestions() const { return m_suggestions; }

    QList<TagChip*> tagChips() const { return m_chips; }
    QList<TagSuggestionChip*> suggestionChips() const { return m_suggestionChips; }
    /// The places of the chips still in the row, leaving ones included.
    QList<TransitionSlot*> chipSlots() const { return m_chipSlots; }

    void applyTags(const QStringList& tags, const vsp::Spring* spring);
    void rebuildChips(const vsp::Spring* spring);
    void refreshSuggestions();
    bool animates() const;
    void addSuggestion(const QString& tag);
    void removeTag(const QString& tag);
    void applyColors();
    /// Scrolls the tag row just enough to show the whole tag field.
    void keepFieldInSight();

    JournalStore& m_store;
    QStringList m_tags;
    QStringList m_suggestions;
    QList<TagChip*> m_chips;
    QList<TransitionSlot*> m_chipSlots;
    /// Set while a change from outside lands: nothing moves.
    bool m_instant = false;
    QList<TagSuggestionChip*> m_suggestionChips;
    QWidget* m_suggestionRow;
    TransitionSlot* m_suggestionSlot;
    QHBoxLayout* m_suggestionLayout;
    QLabel* m_hash;
    QHBoxLayout* m_chipLayout;
    QScrollArea* m_chipScroll = nullptr;
    QLineEdit* m_tagField;
    FormatBar* m_formatBar;
};
