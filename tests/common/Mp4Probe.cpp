#include "common/Mp4Probe.h"

#include <QFile>

namespace vsp::test {

namespace {

quint32 be32(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size()) {
        return 0;
    }
    const auto* p = reinterpret_cast<const uchar*>(b.constData() + at);
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

quint64 be64(const QByteArray& b, qsizetype at)
{
    return quint64(be32(b, at)) << 32 | be32(b, at + 4);
}

/// The first box of this type directly inside [begin, end), as its payload's range.
std::optional<std::pair<qsizetype, qsizetype>> findBox(const QByteArray& b, qsizetype begin, qsizetype end,
                                                       const char* type)
{
    qsizetype at = begin;
    while (at + 8 <= end) {
        qsizetype size = be32(b, at);
        qsizetype header = 8;
        if (size == 1) {
            size = qsizetype(be64(b, at + 8));
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || at + size > end) {
            return std::nullopt;
        }
        if (b.mid(at + 4, 4) == QByteArray(type)) {
            return std::pair{at + header, at + size};
        }
        at += size;
    }
    return std::nullopt;
}

/// An MPEG-4 descriptor's length (ISO/IEC 14496-1: up to four bytes of seven bits each).
qsizetype descriptorLength(const QByteArray& b, qsizetype& at)
{
    qsizetype length = 0;
    for (int i = 0; i < 4 && at < b.size(); ++i) {
        const uchar c = uchar(b[at++]);
        length = length << 7 | (c & 0x7f);
        if (!(c & 0x80)) {
            break;
        }
    }
    return length;
}

} // namespace

std::optional<Mp4Audio> probeMp4Audio(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 512 * 1024 * 1024) {
        return std::nullopt;
    }
    const QByteArray b = file.readAll();
    Mp4Audio audio;
    const auto ftyp = findBox(b, 0, b.size(), "ftyp");
    const auto moov = findBox(b, 0, b.size(), "moov");
    if (!ftyp || !moov) {
        return std::nullopt;
    }
    audio.majorBrand = QString::fromLatin1(b.mid(ftyp->first, 4));
    for (qsizetype at = moov->first; at < moov->second;) {
        const auto trak = findBox(b, at, moov->second, "trak");
        if (!trak) {
            break;
        }
        at = trak->second;
        const auto mdia = findBox(b, trak->first, trak->second, "mdia");
        const auto hdlr = mdia ? findBox(b, mdia->first, mdia->second, "hdlr") : std::nullopt;
        if (!hdlr || b.mid(hdlr->first + 8, 4) != "soun") {
            continue;
        }
        if (const auto mdhd = findBox(b, mdia->first, mdia->second, "mdhd")) {
            const bool wide = b.at(mdhd->first) == 1;
            const quint32 scale = be32(b, mdhd->first + (wide ? 20 : 12));
            const quint64 duration = wide ? be64(b, mdhd->first + 24) : be32(b, mdhd->first + 16);
            audio.seconds = scale > 0 ? double(duration) / scale : -1;
        }
        // What a player plays: the edit list leaves out the encoder's priming samples, in the movie's
        // time scale.
        const auto mvhd = findBox(b, moov->first, moov->second, "mvhd");
        const auto edts = findBox(b, trak->first, trak->second, "edts");
        const auto elst = edts ? findBox(b, edts->first, edts->second, "elst") : std::nullopt;
        if (mvhd && elst && be32(b, elst->first + 4) == 1) {
            const bool wideMovie = b.at(mvhd->first) == 1;
            const quint32 movieScale = be32(b, mvhd->first + (wideMovie ? 20 : 12));
            const bool wideEdit = b.at(elst->first) == 1;
            const quint64 segment = wideEdit ? be64(b, elst->first + 8) : be32(b, elst->first + 8);
            if (movieScale > 0 && segment > 0) {
                audio.seconds = double(segment) / movieScale;
            }
        }
        const auto minf = findBox(b, mdia->first, mdia->second, "minf");
        const auto stbl = minf ? findBox(b, minf->first, minf->second, "stbl") : std::nullopt;
        const auto stsd = stbl ? findBox(b, stbl->first, stbl->second, "stsd") : std::nullopt;
        if (!stsd) {
            return audio;
        }
        // Version and flags, the entry count, then the first entry's size and type.
        const qsizetype entry = stsd->first + 8;
        audio.sampleEntry = QString::fromLatin1(b.mid(entry + 4, 4));
        const qsizetype entryEnd = entry + be32(b, entry);
        // An audio sample entry's fields take 28 bytes after its header; its boxes follow.
        const auto esds = findBox(b, entry + 8 + 28, std::min(entryEnd, stsd->second), "esds");
        if (!esds) {
            return audio;
        }
        qsizetype p = esds->first + 4;
        while (p < esds->second) {
            const uchar tag = uchar(b[p++]);
            const qsizetype length = descriptorLength(b, p);
            if (tag == 0x03) {
                // ES_Descriptor: ES_ID, flags (no optional fields from GStreamer's or libav's muxers).
                const uchar flags = uchar(b[p + 2]);
                p += 3 + ((flags & 0x80) ? 2 : 0) + ((flags & 0x20) ? 1 + uchar(b[p + 3]) : 0)
                     + ((flags & 0x40) ? 2 : 0);
            } else if (tag == 0x04) {
                audio.objectType = uchar(b[p]);
                p += 13;
            } else if (tag == 0x05) {
                // AudioSpecificConfig: 5 bits of object type, 4 of frequency index, 4 of channels.
                const quint32 bits = quint32(uchar(b[p])) << 8 | uchar(b[p + 1]);
                audio.audioObjectType = int(bits >> 11);
                static const int rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                            22050, 16000, 12000, 11025, 8000,  7350};
                const int index = int(bits >> 7) & 0xf;
                audio.sampleRate = index < 13 ? rates[index] : 0;
                audio.channels = int(bits >> 3) & 0xf;
                break;
            } else {
                p += length;
            }
        }
        return audio;
    }
    return std::nullopt;
}

} // namespace vsp::test
