// Grabs PNGs of the lock cover, the cover with its password dialog (asking, with a line from the
// system), the cover after a failed attempt, and each page of the first-run introduction with its
// illustration part-way through, in the appearance asked for: OUT-lock-*.png and OUT-intro-<n>.png.
// Point $XDG_DATA_HOME and $XDG_CONFIG_HOME at a scratch folder.
//
//   lock_screenshots OUT [--appearance=light|dark] [--accent=NAME]

#include "Model/AppSettings.h"
#include "Model/JournalStore.h"
#include "Platform/DeviceOwnerAuthenticator.h"
#include "Settings/LockScreenView.h"
#include "Settings/OnboardingStages.h"
#include "Settings/OnboardingView.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"
#include "common/BenchSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

#include <cstdio>

namespace {

/// Asks for a password once, with a line before it, and fails whatever is answered.
class PromptingCheck final : public DeviceOwnerAuthenticator {
public:
    void start() override
    {
        Q_EMIT messageReceived(QStringLiteral("Place your finger on the reader"), false);
        Q_EMIT promptRequested(QStringLiteral("Password: "), false);
    }
    void answer(QByteArray& secret) override
    {
        wipe(secret);
        QTimer::singleShot(0, this, [this] { Q_EMIT finished(Outcome::Failed); });
    }
    void cancel() override
    {
        QTimer::singleShot(0, this, [this] { Q_EMIT finished(Outcome::Failed); });
    }
};

void settle(int ms = 50)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vesperlog"));
    QApplication::setOrganizationName(QStringLiteral("Vesperlog"));
    const QStringList args = QApplication::arguments();
    const vsp::bench::ToolArguments tool(args, "lock_screenshots OUT [--appearance=light|dark] [--accent=NAME]");
    if (!tool.ok()) {
        return 2;
    }
    auto option = [&](const QString& name, const QString& fallback) { return tool.option(name, fallback); };
    vsp::setAnimationsEnabled(false);
    AppSettings& settings = AppSettings::instance();
    settings.setAppearanceMode(option(QStringLiteral("appearance"), QStringLiteral("dark")));
    settings.setAccentColorPreset(option(QStringLiteral("accent"), QStringLiteral("yellow")));
    AppearanceManager::instance().apply();
    const QString out = tool.out();
    int failures = 0;
    auto save = [&](QWidget* widget, const QString& name) {
        const QString path = QStringLiteral("%1-%2.png").arg(out, name);
        if (!widget->grab().save(path)) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(path));
            ++failures;
        }
    };

    JournalStore store;
    store.setIsLocked(true);
    auto* window = new QWidget;
    window->resize(1000, 640);
    auto* cover = new LockScreenView(store, window);
    cover->resize(window->size());
    cover->setAuthenticatorFactory([] { return std::make_unique<PromptingCheck>(); });
    window->show();
    settle();
    auto* dialog = window->findChild<PasswordDialog*>(QStringLiteral("passwordDialog"));
    if (dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("passwordField"))->setText(QStringLiteral("secret"));
        settle();
        save(dialog, QStringLiteral("lock-dialog"));
        // The dialog over the cover, as a window-modal sheet shows it.
        QPixmap both = window->grab();
        QPainter p(&both);
        const QPixmap sheet = dialog->grab();
        const QRect at((both.width() - sheet.width()) / 2, 40, sheet.width(), sheet.height());
        p.drawPixmap(at.topLeft(), sheet);
        p.setPen(QColor(128, 128, 128, 120));
        p.drawRect(at.adjusted(0, 0, -1, -1));
        p.end();
        both.save(QStringLiteral("%1-lock-asking.png").arg(out));
        dialog->reject();
    }
    settle();
    save(window, QStringLiteral("lock-failed"));
    delete window;

    qputenv("VESPERLOG_REDUCE_MOTION", "0");
    OnboardingView intro(QDate(2026, 6, 15));
    intro.show();
    settle(700);
    using namespace vsp::onboarding;
    // The stage of the page shown (the page left, hidden, may still await deletion).
    const auto shown = [&intro]<typename T>(T*) -> T* {
        for (T* stage : intro.findChildren<T*>()) {
            if (stage->isVisible()) {
                return stage;
            }
        }
        return nullptr;
    };
    for (int step = 0; step <= OnboardingView::kLast; ++step) {
        if (auto* compose = shown(static_cast<ComposeStage*>(nullptr))) {
            for (int i = 0; i < 80; ++i) {
                compose->tick();
            }
        }
        if (auto* focus = shown(static_cast<FocusStage*>(nullptr))) {
            focus->tick();
        }
        if (auto* capture = shown(static_cast<CaptureStage*>(nullptr))) {
            capture->tick();
        }
        if (step == OnboardingView::kLast) {
            intro.findChild<QLineEdit*>(QStringLiteral("nameField"))->setText(QStringLiteral("Ada"));
        }
        settle(step == 4 ? 900 : 100);
        save(&intro, QStringLiteral("intro-%1").arg(step));
        intro.advance(+1);
    }
    return failures == 0 ? 0 : 1;
}
