#pragma once

#include <QString>

#include <atomic>
#include <optional>

namespace vsp {

/// What a recording's raw samples are: interleaved PCM as the microphone delivered it.
struct PcmLayout {
    /// GStreamer's name of the sample format: "S16LE", "S32LE", "F32LE" or "U8".
    QString sampleFormat;
    int sampleRate = 0;
    int channels = 0;
};

/// The element that makes AAC for voice notes: "avenc_aac" (gstreamer1.0-libav) unless a test named
/// another (an empty name restores it).
void setAacEncoderName(const QString& element);
QString aacEncoderName();

/// Why no recording can be stored as AAC on this machine, or nothing when it can: GStreamer does not
/// start, or the AAC encoder or another element the encoding needs is not installed. Blocking (loads
/// GStreamer the first time, a few hundred milliseconds); any thread.
std::optional<QString> aacEncodingUnavailable();

/// Encodes the raw samples in `pcmPath` as AAC-LC, 44,100 Hz, mono, in an MPEG-4 file at `m4aPath`
/// (resampled and mixed down as needed). Blocking, any thread but the GUI's: about a second per five
/// minutes of sound, and gives up after 30 s plus a tenth of the recording's length. Gives the error
/// text on failure, in which case `m4aPath` may hold a partial file for the caller to remove. Raising
/// `abort` ends the encoding within about 50 ms with the error "cancelled".
std::optional<QString> encodePcmToAac(const QString& pcmPath, const PcmLayout& layout, const QString& m4aPath,
                                      const std::atomic<bool>* abort = nullptr);

} // namespace vsp
