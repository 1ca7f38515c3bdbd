#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

class FormatButton;
class SelectionState;
class QAbstractButton;
namespace vsp {
class SpringValue;
}

/// The small bar of inline formatting that floats over the selected text: bold, italic, underline,
/// strikethrough and highlight (marked while that style holds at the selection start), the two heading
/// sizes, and seven text colours. A child widget of its host, which shows it while text is selected and
/// places it (see `vsp::compose::floatingBarOffset`); every button emits one command string.
///
/// Each time it is shown it plays its entrance: it rises 8 pixels into place while fading in and
/// gaining its shadow.
class FloatingFormatBar final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool appeared READ appeared NOTIFY appearedChanged)

public:
    explicit FloatingFormatBar(SelectionState* selectionState, QWidget* parent = nullptr);

    /// Room left around the bar's glass for its shadow, pixels. The host places the glass, so it moves
    /// the widget by this much up and to the left.
    static constexpr int kShadowMargin = 14;

    bool appeared() const { return m_appeared; }

    /// Puts the bar's glass with its top-left corner at `glassTopLeft` in the parent's coordinates (the
    /// entrance may still hold it a few pixels lower for a moment).
    void placeAt(const QPoint& glassTopLeft);
    QPoint anchor() const { return m_anchor; }

    /// The button that sends `command` ("bold", …, "size:26", "color:F87171").
    QAbstractButton* button(const QString& command) const { return m_buttons.value(command); }
    /// The style buttons' active marks, for the style command ("bold", …).
    bool isMarked(const QString& command) const;

Q_SIGNALS:
    void formatRequested(const QString& command);
    void appearedChanged(bool appeared);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setEntrance(double value);

    QPointer<SelectionState> m_selectionState;
    QHash<QString, QAbstractButton*> m_buttons;
    QHash<QString, FormatButton*> m_styleButtons;
    vsp::SpringValue* m_entrance;
    bool m_appeared = false;
    QPoint m_anchor;
};
