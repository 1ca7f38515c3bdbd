#pragma once

#include <QDialog>

/// The first-run introduction, presented window-modal over the main window. Only its own "Get
/// Started" button closes it: Escape and the window's close button are ignored. When it closes it
/// emits `finished`, on which the main window records that onboarding is complete.
class OnboardingView final : public QDialog {
    Q_OBJECT

public:
    explicit OnboardingView(QWidget* parent = nullptr);

    /// Closes the introduction (the last page's button).
    void finish();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_finishing = false;
};
