#include "common/BenchResults.h"

#include "Model/FileIO.h"
#include "Model/Log.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>

namespace vsp::bench {

QString resultsPath()
{
    const QString fromEnvironment = qEnvironmentVariable("VESPERLOG_BENCH_RESULTS");
    return fromEnvironment.isEmpty() ? QStringLiteral(VESPERLOG_BENCH_RESULTS_FILE) : fromEnvironment;
}

QList<Result> readResults(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<Result> results;
    for (const QJsonValue& value : QJsonDocument::fromJson(file.readAll()).array()) {
        const QJsonObject o = value.toObject();
        if (o.value(QLatin1String("name")).isString()) {
            results.append({o.value(QLatin1String("name")).toString(), o.value(QLatin1String("entries")).toInt(),
                            o.value(QLatin1String("value")).toDouble(), o.value(QLatin1String("unit")).toString(),
                            o.value(QLatin1String("mix")).toString(), o.value(QLatin1String("target")).toString()});
        }
    }
    return results;
}

const Result* findResult(const QList<Result>& results, const QString& name, int entries, const QString& mix)
{
    for (const Result& r : results) {
        if (r.name == name && r.entries == entries && r.mix == mix) {
            return &r;
        }
    }
    return nullptr;
}

bool recordResults(const QList<Result>& results, const QString& path)
{
    QList<Result> merged = readResults(path);
    for (const Result& r : results) {
        const auto same = [&](const Result& o) { return o.name == r.name && o.entries == r.entries && o.mix == r.mix; };
        const auto it = std::find_if(merged.begin(), merged.end(), same);
        if (it != merged.end()) {
            *it = r;
        } else {
            merged.append(r);
        }
    }
    QJsonArray array;
    for (const Result& r : std::as_const(merged)) {
        array.append(QJsonObject{{QLatin1String("name"), r.name},
                                 {QLatin1String("entries"), r.entries},
                                 {QLatin1String("value"), r.value},
                                 {QLatin1String("unit"), r.unit},
                                 {QLatin1String("mix"), r.mix},
                                 {QLatin1String("target"), r.target}});
    }
    QString error;
    if (!writeFileAtomically(path, QJsonDocument(array).toJson(QJsonDocument::Indented), &error)) {
        vsp::logFailure(QStringLiteral("bench results write"), error);
        return false;
    }
    return true;
}

void printResult(const Result& r, const Result* before)
{
    const QByteArray name = r.name.toUtf8();
    const QByteArray mix = r.mix.toUtf8();
    const QByteArray unit = r.unit.toUtf8();
    const QByteArray target = r.target.isEmpty() ? QByteArray("none set") : r.target.toUtf8();
    std::printf("%-26s %6d entries %-14s %9.3f %-5s target %s", name.constData(), r.entries, mix.constData(), r.value,
                unit.constData(), target.constData());
    if (before) {
        std::printf(" (before %.3f)", before->value);
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace vsp::bench
