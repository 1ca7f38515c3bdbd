#include "Model/FileIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vsp {

FileRead readWholeFile(const QString& path)
{
    FileRead result;
    QFile file(path);
    if (!file.exists()) {
        result.status = FileRead::Status::Missing;
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = FileRead::Status::Unreadable;
        result.error = file.errorString();
        return result;
    }
    const qint64 size = file.size();
    constexpr qint64 kPadding = 64;
    if (size < 0 || size > qint64(1) << 34) {
        result.status = FileRead::Status::Unreadable;
        result.error = QStringLiteral("the file is too large");
        return result;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(size + kPadding));
    bytes.resize(qsizetype(size));
    qint64 total = 0;
    while (total < size) {
        const qint64 got = file.read(bytes.data() + total, size - total);
        if (got < 0) {
            result.status = FileRead::Status::Unreadable;
            result.error = file.errorString();
            return result;
        }
        if (got == 0) {
            break;
        }
        total += got;
    }
    bytes.resize(qsizetype(total));
    // A file that grew while reading (or reports no size, like /proc files) is read to its end.
    const QByteArray rest = file.readAll();
    if (!rest.isEmpty()) {
        bytes.append(rest);
        bytes.reserve(bytes.size() + kPadding);
    }
    result.status = FileRead::Status::Ok;
    result.bytes = std::move(bytes);
    return result;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error) {
            *error = file.errorString();
        }
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

void ensureFolder(const QString& path)
{
    QDir().mkpath(path);
}

bool isPlainFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    for (const QChar c : name) {
        if (c == u'/' || c == u'\\' || c == QChar(0)) {
            return false;
        }
    }
    return true;
}

QString uniquePath(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        return path;
    }
    const QFileInfo info(path);
    const QString folder = info.path();
    const QString base = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    for (int n = 2; n < 10000; ++n) {
        const QString candidate = folder + u'/' + base + u'-' + QString::number(n) + suffix;
        if (!QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
    return {};
}

} // namespace vsp
