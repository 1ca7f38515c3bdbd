#include "common/ZipWriter.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace vsp::test {

namespace {

quint32 crc32(const QByteArray& data)
{
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : data) {
        crc = table[(crc ^ quint8(byte)) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

void put16(QByteArray& out, quint32 v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

void ZipWriter::addFile(const QString& name, const QByteArray& content, int mode)
{
    m_entries.append({name.toUtf8(), content, (0100000u | quint32(mode)) << 16});
}

void ZipWriter::addDeflatedFile(const QString& name, const QByteArray& content, int mode)
{
    // qCompress gives a 4-byte length, a 2-byte zlib header, the raw deflate stream and a 4-byte
    // checksum; a zip entry holds the raw stream only.
    const QByteArray zlib = qCompress(content, 9);
    m_entries.append({name.toUtf8(), zlib.mid(6, zlib.size() - 10), (0100000u | quint32(mode)) << 16, 8,
                      qint64(content.size()), crc32(content)});
}

void ZipWriter::addFolder(const QString& name, int mode)
{
    m_entries.append(
        {(name.endsWith(u'/') ? name : name + u'/').toUtf8(), {}, ((040000u | quint32(mode)) << 16) | 0x10});
}

void ZipWriter::addLink(const QString& name, const QString& target)
{
    m_entries.append({name.toUtf8(), target.toUtf8(), (0120777u) << 16});
}

QByteArray bundleManifest(const QString& identifier, const QString& version)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("identifier"), identifier},
                                     {QStringLiteral("shortVersion"), version},
                                     {QStringLiteral("build"), QStringLiteral("1")},
                                     {QStringLiteral("executable"), QStringLiteral("bin/vesperlog")}})
        .toJson();
}

void ZipWriter::addBundle(const QString& folder, const QString& identifier, const QString& version,
                          const QByteArray& program, int programMode)
{
    addFolder(folder);
    addFile(folder + QStringLiteral("/bundle.json"), bundleManifest(identifier, version));
    addFolder(folder + QStringLiteral("/bin"));
    addFile(folder + QStringLiteral("/bin/vesperlog"), program, programMode);
}

QByteArray ZipWriter::bytes() const
{
    QByteArray out;
    QByteArray directory;
    for (const Entry& e : m_entries) {
        const quint32 offset = quint32(out.size());
        const quint32 crc = e.size < 0 ? crc32(e.data) : e.crc;
        const quint32 size = quint32(e.size < 0 ? e.data.size() : e.size);
        // Local header: stored, no data descriptor, UTF-8 names.
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0x0800);
        put16(out, e.method);
        put32(out, 0);
        put32(out, crc);
        put32(out, quint32(e.data.size()));
        put32(out, size);
        put16(out, quint32(e.name.size()));
        put16(out, 0);
        out.append(e.name).append(e.data);
        // Central directory record, made by Unix (3) so the attributes carry the mode.
        put32(directory, 0x02014b50);
        put16(directory, (3u << 8) | 20);
        put16(directory, 20);
        put16(directory, 0x0800);
        put16(directory, e.method);
        put32(directory, 0);
        put32(directory, crc);
        put32(directory, quint32(e.data.size()));
        put32(directory, size);
        put16(directory, quint32(e.name.size()));
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put16(directory, 0);
        put32(directory, e.attributes);
        put32(directory, offset);
        directory.append(e.name);
    }
    const quint32 start = quint32(out.size());
    out.append(directory);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint32(m_entries.size()));
    put16(out, quint32(m_entries.size()));
    put32(out, quint32(directory.size()));
    put32(out, start);
    put16(out, 0);
    return out;
}

bool ZipWriter::write(const QString& path) const
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes()) >= 0 && file.flush();
}

} // namespace vsp::test
