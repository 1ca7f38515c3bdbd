#pragma once

#include "common/StoreFixtures.h"

#include "Model/JournalEntry.h"

#include <QDate>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

class QImage;
class QObject;
class QSemaphore;
class QWidget;

/// Helpers shared by the main window's tests.
namespace viewfixtures {

using fixtures::localMoment;

/// The largest difference of one channel (red, green, blue or alpha, 0 to 255) between two images of one
/// size and format; 255 when their sizes differ.
int largestChannelDifference(const QImage& a, const QImage& b);

/// A plain entry; unlike fixtures::entry() its body is empty unless given.
JournalEntry entry(const QString& title, double date, const QString& body = QString(), const QStringList& tags = {});

/// Starts every test from a first launch with animations off and the introduction already seen.
void resetState();

/// Writes a JPEG photo of `size` pixels (a colour gradient) to `path`, making its folder; false when
/// the file cannot be written.
bool writePhoto(const QString& path, QSize size);

/// Keeps every photo thread busy while it lives, so photo decodes wait their turn: a slow decode, with
/// the GUI thread free. `release()` lets them go earlier.
class PhotoThreadsHeld {
public:
    PhotoThreadsHeld();
    ~PhotoThreadsHeld();
    void release();

private:
    std::shared_ptr<QSemaphore> m_gate;
    int m_threads = 0;
};

/// Drives every running animation under `root` to its last frame, then the ones those ends start (the
/// next turn's included), and delivers the deletions they leave: end states without waiting.
void finishAnimations(QObject* root);

/// The animations under `root` running now (none: every moving value is at rest).
int runningAnimations(QObject* root);

/// The widgets Tab visits in `window`, each reached by a real Tab key press on the focused widget,
/// starting from the widget focused now (not listed first) or, with none, from the window; it stops
/// when the focus comes round again, stays where it was (a widget that keeps Tab for itself is then
/// last), or after `limit` presses. The window must be active.
QList<QWidget*> tabChain(QWidget* window, int limit = 300);

/// What a screen reader announces as the widget's name: its accessible interface's Name text.
QString accessibleName(QWidget* widget);

/// A short description of a widget for failure messages: class, object name and accessible name.
QString describe(const QWidget* widget);

} // namespace viewfixtures
