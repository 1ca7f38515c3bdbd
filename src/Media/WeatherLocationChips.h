#pragma once

#include <QString>
#include <QWidget>

#include <optional>

/// The weather chip (symbol, rounded temperature, condition) and the place chip (pin and place name)
/// of a new or stored entry, on glass capsules. A weather chip needs both a symbol and a temperature; a
/// place chip needs a place. With neither the widget is empty and takes no space. No actions.
///
/// Given less width than it asks for (a narrow window, a long place name), it shortens the condition
/// text and then the place name with "…" rather than cutting a chip off at its edge.
class WeatherLocationChips final : public QWidget {
    Q_OBJECT

public:
    explicit WeatherLocationChips(QWidget* parent = nullptr);

    /// `temp` in degrees Celsius; `text` "—" means no condition text.
    void setValues(const std::optional<QString>& symbol, const std::optional<double>& temp,
                   const std::optional<QString>& text, const std::optional<QString>& place);

    bool showsPlace() const { return m_place.has_value(); }
    /// The temperature as shown: rounded half away from zero, then "°" ("22°", "-3°", "0°"); "—°" for a
    /// value that is not finite or does not fit a 64-bit integer.
    static QString temperatureText(double celsius);
    /// The texts shown, in order (temperature, condition, place), in full, for tests and accessibility.
    QStringList shownTexts() const;
    /// The same texts as drawn at the present width: shortened with "…" where the width is short.
    QStringList drawnTexts() const;

    QSize sizeHint() const override;
    /// Room for the symbols and the temperature, with the condition and the place cut down to "…".
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QString> m_symbol;
    std::optional<double> m_temp;
    std::optional<QString> m_text;
    std::optional<QString> m_place;
};
