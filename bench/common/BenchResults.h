#pragma once

#include <QList>
#include <QString>

#include <utility>

namespace vsp::bench {

/// One measured figure, as written to results.json: "start_to_idle" at 10000 entries, 0.21 "s".
struct Result {
    Result() = default;
    Result(QString name, int entries, double value, QString unit, QString mix = {}, QString target = {})
        : name(std::move(name)),
          entries(entries),
          value(value),
          unit(std::move(unit)),
          mix(std::move(mix)),
          target(std::move(target))
    { }

    QString name;
    int entries = 0;
    double value = 0;
    QString unit;
    /// What the journal held, in a few words ("diary", "long", "diary, photos"); empty for the
    /// generator's long entries alone, as older figures were taken.
    QString mix;
    /// The figure aimed for, as printed beside it ("<= 8 ms"); empty where none is set.
    QString target;
};

/// The results file every benchmark program adds to: $VESPERLOG_BENCH_RESULTS, else results.json in
/// the benchmark build folder.
QString resultsPath();

/// Merges `results` into the JSON list at `path` (default `resultsPath()`): a figure replaces the one of
/// the same name, entry count and mix, every other figure stays. An unreadable or damaged file is started
/// afresh. Returns false (and prints one line) when the file cannot be written.
bool recordResults(const QList<Result>& results, const QString& path = resultsPath());

/// The figures of a results file (empty when it is missing or damaged).
QList<Result> readResults(const QString& path);

/// The figure of this name, entry count and mix in `results`, or nothing.
const Result* findResult(const QList<Result>& results, const QString& name, int entries, const QString& mix = {});

/// Prints one figure as a row: name, entries, mix, value and unit, then the target and, when given,
/// the figure measured before.
void printResult(const Result& result, const Result* before = nullptr);

} // namespace vsp::bench
