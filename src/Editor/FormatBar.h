#pragma once

#include "Theme/PaintedButton.h"

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>

class FormatButton;
class QHBoxLayout;
class QShortcut;

/// The "Save" button of the docked format bar: "Save" and its shortcut on the accent colour while
/// saving is possible, on the muted colour with dim text otherwise. While pressed it shrinks to 0.94 and
/// dims to 0.85 (spring 0.18).
class FormatSaveButton final : public vsp::PaintedButton {
    Q_OBJECT

public:
    explicit FormatSaveButton(QWidget* parent = nullptr);
    /// The shortcut as shown beside "Save".
    static QString shortcutText();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
};

/// The docked strip of block formatting beside a rich-text editor: heading and body sizes, lists,
/// quote and indentation, the font design, and (when its host saves) a Save button with Ctrl+Return.
///
/// It never touches an editor: each command button emits its command string ("size:26", "bullet", …)
/// and the host hands it to its editor. The font design is a property the host follows.
class FormatBar final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(
        QString selectedFontDesign READ selectedFontDesign WRITE setSelectedFontDesign NOTIFY selectedFontDesignChanged)
    Q_PROPERTY(bool canSave READ canSave WRITE setCanSave)

public:
    /// With `withSave` the bar ends with a flexible space and the Save button; without, it is as wide as
    /// its three groups where there is room, and wraps them onto further rows where there is not.
    explicit FormatBar(bool withSave, QWidget* parent = nullptr);

    QString selectedFontDesign() const { return m_fontDesign; }
    /// Any text; one that names none of the four designs leaves every design button unselected.
    void setSelectedFontDesign(const QString& design);

    /// Point size used by the body-text button ("T"); its command is "size:" and the size with the
    /// fraction dropped.
    void setWritingFontSize(double points) { m_writingFontSize = points; }
    /// The command the body-text button sends for a writing size: "size:15" for 15 and for 15.9.
    static QString bodyTextCommand(double writingFontSize);

    void setCanSave(bool can);

    // The command buttons are the children "format:" and the command string ("size:26", "size:body",
    // "bullet", …), the design buttons "design:" and the design ("default", …), the Save button (when
    // there is one) "saveButton".

    /// The four designs in the order offered, with their labels: "Sans", "Serif", "Round", "Mono".
    static const QList<std::pair<QString, QString>>& fontDesigns();

Q_SIGNALS:
    void formatRequested(const QString& command);
    void selectedFontDesignChanged(const QString& design);
    /// Save was clicked or Ctrl+Return pressed while saving is possible.
    void saveRequested();

private:
    bool canSave() const { return m_canSave; }

    QWidget* makeGroup(const QList<QWidget*>& buttons, int spacing, int padX);
    /// A button that sends `send()` when clicked, found as "format:" + `key`.
    FormatButton* commandButton(const QString& key, const QString& tip, const std::function<QString()>& send);
    /// H1, H2 and body text.
    QList<QWidget*> sizeButtons();
    /// Lists, quote and indentation.
    QList<QWidget*> paragraphButtons();
    /// The font design marks; choosing one selects it.
    QList<QWidget*> designButtons();
    /// The save button at the row's end, and Ctrl+Return to save.
    void addSaveButton(QHBoxLayout* row);
    void requestSave();

    QString m_fontDesign = QStringLiteral("default");
    double m_writingFontSize = 15;
    bool m_canSave = false;
    QHash<QString, FormatButton*> m_commands;
    QHash<QString, FormatButton*> m_designs;
    QList<QWidget*> m_groups;
    FormatSaveButton* m_save = nullptr;
};
