#include "Media/MediaEnvironment.h"

#include <QByteArray>
#include <QtGlobal>

namespace vsp {

void prepareMediaEnvironment()
{
    // The ffmpeg backend crashes on play or record without a sound device; GStreamer reports it.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) {
        qputenv("QT_MEDIA_BACKEND", "gstreamer");
    }
    // Without this rank GStreamer picks no AAC encoder and the recorder quietly writes MP3 into the
    // MPEG-4 file, which other players read poorly.
    if (qEnvironmentVariableIsEmpty("GST_PLUGIN_FEATURE_RANK")) {
        qputenv("GST_PLUGIN_FEATURE_RANK", "avenc_aac:PRIMARY");
    }
}

} // namespace vsp
