#include "Model/Log.h"

#include <cstdio>

namespace vsp {

void logLine(const QString& text)
{
    QString line = QStringLiteral("Vesperlog: ") + text;
    line.replace(u'\n', u' ');
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void logFailure(const QString& what, const QString& error)
{
    logLine(what + QStringLiteral(" failed \u2014 ") + error);
}

} // namespace vsp
