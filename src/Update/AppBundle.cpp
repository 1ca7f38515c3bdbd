#include "Update/AppBundle.h"

#include "Model/FileIO.h"
#include "Model/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace vsp::bundle {

std::optional<BundleManifest> readManifest(const QString& bundlePath)
{
    if (bundlePath.isEmpty()) {
        return std::nullopt;
    }
    QFile file(bundlePath + QStringLiteral("/bundle.json"));
    // A manifest is a few hundred bytes; anything far larger is not one.
    constexpr qint64 kMostBytes = 64 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMostBytes) {
        return std::nullopt;
    }
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QJsonValue identifier = object.value(QLatin1String("identifier"));
    const QJsonValue executable = object.value(QLatin1String("executable"));
    if (!identifier.isString() || !executable.isString()) {
        return std::nullopt;
    }
    const QString program = executable.toString();
    if (program.isEmpty() || QDir::isAbsolutePath(program) || program.split(u'/').contains(QLatin1String(".."))) {
        return std::nullopt;
    }
    return BundleManifest{identifier.toString(), object.value(QLatin1String("shortVersion")).toString(),
                          object.value(QLatin1String("build")).toString(), program};
}

QString runningBundlePath()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (programFolder.isEmpty()) {
        return {};
    }
    const QString candidate = QFileInfo(programFolder + QStringLiteral("/..")).absoluteFilePath();
    const QString clean = QDir::cleanPath(candidate);
    if (!clean.endsWith(QLatin1String(".app")) || !readManifest(clean)) {
        return {};
    }
    return clean;
}

bool isPackageManaged(const QString& executable, const QString& dpkgInfo)
{
    if (!executable.startsWith(QLatin1String("/usr/")) || executable.startsWith(QLatin1String("/usr/local/"))) {
        return false;
    }
    // "vesperlog.list", or "vesperlog:<arch>.list" where the package is installed for several architectures.
    const QStringList lists =
        QDir(dpkgInfo).entryList({QStringLiteral("vesperlog.list"), QStringLiteral("vesperlog:*.list")}, QDir::Files);
    constexpr qint64 kMostBytes = 4 * 1024 * 1024;
    for (const QString& name : lists) {
        QFile list(dpkgInfo + u'/' + name);
        if (!list.open(QIODevice::ReadOnly) || list.size() > kMostBytes) {
            continue;
        }
        const QByteArray wanted = QFile::encodeName(executable);
        for (const QByteArray& line : list.readAll().split('\n')) {
            if (line == wanted) {
                return true;
            }
        }
    }
    return false;
}

QString desktopExec(const QString& program)
{
    QString quoted;
    for (const QChar c : program) {
        if (c.category() == QChar::Other_Control) {
            return {};
        }
        // Inside double quotes the format reserves these four; "%" starts a field code anywhere.
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c == u'%' ? QStringLiteral("%%") : QString(c);
    }
    // The value as a whole is a string of the format, in which a backslash is itself escaped.
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return QStringLiteral("\"") + quoted + u'"';
}

QString bundleDesktopEntry(const QString& entry, const QString& program, const QString& icon)
{
    const QString exec = desktopExec(program);
    // The icon's folder is the program's: a line break in one is a line break in the other.
    if (exec.isEmpty() || desktopExec(icon).isEmpty()) {
        return {};
    }
    QStringList lines = entry.split(u'\n');
    bool mainGroup = false;
    for (QString& line : lines) {
        if (line.startsWith(u'[')) {
            mainGroup = line == QLatin1String("[Desktop Entry]");
        } else if (mainGroup && line.startsWith(QLatin1String("Exec="))) {
            line = QStringLiteral("Exec=") + exec;
        } else if (mainGroup && line.startsWith(QLatin1String("TryExec="))) {
            line = QStringLiteral("TryExec=") + program;
        } else if (mainGroup && line.startsWith(QLatin1String("Icon="))) {
            // Icon is a plain string, not a command line: no quotes, only backslashes escaped.
            line = QStringLiteral("Icon=") + QString(icon).replace(u'\\', QStringLiteral("\\\\"));
        }
    }
    return lines.join(u'\n');
}

bool installDesktopEntry(const QString& bundlePath, const QString& applications)
{
    const auto fail = [](const QString& error) {
        vsp::logFailure(QStringLiteral("desktop entry"), error);
        return false;
    };
    const std::optional<BundleManifest> manifest = readManifest(bundlePath);
    if (!manifest) {
        return fail(QStringLiteral("%1 holds no readable bundle.json").arg(bundlePath));
    }
    QFile own(bundlePath + QStringLiteral("/share/applications/vesperlog.desktop"));
    // A desktop entry is well under a kilobyte.
    constexpr qint64 kMostBytes = 64 * 1024;
    if (!own.open(QIODevice::ReadOnly) || own.size() > kMostBytes) {
        return fail(QStringLiteral("cannot read %1").arg(own.fileName()));
    }
    const QString program = QDir::cleanPath(bundlePath + u'/' + manifest->executable);
    const QString icon = bundlePath + QStringLiteral("/share/icons/hicolor/scalable/apps/vesperlog.svg");
    const QString entry = bundleDesktopEntry(QString::fromUtf8(own.readAll()), program, icon);
    if (entry.isEmpty()) {
        return fail(QStringLiteral("%1 cannot be written into a desktop entry").arg(program));
    }
    const QString target = applications + QStringLiteral("/vesperlog.desktop");
    QFile current(target);
    if (current.open(QIODevice::ReadOnly) && current.size() <= kMostBytes && current.readAll() == entry.toUtf8()) {
        return true;
    }
    if (!QDir().mkpath(applications)) {
        return fail(QStringLiteral("cannot make %1").arg(applications));
    }
    if (QString error; !vsp::writeFileAtomically(target, entry.toUtf8(), &error)) {
        return fail(QStringLiteral("cannot write %1: %2").arg(target, error));
    }
    return true;
}

} // namespace vsp::bundle
