#include "common/ViewFixtures.h"

#include "common/TestSupport.h"

#include "Media/ImageLoading.h"
#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"

#include <QAbstractAnimation>
#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace viewfixtures {

int largestChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) {
        return 255;
    }
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    }
    return largest;
}

JournalEntry entry(const QString& title, double date, const QString& body, const QStringList& tags)
{
    JournalEntry e = JournalEntry::create();
    e.title = title;
    e.date = date;
    e.body = body;
    e.tags = tags;
    return e;
}

void resetState()
{
    vsp::test::resetUserFolders();
    AppSettings::instance().setHasCompletedOnboarding(true);
    AppearanceManager::instance().refresh();
    vsp::setAnimationsEnabled(false);
}

PhotoThreadsHeld::PhotoThreadsHeld() : m_gate(std::make_shared<QSemaphore>(0))
{
    auto started = std::make_shared<QSemaphore>(0);
    m_threads = vsp::photos::decodePool().maxThreadCount();
    for (int i = 0; i < m_threads; ++i) {
        vsp::photos::startOnDecodePool([started, gate = m_gate] {
            started->release();
            gate->acquire();
        });
    }
    // Every thread is held before the test goes on.
    started->acquire(m_threads);
}

PhotoThreadsHeld::~PhotoThreadsHeld()
{
    release();
}

void PhotoThreadsHeld::release()
{
    m_gate->release(m_threads);
    m_threads = 0;
}

bool writePhoto(const QString& path, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(0x2f, 0x6f, 0x9f));
    gradient.setColorAt(1, QColor(0xe8, 0xb0, 0x4a));
    painter.fillRect(image.rect(), gradient);
    painter.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return image.save(path, "JPEG", 80);
}

int runningAnimations(QObject* root)
{
    int n = 0;
    for (const QAbstractAnimation* animation : root->findChildren<QAbstractAnimation*>()) {
        n += animation->state() == QAbstractAnimation::Running ? 1 : 0;
    }
    return n;
}

void finishAnimations(QObject* root)
{
    for (int round = 0; round < 20; ++round) {
        // Motions that start on the next turn (a picture taken once the new layout stands) start here.
        QCoreApplication::processEvents();
        QList<QPointer<QAbstractAnimation>> running;
        for (QAbstractAnimation* animation : root->findChildren<QAbstractAnimation*>()) {
            if (animation->state() == QAbstractAnimation::Running && animation->totalDuration() >= 0) {
                running.append(animation);
            }
        }
        if (running.isEmpty()) {
            break;
        }
        for (const QPointer<QAbstractAnimation>& animation : std::as_const(running)) {
            if (animation && animation->state() == QAbstractAnimation::Running) {
                animation->setCurrentTime(animation->totalDuration());
            }
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QList<QWidget*> tabChain(QWidget* window, int limit)
{
    QList<QWidget*> chain;
    QWidget* start = QApplication::focusWidget();
    for (int i = 0; i < limit; ++i) {
        QWidget* from = QApplication::focusWidget();
        QTest::keyClick(from ? from : window, Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!now || now == from || now == start || chain.contains(now)) {
            break;
        }
        chain.append(now);
    }
    return chain;
}

QString accessibleName(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

QString describe(const QWidget* widget)
{
    if (!widget) {
        return QStringLiteral("(none)");
    }
    return QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->objectName() + u" \""
           + accessibleName(const_cast<QWidget*>(widget)) + u'"';
}

} // namespace viewfixtures
