#include "MarksTest.h"

#include "common/ViewFixtures.h"

#include "Model/AppSettings.h"
#include "Theme/AppearanceManager.h"
#include "Views/Sidebar/TagColors.h"
#include "Widgets/VesperlogMark.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

/// The widest run of fully transparent pixels across the middle row of the mark, in device pixels.
int centralGap(const QImage& image)
{
    const int y = image.height() / 2;
    const int mid = image.width() / 2;
    int left = mid;
    int right = mid;
    while (left > 0 && qAlpha(image.pixel(left - 1, y)) < 128) {
        --left;
    }
    while (right < image.width() - 1 && qAlpha(image.pixel(right + 1, y)) < 128) {
        ++right;
    }
    return right - left + 1;
}

/// The largest difference in lightness between the mark drawn over a panel and the bare panel.
int contrastOver(const QImage& mark, const QColor& panel)
{
    QImage onPanel(mark.size(), QImage::Format_ARGB32);
    onPanel.fill(panel);
    QPainter p(&onPanel);
    QImage plain = mark;
    plain.setDevicePixelRatio(1);
    p.drawImage(0, 0, plain);
    p.end();
    int best = 0;
    for (int y = 0; y < onPanel.height(); ++y) {
        for (int x = 0; x < onPanel.width(); ++x) {
            best = std::max(best, std::abs(QColor(onPanel.pixel(x, y)).lightness() - panel.lightness()));
        }
    }
    return best;
}

} // namespace

void MarksTest::init()
{
    viewfixtures::resetState();
}

void MarksTest::menuBarShape_spineGapKeepsItsWidth_data()
{
    QTest::addColumn<qreal>("size");
    QTest::newRow("16") << 16.0;
    QTest::newRow("64") << 64.0;
}

void MarksTest::menuBarShape_spineGapKeepsItsWidth()
{
    QFETCH(qreal, size);
    const QImage image = vsp::renderVesperlogMenuBarShape(size, 2.0);
    QCOMPARE(image.size(), QSize(int(size * 2), int(size * 2)));
    // 1.5 pixels at scale 2: three device pixels, give or take antialiasing, at any size.
    QVERIFY2(centralGap(image) >= 2 && centralGap(image) <= 4, qPrintable(QString::number(centralGap(image))));
    // The pages lie inside the square: its corners stay empty, the pages beside the spine are drawn.
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(image.width() - 1, image.height() - 1)), 0);
    QVERIFY(qAlpha(image.pixel(int(image.width() * 0.35), image.height() / 2)) > 200);
    QVERIFY(qAlpha(image.pixel(int(image.width() * 0.65), image.height() / 2)) > 200);
    QVERIFY(vsp::renderVesperlogMenuBarShape(0, 2.0).isNull());
}

void MarksTest::trayMark_showsOnLightAndDarkPanels_data()
{
    QTest::addColumn<QColor>("panelText");
    QTest::newRow("light text") << QColor(0xF2, 0xF2, 0xF2);
    QTest::newRow("dark text") << QColor(0x1F, 0x1F, 0x1F);
}

void MarksTest::trayMark_showsOnLightAndDarkPanels()
{
    QFETCH(QColor, panelText);
    const QImage mark = vsp::renderTrayMark(16, 2.0, panelText);
    QCOMPARE(mark.size(), QSize(32, 32));
    // Whatever the guess about the panel, the mark differs clearly from a white and a black panel.
    QVERIFY(contrastOver(mark, Qt::white) > 100);
    QVERIFY(contrastOver(mark, QColor(0x20, 0x20, 0x20)) > 100);
    QVERIFY(contrastOver(mark, Qt::black) > 100);
}

void MarksTest::bookLogo_followsAccentAndAppearance()
{
    auto draw = [](vsp::Appearance appearance) {
        QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        vsp::paintVesperlogBookLogo(p, QPointF(0, 0), 64, appearance);
        return image;
    };
    // The left page is in the accent colour.
    const QPoint leftPage(20, 32);
    AppSettings::instance().setAccentColorPreset(QStringLiteral("yellow"));
    const QColor yellow = draw(vsp::Appearance::Dark).pixelColor(leftPage);
    AppSettings::instance().setAccentColorPreset(QStringLiteral("teal"));
    const QColor teal = draw(vsp::Appearance::Dark).pixelColor(leftPage);
    QCOMPARE(yellow, vsp::Color::accent(u"yellow").resolve(vsp::Appearance::Dark));
    QCOMPARE(teal, vsp::Color::accent(u"teal").resolve(vsp::Appearance::Dark));
    // The muted page changes with the appearance.
    const QPoint rightPage(44, 32);
    QVERIFY(draw(vsp::Appearance::Dark).pixelColor(rightPage) != draw(vsp::Appearance::Light).pixelColor(rightPage));
}

void MarksTest::seededTagColor_sumsCodePoints_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::newRow("abc") << QStringLiteral("abc") << 6;
    QTest::newRow("a") << QStringLiteral("a") << 7;
    QTest::newRow("empty") << QString() << 0;
    QTest::newRow("anagram") << QStringLiteral("cba") << 6;
    QTest::newRow("precomposed e acute") << QStringLiteral("\u00e9") << 233 % 9;
    QTest::newRow("combining acute") << QStringLiteral("e\u0301") << 870 % 9;
    // One code point above U+FFFF, not its two UTF-16 units: 0x1F525 = 128293.
    QTest::newRow("fire") << QStringLiteral("\U0001F525") << 128293 % 9;
}

void MarksTest::seededTagColor_sumsCodePoints()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QCOMPARE(vsp::tags::seededIndex(name), index);
    QCOMPARE(vsp::tags::seededColor(name), vsp::tags::palette()[size_t(index)].color);
}

void MarksTest::tagColor_storedWinsOverSeeded()
{
    const QHash<QString, QString> stored{{QStringLiteral("abc"), QStringLiteral("#34D399")},
                                         {QStringLiteral("bad"), QStringLiteral("#zz")}};
    QCOMPARE(vsp::tags::colorOf(QStringLiteral("abc"), stored), QColor(52, 211, 153));
    QCOMPARE(vsp::tags::colorOf(QStringLiteral("bad"), stored), QColor(0, 0, 0));
    QCOMPARE(vsp::tags::colorOf(QStringLiteral("a"), stored), QColor(244, 114, 182));
}
