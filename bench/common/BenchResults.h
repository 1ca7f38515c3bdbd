#pragma once

#include <QList>
#include <QString>

namespace vsp::bench {

/// One measured figure, as written to results.json: "start_to_idle" at 10000 entries, 0.21 "s".
struct Result {
    QString name;
    int entries = 0;
    double value = 0;
    QString unit;
    /// What the journal held beyond the generator's entries, in a few words; empty for just those.
    QString mix;
};

/// The results file every benchmark program adds to: $VESPERLOG_BENCH_RESULTS, else results.json in
/// the benchmark build folder.
QString resultsPath();

/// Merges `results` into the JSON list at `path` (default `resultsPath()`): a figure replaces the one of
/// the same name and entry count, every other figure stays. An unreadable or damaged file is started
/// afresh. Returns false (and prints one line) when the file cannot be written.
bool recordResults(const QList<Result>& results, const QString& path = resultsPath());

/// The figures of a results file (empty when it is missing or damaged).
QList<Result> readResults(const QString& path);

/// The figure of this name and entry count in `results`, or nothing.
const Result* findResult(const QList<Result>& results, const QString& name, int entries);

} // namespace vsp::bench
