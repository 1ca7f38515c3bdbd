#pragma once

#include <QString>

#include <optional>

namespace vsp::test {

/// What an MPEG-4 file says of its first audio track, read from its boxes.
struct Mp4Audio {
    QString majorBrand; ///< ftyp's major brand, e.g. "mp42"
    QString sampleEntry; ///< the track's sample entry, "mp4a" for MPEG-4 audio
    int objectType = 0; ///< the decoder config's object type, 0x40 for MPEG-4 audio
    int audioObjectType = 0; ///< from the AudioSpecificConfig: 2 is AAC-LC
    int sampleRate = 0; ///< Hz, from the AudioSpecificConfig
    int channels = 0; ///< from the AudioSpecificConfig
    double seconds = -1; ///< the track's playing time: its edit (elst) when it has one, else its media (mdhd)
};

/// Reads `path`'s boxes; nothing when it is not an MPEG-4 file with an audio track.
std::optional<Mp4Audio> probeMp4Audio(const QString& path);

} // namespace vsp::test
