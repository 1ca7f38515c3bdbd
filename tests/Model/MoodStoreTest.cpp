#include "MoodStoreTest.h"

#include "common/StoreFixtures.h"
#include "common/TestSupport.h"

#include "Model/FileIO.h"
#include "Model/MoodStore.h"
#include "Model/Uuid.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>

using fixtures::readFile;
using fixtures::writeFile;

namespace {

QString moodsPath()
{
    return MoodStore::filePath();
}

MoodItem mood(const char* id, const QString& emoji, const QString& label)
{
    return {*vsp::parseUuid(std::string_view(id)), emoji, label};
}

QStringList corruptCopies()
{
    return QDir(QFileInfo(moodsPath()).path())
        .entryList({QStringLiteral("moods-corrupt-*.json")}, QDir::Files, QDir::Name);
}

} // namespace

void MoodStoreTest::init()
{
    vsp::test::resetUserFolders();
}

void MoodStoreTest::noFile_givesDefaults_andWritesNothing()
{
    MoodStore store;

    QCOMPARE(store.moods(), MoodStore::defaultMoods());
    QVERIFY(!QFileInfo::exists(moodsPath()));
}

void MoodStoreTest::defaultMoods_fixedEmojiAndLabels_sameIdsWithinRun()
{
    const QList<MoodItem>& defaults = MoodStore::defaultMoods();
    QCOMPARE(defaults.size(), 4);
    const QStringList emoji{QStringLiteral("\u26A1"), QStringLiteral("\U0001F33F"), QStringLiteral("\U0001F3AF"),
                            QStringLiteral("\U0001F319")};
    const QStringList labels{QStringLiteral("Energized"), QStringLiteral("Calm"), QStringLiteral("Focused"),
                             QStringLiteral("Tired")};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(defaults[i].emoji, emoji[i]);
        QCOMPARE(defaults[i].label, labels[i]);
        QVERIFY(!defaults[i].id.isNull());
    }
    // "⚡" carries no variation selector.
    QCOMPARE(defaults[0].emoji.size(), 1);
    // Restoring the defaults twice gives the same ids.
    MoodStore store;
    store.setMoods(MoodStore::defaultMoods());
    const QList<MoodItem> once = store.moods();
    store.setMoods(MoodStore::defaultMoods());
    QCOMPARE(store.moods(), once);
}

void MoodStoreTest::unusableFile_givesDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("empty array") << QByteArray("[]");
    QTest::newRow("not JSON") << QByteArray("calm, tired");
    QTest::newRow("object") << QByteArray(R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","emoji":"x","label":"y"})");
    QTest::newRow("label missing") << QByteArray(
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","emoji":"x","label":"y"},)"
        R"({"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","emoji":"z"}])");
    QTest::newRow("emoji null") << QByteArray(
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","emoji":null,"label":"y"}])");
    QTest::newRow("label a number") << QByteArray(
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","emoji":"x","label":3}])");
    QTest::newRow("id not a UUID") << QByteArray(R"([{"id":"calm","emoji":"x","label":"y"}])");
    QTest::newRow("truncated") << QByteArray(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","emoji":"x","lab)");
}

void MoodStoreTest::unusableFile_givesDefaults()
{
    QFETCH(QByteArray, content);
    writeFile(moodsPath(), content);

    vsp::test::StdoutCapture out;
    MoodStore store;

    QCOMPARE(store.moods(), MoodStore::defaultMoods());
    // Loading leaves the file as it is. What cannot be decoded is copied aside and said once;
    // an empty list or an empty file holds nothing to keep.
    QCOMPARE(readFile(moodsPath()), content);
    const bool nothingToKeep = content.isEmpty() || vsp::decodeMoods(content);
    QCOMPARE(out.lines().size(), nothingToKeep ? 0 : 1);
    QCOMPARE(store.damagedCopy().isEmpty(), nothingToKeep);
    if (!nothingToKeep) {
        QCOMPARE(readFile(store.damagedCopy()), content);
    }
}

void MoodStoreTest::saveThenLoad_roundTrip()
{
    const QList<MoodItem> palette{
        mood("E621E1F8-C36C-495A-93FC-0C247A3E6E5F", QStringLiteral("\U0001F60C"), QStringLiteral("Relieved \"ok\"")),
        mood("7C9E6679-7425-40DE-944B-E07FC1F90AE7", QStringLiteral("\u2764\uFE0F"), QStringLiteral("Loved")),
        mood("0F8FAD5B-D9CB-469F-A165-70867728950E", QStringLiteral("\U0001F33F"), QString()),
    };
    {
        MoodStore store;
        store.setMoods(palette);
        store.save();
    }
    MoodStore reloaded;
    QCOMPARE(reloaded.moods(), palette);
}

void MoodStoreTest::save_writesCompactArrayInPaletteOrder()
{
    MoodStore store;
    store.setMoods(
        {mood("E621E1F8-C36C-495A-93FC-0C247A3E6E5F", QStringLiteral("\U0001F3AF"), QStringLiteral("Focused")),
         mood("7c9e6679-7425-40de-944b-e07fc1f90ae7", QStringLiteral("x"), QStringLiteral("Sad\\"))});
    store.save();

    QCOMPARE(QString::fromUtf8(readFile(moodsPath())),
             QStringLiteral(R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","emoji":"🎯","label":"Focused"},)"
                            R"({"id":"7C9E6679-7425-40DE-944B-E07FC1F90AE7","emoji":"x","label":"Sad\\"}])"));
}

void MoodStoreTest::label_lookup_data()
{
    QTest::addColumn<QString>("emoji");
    QTest::addColumn<QString>("label");
    QTest::newRow("known") << QStringLiteral("\U0001F319") << QStringLiteral("Tired");
    QTest::newRow("shared emoji: first wins") << QStringLiteral("\U0001F33F") << QStringLiteral("Calm");
    QTest::newRow("unknown gives the emoji") << QStringLiteral("\U0001F525") << QStringLiteral("\U0001F525");
    QTest::newRow("exact match only") << QStringLiteral("\u26A1\uFE0F") << QStringLiteral("\u26A1\uFE0F");
    QTest::newRow("empty") << QString() << QString();
}

void MoodStoreTest::label_lookup()
{
    QFETCH(QString, emoji);
    QFETCH(QString, label);
    MoodStore store;
    QList<MoodItem> moods = MoodStore::defaultMoods();
    moods.append({vsp::newUuid(), QStringLiteral("\U0001F33F"), QStringLiteral("Green")});
    store.setMoods(moods);

    QCOMPARE(store.label(emoji), label);
}

void MoodStoreTest::setMoods_announcesEveryAssignment()
{
    MoodStore store;
    QSignalSpy spy(&store, &MoodStore::moodsChanged);

    store.setMoods(MoodStore::defaultMoods());
    store.setMoods({});
    QVERIFY(store.setProperty("moods", QVariant::fromValue(MoodStore::defaultMoods())));

    QCOMPARE(spy.count(), 3);
    QCOMPARE(store.property("moods").value<QList<MoodItem>>(), MoodStore::defaultMoods());
}

void MoodStoreTest::emptiedPalette_isSaved_andNextLaunchFallsBack()
{
    {
        MoodStore store;
        store.setMoods({});
        store.save();
    }
    QCOMPARE(readFile(moodsPath()), QByteArray("[]"));
    MoodStore reloaded;
    QCOMPARE(reloaded.moods(), MoodStore::defaultMoods());
}

void MoodStoreTest::undecodableFile_isCopiedBeforeFirstSave()
{
    const QByteArray damaged =
        R"([{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","emoji":"🦊","label":"Sly"},{"emoji":"x"}])";
    writeFile(moodsPath(), damaged);
    vsp::test::StdoutCapture out;
    MoodStore store;
    QCOMPARE(store.moods(), MoodStore::defaultMoods());
    store.save();
    store.save();

    const QStringList copies = corruptCopies();
    QCOMPARE(copies.size(), 1);
    QVERIFY(QRegularExpression(QStringLiteral(R"(^moods-corrupt-\d{4}-\d{2}-\d{2}-\d{6}\.json$)"))
                .match(copies.first())
                .hasMatch());
    const QString copyPath = QFileInfo(moodsPath()).path() + u'/' + copies.first();
    QCOMPARE(readFile(copyPath), damaged);
    // Kept at launch, so the notice on screen can name it.
    QCOMPARE(store.damagedCopy(), copyPath);
    QCOMPARE(
        out.lines(),
        QStringList{QStringLiteral("Vesperlog: moods.json could not be decoded \u2014 copy preserved at ") + copyPath});
    MoodStore reloaded;
    QCOMPARE(reloaded.moods(), MoodStore::defaultMoods());
    QCOMPARE(*vsp::decodeMoods(readFile(moodsPath())), MoodStore::defaultMoods());
}

void MoodStoreTest::saveFailure_printsOneLine_andKeepsMoods()
{
    // A folder where the file belongs: the write cannot replace it.
    QDir().mkpath(moodsPath());
    MoodStore store;
    const QList<MoodItem> palette{
        mood("E621E1F8-C36C-495A-93FC-0C247A3E6E5F", QStringLiteral("x"), QStringLiteral("X"))};
    store.setMoods(palette);

    vsp::test::StdoutCapture out;
    store.save();

    const QStringList lines = out.lines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(QStringLiteral("Vesperlog: mood save failed \u2014 ")),
             qPrintable(lines.first()));
    QCOMPARE(store.moods(), palette);
    QVERIFY(QFileInfo(moodsPath()).isDir());
}

void MoodStoreTest::fileThatIsNotAMoodsFile_isNeverWritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");
    QTest::newRow("FIFO") << QStringLiteral("fifo")
                          << QStringLiteral("moods.json is not a regular file; no copy of it could be kept, so it is "
                                            "left unchanged");
    QTest::newRow("sparse file over its cap")
        << QStringLiteral("sparse")
        << QStringLiteral("the file is larger than 64 MB; no copy of it could be kept, so it is left unchanged");
    QTest::newRow("link to the user's note")
        << QStringLiteral("link")
        << QStringLiteral("moods.json is a link to %1, which could not be read as a moods "
                          "file; it is left unchanged");
}

void MoodStoreTest::fileThatIsNotAMoodsFile_isNeverWritten()
{
    QFETCH(QString, kind);
    QFETCH(QString, why);
    const QString note = vsp::test::testHome() + QStringLiteral("/notes.txt");
    QDir().mkpath(QFileInfo(moodsPath()).path());
    if (kind == u"fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(moodsPath()).constData(), 0600), 0);
    } else if (kind == u"sparse") {
        QFile sparse(moodsPath());
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(qint64(20) << 30));
    } else {
        writeFile(note, "buy milk");
        QVERIFY(QFile::link(note, moodsPath()));
        why = why.arg(note);
    }
    const QFileInfo before(moodsPath());
    MoodStore store;
    QCOMPARE(store.moods(), MoodStore::defaultMoods());
    QCOMPARE(store.leftUnchanged(), why);
    // Only a regular file's bytes are ever kept as a copy.
    QCOMPARE(corruptCopies().size(), kind == u"link" ? 1 : 0);
    vsp::test::StdoutCapture out;
    store.save();
    QCOMPARE(out.lines(), QStringList{QStringLiteral("Vesperlog: mood save failed \u2014 ") + why});
    const QFileInfo after(moodsPath());
    QCOMPARE(after.isSymLink(), kind == u"link");
    QCOMPARE(after.size(), before.size());
    struct stat status { };
    QCOMPARE(::stat(QFile::encodeName(moodsPath()).constData(), &status), 0);
    QCOMPARE(S_ISFIFO(status.st_mode), kind == u"fifo");
    if (kind == u"link") {
        QCOMPARE(readFile(note), QByteArray("buy milk"));
    }
}
