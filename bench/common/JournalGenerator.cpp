#include "common/JournalGenerator.h"

#include "Model/Dates.h"
#include "Model/EntryCodec.h"
#include "Model/FileIO.h"

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <random>

namespace vsp::bench {

namespace {

const char* const kWords[] = {
    "the",          "morning",  "light",    "came",     "through",   "window",  "and",      "I",        "thought",
    "about",        "what",     "we",       "said",     "yesterday", "coffee",  "walk",     "river",    "quiet",
    "meeting",      "project",  "deadline", "friend",   "called",    "late",    "dinner",   "book",     "chapter",
    "idea",         "maybe",    "tomorrow", "garden",   "rain",      "again",   "slowly",   "remember", "felt",
    "tired",        "but",      "happy",    "work",     "long",      "day",     "music",    "evening",  "plan",
    "write",        "more",     "less",     "travel",   "train",     "station", "city",     "small",    "café",
    "notes",        "list",     "grateful", "for",      "little",    "things",  "sleep",    "early",    "run",
    "park",         "autumn",   "winter",   "snow",     "summer",    "sea",     "mountain", "family",   "mother",
    "brother",      "sister",   "child",    "laughed",  "cried",     "learned", "code",     "design",   "draft",
    "review",       "finished", "started",  "question", "answer",    "why",     "how",      "when",     "where",
    "Überraschung", "naïve",    "résumé",   "über",
};
constexpr int kWordCount = int(sizeof kWords / sizeof kWords[0]);

const char* const kMoods[] = {"\u26A1", "\U0001F33F", "\U0001F3AF", "\U0001F319"};

QString makeBody(std::mt19937& rng, int words)
{
    std::uniform_int_distribution<int> word(0, kWordCount - 1);
    std::uniform_int_distribution<int> paragraph(25, 90);
    QString body;
    body.reserve(words * 7);
    int untilBreak = paragraph(rng);
    for (int i = 0; i < words; ++i) {
        if (i > 0) {
            if (--untilBreak == 0) {
                body += QStringLiteral(".\n\n");
                untilBreak = paragraph(rng);
            } else {
                body += u' ';
            }
        }
        body += QString::fromUtf8(kWords[word(rng)]);
    }
    body += u'.';
    return body;
}

QByteArray escapeRtf(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\n') {
            out += "\\\n";
        } else if (u < 0x80) {
            out += char(u);
        } else {
            out += "\\uc0\\u" + QByteArray::number(int(short(u))) + ' ';
        }
    }
    return out;
}

QByteArray makeRtf(const QString& body)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2822\n"
                     "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;}\n"
                     "{\\colortbl;\\red255\\green255\\blue255;\\red251\\green191\\blue36;}\n"
                     "\\pard\\tx560\\tx1120\\pardirnatural\\partightenfactor0\n\n\\f0\\fs30 \\cf0 ";
    const qsizetype firstSpace = body.indexOf(u' ');
    if (firstSpace > 0) {
        rtf += "\\b " + escapeRtf(body.left(firstSpace)) + "\\b0 " + escapeRtf(body.mid(firstSpace));
    } else {
        rtf += escapeRtf(body);
    }
    rtf += '}';
    return rtf;
}

} // namespace

QString mixName(Mix mix)
{
    return mix == Mix::Diary ? QStringLiteral("diary") : QStringLiteral("long");
}

Mix takeJournalMix(int& argc, char** argv, Mix fallback)
{
    Mix mix = fallback;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--mix=diary") == 0) {
            mix = Mix::Diary;
        } else if (qstrcmp(argv[i], "--mix=long") == 0) {
            mix = Mix::Long;
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    return mix;
}

QList<JournalEntry> generateJournal(int count, unsigned seed, Mix mix)
{
    std::mt19937 rng(seed);
    const bool diary = mix == Mix::Diary;
    std::uniform_int_distribution<int> longWords(100, 600);
    // About 6.3 characters a word: a median of 95 words is about 600 characters, and a spread of 1.3
    // puts the mean near 1,400.
    std::lognormal_distribution<double> diaryWords(std::log(95.0), 1.3);
    const auto words = [&] { return diary ? std::clamp(int(diaryWords(rng)), 3, 12000) : longWords(rng); };
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> tagPick(0, 39);
    std::uniform_int_distribution<int> tagCount(diary ? 0 : 1, diary ? 3 : 4);
    const int richPercent = diary ? 20 : 50;
    const double now = vsp::now();
    const double span = 3 * 365 * vsp::kSecondsPerDay;
    std::uniform_real_distribution<double> age(0, span);

    QList<JournalEntry> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        JournalEntry e = JournalEntry::create();
        e.date = now - age(rng);
        const QString body = makeBody(rng, words());
        e.body = body;
        e.title = body.left(body.indexOf(u' ', 30)).trimmed();
        if (percent(rng) < richPercent) {
            e.bodyRTF = makeRtf(body);
        }
        const int tags = tagCount(rng);
        for (int t = 0; t < tags; ++t) {
            const QString tag = QStringLiteral("tag%1").arg(tagPick(rng));
            if (!e.tags.contains(tag)) {
                e.tags.append(tag);
            }
        }
        if (percent(rng) < 60) {
            e.mood = QString::fromUtf8(kMoods[percent(rng) % 4]);
        }
        e.isFavorite = percent(rng) < 10;
        e.isArchived = percent(rng) < 5;
        e.type = allEntryTypes()[size_t(percent(rng) % 4)];
        if (percent(rng) < 15) {
            e.imageFilenames = {QStringLiteral("%1.jpg").arg(i), QStringLiteral("%1b.png").arg(i)};
        }
        if (percent(rng) < 5) {
            e.audioClips = {AudioClip{QUuid::createUuid(), QStringLiteral("%1.m4a").arg(i), 12.5,
                                      QStringLiteral("a short voice note about the day")}};
        }
        if (percent(rng) < 30) {
            e.latitude = 48.85 + percent(rng) / 1000.0;
            e.longitude = 2.35 + percent(rng) / 1000.0;
            e.placeName = QStringLiteral("Paris");
            e.weatherSymbol = QStringLiteral("cloud.sun.fill");
            e.weatherTemp = 11.5;
            e.weatherText = QStringLiteral("Partly cloudy");
        }
        entries.append(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const JournalEntry& a, const JournalEntry& b) { return a.date > b.date; });
    return entries;
}

QString installJournal(const QList<JournalEntry>& entries)
{
    // Removed when the program ends (a journal of 50,000 entries takes 200 MB).
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/vesperlog-bench-XXXXXX"));
    const QString data = home.path() + QStringLiteral("/data");
    const QString config = home.path() + QStringLiteral("/config");
    QDir().mkpath(data + QStringLiteral("/Vesperlog"));
    QDir().mkpath(config);
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    // The app keeps its notification and window state here: never in the real home's.
    qputenv("XDG_STATE_HOME", (home.path() + QStringLiteral("/state")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home.path() + QStringLiteral("/cache")).toUtf8());
    const QString path = data + QStringLiteral("/Vesperlog/entries.json");
    vsp::writeFileAtomically(path, vsp::encodeEntries(entries).bytes);
    return path;
}

} // namespace vsp::bench
