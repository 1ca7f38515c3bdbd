#include "Media/MediaEnvironment.h"

#include "Media/GStreamerLibrary.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QAudioDevice>
#include <QLibrary>
#include <QLibraryInfo>
#include <QList>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaRecorder>
#include <QMimeDatabase>
#include <QPointer>
#include <QThreadPool>
#include <QtGlobal>

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
/// so their libraries (libav's above all, about 150 ms) and their classes are ready. Gives GStreamer's
/// functions, or nothing when it cannot be opened or cannot start. Worker thread.
const GStreamerLibrary* loadGStreamer()
{
    const GStreamerLibrary* gst = GStreamerLibrary::installed();
    if (!gst || !gst->initCheck(nullptr, nullptr, nullptr)) {
        return nullptr;
    }
    static const char* const plugins[] = {
        "coreelements", "pulseaudio",   "autodetect", "audiotestsrc",      "volume", "encoding",
        "isomp4",       "libav",        "audioparsers", "audiorate",       "audioconvert", "audioresample",
        "playback",     "typefindfunctions", "app",   "videoconvertscale",
    };
    for (const char* name : plugins) {
        if (GstPlugin* plugin = gst->pluginLoadByName(name)) {
            gst->objectUnref(plugin);
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
        if (GstElement* element = gst->elementFactoryMake(name, nullptr)) {
            gst->objectUnref(element);
        }
    }
    return gst;
}

/// What Qt Multimedia's backend reads when it is made on the GUI thread, read here first so it finds
/// it done: the device providers' plugins (its device monitor loads them), and the capabilities of
/// every encoder, decoder, muxer and demuxer (its list of formats parses them; GStreamer keeps them
/// once parsed). Worker thread, after loadGStreamer(). The lists' items are taken as what they are
/// listed as: GStreamer's checked casts would call its type functions too.
void readBackendCapabilities(const GStreamerLibrary* gst)
{
    GList* providers = gst->deviceProviderFactories(GST_RANK_NONE);
    for (GList* p = providers; p; p = p->next) {
        if (GstPluginFeature* loaded = gst->pluginFeatureLoad(static_cast<GstPluginFeature*>(p->data))) {
            gst->objectUnref(loaded);
        }
    }
    gst->pluginFeatureListFree(providers);
    const GstElementFactoryListType kinds[] = {GST_ELEMENT_FACTORY_TYPE_ENCODER, GST_ELEMENT_FACTORY_TYPE_DECODER,
                                               GST_ELEMENT_FACTORY_TYPE_MUXER, GST_ELEMENT_FACTORY_TYPE_DEMUXER};
    for (GstElementFactoryListType kind : kinds) {
        GList* factories = gst->elementFactories(kind, GST_RANK_MARGINAL);
        for (GList* f = factories; f; f = f->next) {
            const GList* templates = gst->staticPadTemplates(static_cast<GstElementFactory*>(f->data));
            for (const GList* t = templates; t; t = t->next) {
                auto* pad = static_cast<GstStaticPadTemplate*>(t->data);
                // What gst_caps_unref() does, inline, through the opened library.
                gst->miniObjectUnref(GST_MINI_OBJECT_CAST(gst->staticCapsGet(&pad->static_caps)));
            }
        }
        gst->pluginFeatureListFree(factories);
    }
}

/// The parts of Qt Multimedia's first use that belong to no thread: the MIME database (read from XML
/// the first time; a recorder names its format by MIME type) and the backend's library, which the GUI
/// thread then finds mapped and relocated. Worker thread.
void preloadBackendLibrary()
{
    // A recorder asks for its format's file suffix too, which the database reads per type.
    const QMimeDatabase mime;
    for (const QString& name : {QStringLiteral("audio/mp4"), QStringLiteral("video/mp4")}) {
        (void)mime.mimeTypeForName(name).preferredSuffix();
    }
    const QString backend = QString::fromLocal8Bit(qgetenv("QT_MEDIA_BACKEND"));
    if (backend.isEmpty()) {
        return;
    }
    // Never unloaded: Qt's plugin loader opens the same file and keeps it.
    QLibrary plugin(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/multimedia/lib") + backend
                    + QStringLiteral("mediaplugin"));
    (void)plugin.load();
}

/// Runs `steps` on `app`'s thread, one a turn of its event loop, so no turn waits for all of them.
void runInTurns(QObject* app, QList<std::function<void()>> steps)
{
    if (steps.isEmpty()) {
        return;
    }
    QMetaObject::invokeMethod(
        app,
        [app, steps = std::move(steps)]() mutable {
            const std::function<void()> step = steps.takeFirst();
            step();
            runInTurns(app, std::move(steps));
        },
        Qt::QueuedConnection);
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
        if (const GStreamerLibrary* gst = loadGStreamer()) {
            readBackendCapabilities(gst);
            preloadBackendLibrary();
        }
        // Qt Multimedia's device list, its backend (with the backend's device monitor and list of
        // formats) and what the first recorder sets up once belong to the GUI thread: a few
        // milliseconds each with the above done, made in turns of their own.
        runInTurns(app, {
                            [] { (void)QMediaDevices::audioInputs(); },
                            [] { (void)QMediaFormat(QMediaFormat::MPEG4).isSupported(QMediaFormat::Encode); },
                            [] { delete new QMediaRecorder; },
                            finishWarmUp,
                        });
    });
}

} // namespace vsp
