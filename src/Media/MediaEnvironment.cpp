#include "Media/MediaEnvironment.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QMediaRecorder>
#include <QPointer>
#include <QThreadPool>
#include <QtGlobal>

#include <gst/gst.h>

#include <utility>

namespace vsp {

namespace {

enum class WarmUp { NotStarted, Loading, Done };

struct Waiter {
    QPointer<QObject> context;
    bool hasContext = false;
    std::function<void()> ready;
};

// GUI thread only.
WarmUp g_warmUp = WarmUp::NotStarted;
QList<Waiter>& waiters()
{
    static QList<Waiter> list;
    return list;
}

/// Loads the plugins and makes one of each element that a recording, a playback and a decoding build,
/// so their libraries (libav's above all, about 150 ms) and their classes are ready. Worker thread.
void loadGStreamer()
{
    if (!gst_init_check(nullptr, nullptr, nullptr)) {
        return;
    }
    static const char* const plugins[] = {
        "coreelements", "pulseaudio",   "autodetect", "audiotestsrc",      "volume", "encoding",
        "isomp4",       "libav",        "audioparsers", "audiorate",       "audioconvert", "audioresample",
        "playback",     "typefindfunctions", "app",   "videoconvertscale",
    };
    for (const char* name : plugins) {
        if (GstPlugin* plugin = gst_plugin_load_by_name(name)) {
            gst_object_unref(plugin);
        }
    }
    // Not the sound server's source and sink: making those opens nothing, but their plugin is all
    // the time they take.
    static const char* const elements[] = {
        "pipeline", "bin",      "queue",     "tee",       "capsfilter",   "fakesink",     "filesink",
        "filesrc",  "volume",   "encodebin", "mp4mux",    "avenc_aac",    "aacparse",     "audiorate",
        "audioconvert", "audioresample", "decodebin", "uridecodebin", "typefind", "qtdemux", "avdec_aac",
        "appsink",  "videoconvert",
    };
    for (const char* name : elements) {
        if (GstElement* element = gst_element_factory_make(name, nullptr)) {
            gst_object_unref(element);
        }
    }
}

void finishWarmUp()
{
    g_warmUp = WarmUp::Done;
    const QList<Waiter> list = std::exchange(waiters(), {});
    for (const Waiter& w : list) {
        if ((!w.hasContext || w.context) && w.ready) {
            w.ready();
        }
    }
}

} // namespace

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

void warmUpMedia(QObject* context, std::function<void()> ready)
{
    if (g_warmUp == WarmUp::Done) {
        if (ready) {
            ready();
        }
        return;
    }
    if (ready) {
        waiters().append(Waiter{context, context != nullptr, std::move(ready)});
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (g_warmUp == WarmUp::Loading || !app) {
        return;
    }
    g_warmUp = WarmUp::Loading;
    // The global pool: the application waits for its tasks before it ends, so no plugin is still
    // loading while the process unwinds.
    QThreadPool::globalInstance()->start([app] {
        loadGStreamer();
        // Qt Multimedia's backend, its device monitor and what the first recorder sets up once belong
        // to the GUI thread: each about 10 ms with GStreamer loaded, made in turns of their own.
        QMetaObject::invokeMethod(
            app,
            [app] {
                (void)QMediaDevices::audioInputs();
                QMetaObject::invokeMethod(
                    app,
                    [] {
                        delete new QMediaRecorder;
                        finishWarmUp();
                    },
                    Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    });
}

} // namespace vsp
