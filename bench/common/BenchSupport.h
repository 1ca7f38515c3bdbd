#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vsp::bench {

/// The peak resident memory of the process so far, in bytes (its own, not a forking parent's).
long long peakResidentBytes();
/// The current resident memory of the process, in bytes.
long long currentResidentBytes();

/// Bytes of heap memory in use right now (allocated and not freed).
long long heapInUseBytes();

/// Reads "--journal-size=N" from the arguments (removing it); `fallback` when absent.
int takeJournalSize(int& argc, char** argv, int fallback);

/// The command line of a picture tool: the output first, then "--name" or "--name=value" options.
class ToolArguments {
public:
    /// Prints "usage: <usage>" when the output is missing; ok() is false then.
    ToolArguments(const QStringList& arguments, const char* usage);

    bool ok() const { return m_arguments.size() >= 2; }
    QString out() const { return m_arguments.value(1); }
    /// The option's value: empty for a bare "--name", nothing when it is absent.
    std::optional<QString> option(const QString& name) const;
    QString option(const QString& name, const QString& fallback) const { return option(name).value_or(fallback); }

private:
    QStringList m_arguments;
};

} // namespace vsp::bench
