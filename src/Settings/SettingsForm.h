#pragma once

#include "Model/AppSettings.h"
#include "Theme/Palette.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QWidget>

#include <functional>

class QScrollArea;
class QVBoxLayout;

/// The pieces every settings tab is built from: a scrolling form of titled sections drawn as rounded
/// cards, captions in the muted text colour, and two-way bindings of controls to AppSettings
/// properties. Colours are asked of the theme when the appearance or the accent changes, so an open
/// window follows a switch between dark and light at once.
namespace vsp::settings {

/// Gives `widget` a text colour from `color`, asked again whenever the appearance or the accent changes
/// (through vsp::setThemeColor).
void tintText(QWidget* widget, std::function<Color()> color);

/// A caption of the given size in pixels in the muted text colour, word-wrapped, plain text.
QLabel* caption(const QString& text, QWidget* parent, qreal pixelSize = 11);
/// A label that shows `text` verbatim: never read as rich text (user and feed texts).
QLabel* plainLabel(const QString& text, QWidget* parent);

/// One section of a form: a plain header above a rounded card that holds the rows.
class FormSection final : public QWidget {
    Q_OBJECT

public:
    FormSection(const QString& header, QWidget* parent = nullptr);

    /// Adds a row to the card; rows are separated by a hairline.
    void addRow(QWidget* row);
    /// A row of a text on the left, a stretch and `control` on the right.
    QWidget* addLabelledRow(const QString& text, QWidget* control);

private:
    QLabel* m_header;
    QWidget* m_card;
    QVBoxLayout* m_rows;
};

/// A tab page: a vertical scroll area with 24 pixels of padding around a column of sections.
class FormPage final : public QWidget {
    Q_OBJECT

public:
    explicit FormPage(QWidget* parent = nullptr);

    FormSection* addSection(const QString& header);
    /// A widget that stands outside any card (a picker in the grouped form's top rows).
    void addWidget(QWidget* widget);
    /// Ends the column (the rest of the page stays empty).
    void finish();

private:
    QScrollArea* m_scroll;
    QVBoxLayout* m_column;
};

/// Binds a check box to a Bool property: it shows the stored value, writes the property only when the
/// user toggles it, and follows changes made elsewhere.
template <typename Getter, typename Setter, typename Signal>
QCheckBox* bindCheckBox(QCheckBox* box, AppSettings& settings, Getter get, Setter set, Signal changed)
{
    box->setChecked((settings.*get)());
    QObject::connect(box, &QCheckBox::toggled, box, [&settings, set](bool on) { (settings.*set)(on); });
    QObject::connect(&settings, changed, box, [box, &settings, get] {
        const QSignalBlocker block(box);
        box->setChecked((settings.*get)());
    });
    return box;
}

} // namespace vsp::settings
