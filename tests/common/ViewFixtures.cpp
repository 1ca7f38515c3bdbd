#include "common/ViewFixtures.h"

#include "common/TestSupport.h"

#include "Model/AppSettings.h"
#include "Model/Dates.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Spring.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

namespace viewfixtures {

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

} // namespace viewfixtures
