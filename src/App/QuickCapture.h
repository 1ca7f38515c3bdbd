#pragma once

#include <QIcon>
#include <QWidget>

class JournalStore;
class QPlainTextEdit;
class QPushButton;

/// The quick-capture panel of the tray icon (and of the File menu, for desktops without a tray): one text
/// field whose first line becomes the title; "Save" (Ctrl+Return) adds the entry through the store and
/// closes the panel, Escape closes it without saving.
class QuickCapturePanel final : public QWidget {
    Q_OBJECT

public:
    explicit QuickCapturePanel(JournalStore& store, QWidget* parent = nullptr);

    /// Shows the panel near `anchor` (global coordinates of the tray icon), or centred on the screen
    /// when the anchor is empty.
    void present(const QRect& anchor = QRect());
    /// Adds the typed text as a new entry and closes; does nothing for blank text.
    void save();

    QPlainTextEdit* editor() const { return m_text; }

    /// The tray image: the mark drawn at 16 pixels and scale 2 in the panel's likely text colour with a
    /// contrasting rim, or the "book.closed.fill" symbol when the mark cannot be drawn. Drawn anew at
    /// each call, for the desktop's colour scheme of the moment.
    static QIcon trayIcon();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    JournalStore& m_store;
    QPlainTextEdit* m_text;
    QPushButton* m_save;
};
