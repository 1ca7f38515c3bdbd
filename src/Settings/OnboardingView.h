#pragma once

#include <QDate>
#include <QDialog>
#include <QList>
#include <QPointer>

class QAbstractButton;
class QLabel;
class QLayout;
class QLineEdit;
class QVBoxLayout;

namespace vsp {
class TransitionOverlay;
namespace intro {
class AccentButton;
class BookLogoView;
} // namespace intro
} // namespace vsp

/// The first-run introduction: a window-modal sheet of 640 by 560 with seven pages walked with "Back"
/// and "Next" (Return acts as "Next"): a welcome with the breathing logo, five pages each showing one
/// feature with a self-running illustration, and "Make it yours" (name, accent colour, evening
/// reminder). Each visit to a page makes it anew, so its illustration starts over.
///
/// Choices on the last page are stored as they are made (the accent colour preset on each swatch, the
/// daily reminder switch on each flip); "Start writing" stores the trimmed user name (only when not
/// empty), asks for notification permission and schedules the reminder at the stored reminder time
/// when the switch is on, and closes the sheet. Escape and the window's close button do nothing; the
/// presenter records that the introduction was completed when it closes.
class OnboardingView final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OnboardingView)

public:
    static constexpr int kLast = 6;

    /// `today` is the day the demo entry is dated (the journal's today, from its clock).
    explicit OnboardingView(const QDate& today, QWidget* parent = nullptr);

    int step() const { return m_step; }
    bool isForward() const { return m_forward; }
    // "Back" and "Next" are the children "introBack" and "introForward". The last page's accent
    // swatches ("accentSwatch", in the order "yellow", "orange", "rose", "violet", "blue", "green") and
    // reminder switch ("reminderSwitch") are children found by name.
    bool isBreathing() const;

    /// One page on (+1) or back (-1); beyond the last page it finishes.
    void advance(int delta);
    /// Stores the choices, schedules the reminder when it is on, and closes.
    void finish();

    /// The six accent swatches: preset identifier, name, colour.
    struct Swatch {
        QString id;
        QString label;
        QColor color;
    };
    static const QList<Swatch>& swatchTable();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class LockAndIntroductionTest;

    void showPage(bool animate);
    QWidget* makePage(int step);
    QWidget* makeWelcome();
    QWidget* makeFeature(int step);
    QWidget* makeYours();
    /// The name field, its border in the accent colour once something is typed.
    QLayout* makeNameGroup(QWidget* page);
    /// The accent swatches; a click sets the accent at once.
    QLayout* makeAccentGroup(QWidget* page);
    /// The evening reminder's switch, off by default, with the time it would come at.
    QWidget* makeReminderRow(QWidget* page);
    QWidget* header(QWidget* parent, const QString& headline, const QString& summary);
    QWidget* bullet(QWidget* parent, const QString& symbol, const QString& text);
    void refreshNav();

    QDate m_today;
    int m_step = 0;
    bool m_forward = true;
    bool m_finishing = false;
    bool m_appeared = false;
    QWidget* m_content;
    QVBoxLayout* m_pageSlot;
    /// The page shown now.
    QWidget* m_page = nullptr;
    QAbstractButton* m_back;
    QWidget* m_dots;
    vsp::intro::AccentButton* m_next;
    /// The last page's name field; null on other pages.
    QLineEdit* m_nameField = nullptr;
    /// The welcome page's logo, else null.
    vsp::intro::BookLogoView* m_logo = nullptr;
    QPointer<vsp::TransitionOverlay> m_transition;
};
