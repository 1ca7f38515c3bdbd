#include "TagChipTest.h"

#include "common/ViewFixtures.h"

#include "Widgets/TagChip.h"

#include "Model/AppSettings.h"
#include "Theme/AppearanceManager.h"
#include "Theme/Palette.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(TagChip::Size)

void TagChipTest::init()
{
    viewfixtures::resetState();
}

void TagChipTest::chip_showsTheTagAsPlainText_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<TagChip::Size>("size");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("entry window") << "walk" << TagChip::Size::Regular << 24 << "";
    QTest::newRow("detail, with its #") << "walk" << TagChip::Size::Regular << 24 << "#";
    QTest::newRow("quick capture") << "walk" << TagChip::Size::Compact << 20 << "";
    // A tag is what was typed, never markup.
    QTest::newRow("markup stays text") << "<b>bold</b>" << TagChip::Size::Regular << 24 << "#";
}

void TagChipTest::chip_showsTheTagAsPlainText()
{
    QFETCH(QString, tag);
    QFETCH(TagChip::Size, size);
    QFETCH(int, height);
    QFETCH(QString, prefix);
    TagChip chip(tag, nullptr, prefix, size);
    const auto* label = chip.findChild<QLabel*>();
    QVERIFY(label);
    QCOMPARE(label->text(), prefix + tag);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(chip.tag(), tag);
    QCOMPARE(chip.height(), height);
    QCOMPARE(chip.removeButton()->accessibleName(), QStringLiteral("Remove tag ") + tag);
}

void TagChipTest::chipText_readsOnItsGlass_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<TagChip::Size>("size");
    for (const vsp::AccentPreset& p : vsp::accentPresets()) {
        for (const char* mode : {"light", "dark"}) {
            const QString name = p.name.toString();
            QTest::addRow("%s %s", qPrintable(name), mode)
                << name << QString::fromLatin1(mode) << TagChip::Size::Regular;
        }
    }
    QTest::newRow("quick capture, light") << "yellow"
                                          << "light" << TagChip::Size::Compact;
}

void TagChipTest::chipText_readsOnItsGlass()
{
    QFETCH(QString, preset);
    QFETCH(QString, mode);
    QFETCH(TagChip::Size, size);
    AppSettings::instance().setAccentColorPreset(preset);
    AppSettings::instance().setAppearanceMode(mode);
    AppearanceManager::instance().refresh();
    TagChip chip(QStringLiteral("walk"), nullptr, QStringLiteral("#"), size);
    chip.grab();
    const QColor ink = chip.findChild<QLabel*>()->palette().color(QPalette::WindowText);
    // The chip's glass is a faint accent tint over the window or a surface.
    for (const vsp::Color* window : {&vsp::Color::vspBackground(), &vsp::Color::vspSurface()}) {
        const QColor ground = vsp::composite(vsp::Color::resolvedAccent(0.1).resolve(), window->resolve());
        const double ratio = vsp::contrastRatio(ink, ground);
        QVERIFY2(ratio >= vsp::kTextContrast, qPrintable(QString::number(ratio)));
    }
}

void TagChipTest::removeButton_asksToRemoveItsTag()
{
    QWidget window;
    auto* chip = new TagChip(QStringLiteral("walk"), &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy removed(chip, &TagChip::removeRequested);
    QTest::mouseClick(chip->removeButton(), Qt::LeftButton);
    // The painted button is reached by Tab and pressed with Space too.
    QCOMPARE(chip->removeButton()->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    chip->removeButton()->setFocus();
    QTest::keyClick(chip->removeButton(), Qt::Key_Space);
    QCOMPARE(removed.count(), 2);
    for (const QList<QVariant>& signal : std::as_const(removed)) {
        QCOMPARE(signal.first().toString(), QStringLiteral("walk"));
    }
}

void TagChipTest::keptFor_reusesChipsOfTagsStillChosen_data()
{
    QTest::addColumn<QStringList>("chipTags");
    QTest::addColumn<QStringList>("tags");
    // For each tag, the index of the chip kept for it, or -1 for a new one.
    QTest::addColumn<QList<int>>("kept");
    const QString a = QStringLiteral("a"), b = QStringLiteral("b"), c = QStringLiteral("c");
    QTest::newRow("unchanged") << QStringList{a, b} << QStringList{a, b} << QList<int>{0, 1};
    QTest::newRow("one added") << QStringList{a, b} << QStringList{a, b, c} << QList<int>{0, 1, -1};
    QTest::newRow("one removed") << QStringList{a, b, c} << QStringList{a, c} << QList<int>{0, 2};
    QTest::newRow("reordered") << QStringList{a, b} << QStringList{b, a} << QList<int>{1, 0};
    QTest::newRow("a chip is kept once") << QStringList{a} << QStringList{a, a} << QList<int>{0, -1};
    QTest::newRow("none before") << QStringList{} << QStringList{a} << QList<int>{-1};
}

void TagChipTest::keptFor_reusesChipsOfTagsStillChosen()
{
    QFETCH(QStringList, chipTags);
    QFETCH(QStringList, tags);
    QFETCH(QList<int>, kept);
    QWidget parent;
    QList<TagChip*> chips;
    for (const QString& tag : std::as_const(chipTags)) {
        chips.append(new TagChip(tag, &parent));
    }
    QList<int> found;
    for (TagChip* chip : TagChip::keptFor(tags, chips)) {
        found.append(chip ? int(chips.indexOf(chip)) : -1);
    }
    QCOMPARE(found, kept);
}
