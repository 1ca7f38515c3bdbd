#include "RowPainterTest.h"

#include "common/StoreFixtures.h"
#include "common/ViewFixtures.h"

#include "Widgets/EntryRow.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using fixtures::fixtureNow;

namespace {

constexpr int kWidth = 320;
// Room around the row in which nothing may be painted.
constexpr int kMargin = 40;

/// paintContent() of `e` at kWidth, in an image with kMargin of room on every side.
QImage paintedContent(const JournalEntry& e, const EntryRow::Options& options, bool pinned, qreal height)
{
    QImage image(kWidth + 2 * kMargin, int(height) + 2 * kMargin, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    EntryRow::paintContent(p, QRectF(kMargin, kMargin, kWidth, height), e, options, pinned, fixtureNow());
    return image;
}

/// The smallest rectangle holding every painted pixel; empty when none was.
QRect paintedBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

} // namespace

void RowPainterTest::init()
{
    viewfixtures::resetState();
}

void RowPainterTest::paintContent_staysInsideItsHeight_data()
{
    QTest::addColumn<JournalEntry>("entry");
    QTest::addColumn<bool>("previews");
    QTest::addColumn<bool>("compact");
    const QString longBody = QString(60, u'w') + u'\n' + QString(600, u'x');
    JournalEntry full = viewfixtures::entry(QStringLiteral("A title long enough to need more than the row's width"),
                                            fixtureNow(), longBody, {QStringLiteral("walk"), QStringLiteral("river")});
    full.mood = QStringLiteral("\U0001F33F");
    full.expirationDate = fixtureNow() + 86400;
    const JournalEntry plain = viewfixtures::entry(QStringLiteral("Short"), fixtureNow(), QStringLiteral("body"));
    JournalEntry untitled = plain;
    untitled.title.clear();
    untitled.body.clear();
    QTest::newRow("everything, previews") << full << true << false;
    QTest::newRow("everything, compact") << full << true << true;
    QTest::newRow("everything, no previews") << full << false << false;
    QTest::newRow("plain") << plain << true << false;
    QTest::newRow("no title, no body") << untitled << true << true;
}

void RowPainterTest::paintContent_staysInsideItsHeight()
{
    QFETCH(JournalEntry, entry);
    QFETCH(bool, previews);
    QFETCH(bool, compact);
    const EntryRow::Options options{previews, compact};
    const qreal height = EntryRow::height(entry, kWidth, options);
    const QRect painted = paintedBounds(paintedContent(entry, options, true, height));
    QVERIFY(!painted.isEmpty());
    // The list stacks rows by these heights: a row painting past its own would draw over the next.
    const QRect row(kMargin, kMargin, kWidth, qCeil(height));
    QVERIFY2(row.contains(painted), qPrintable(QStringLiteral("painted %1,%2 %3x%4 in a row %5 high")
                                                   .arg(painted.x() - kMargin)
                                                   .arg(painted.y() - kMargin)
                                                   .arg(painted.width())
                                                   .arg(painted.height())
                                                   .arg(height)));
}

void RowPainterTest::paintContent_pinMarkFollowsThePin()
{
    const JournalEntry e = viewfixtures::entry(QStringLiteral("Title"), fixtureNow(), QStringLiteral("Body"));
    const EntryRow::Options options{true, false};
    const qreal height = EntryRow::height(e, kWidth, options);
    const QImage unpinned = paintedContent(e, options, false, height);
    const QImage pinned = paintedContent(e, options, true, height);
    QVERIFY(pinned != unpinned);
    // The pin comes first on the mark line, left of the date: the rest of the row is the same.
    const qreal markLine = kMargin + EntryRow::kVerticalPadding + 16;
    const QRect below(0, int(markLine), pinned.width(), pinned.height() - int(markLine));
    QCOMPARE(pinned.copy(below), unpinned.copy(below));
}
