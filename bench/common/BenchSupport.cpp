#include "common/BenchSupport.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <unistd.h>

namespace vsp::bench {

long long peakResidentBytes()
{
    // VmHWM, not getrusage(): a process started by fork and exec keeps in ru_maxrss the resident size of
    // the parent it was forked from, so a child started by a large benchmark would report the parent's.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
    }
    return 0;
}

long long currentResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2) {
        return 0;
    }
    return fields[1].toLongLong() * sysconf(_SC_PAGESIZE);
}

long long heapInUseBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

int takeJournalSize(int& argc, char** argv, int fallback)
{
    const char* prefix = "--journal-size=";
    int size = fallback;
    int out = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, std::strlen(prefix)) == 0) {
            size = std::atoi(argv[i] + std::strlen(prefix));
            continue;
        }
        argv[out++] = argv[i];
    }
    argc = out;
    return size;
}

ToolArguments::ToolArguments(const QStringList& arguments, const char* usage) : m_arguments(arguments)
{
    if (!ok()) {
        std::fprintf(stderr, "usage: %s\n", usage);
    }
}

std::optional<QString> ToolArguments::option(const QString& name) const
{
    for (const QString& a : m_arguments.mid(2)) {
        if (a == u"--" + name) {
            return QString();
        }
        if (a.startsWith(u"--" + name + u'=')) {
            return a.mid(name.size() + 3);
        }
    }
    return std::nullopt;
}

} // namespace vsp::bench
