#include "Media/MediaEnvironment.h"

#include "Media/GStreamerLibrary.h"

#include <QAudioDevice>
#include <QByteArray>
#include <QCoreApplication>
#include <QLibrary>
#include <QLibraryInfo>
#include <QList>
#include <QMediaDevices>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QtGlobal>

#include <algorithm>
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
bool g_warmUpPending = false;
int g_warmUpDelayMs = 2000;
QList<Waiter>& waiters()
{
    static QList<Waiter> list;
    return list;
}

/// Loads the plugins and makes one of each element that a recording's encoding, a playback and a decoding
/// build,
/// so their libraries (libav's above all, about 150 ms) and their classes are ready. Gives GStreamer's
/// functions, or nothing when it cannot be opened or cannot start. Worker thread.
const GStreamerLibrary* loadGStreamer()
{
    const GStreamerLibrary* gst = GStreamerLibrary::installed();
    if (!gst || !gst->initCheck(nullptr, nullptr, nullptr)) {
        return nullptr;
    }
    static const char* const plugins[] = {
        "coreelements", "pulseaudio",   "autodetect",    "volume",   "rawparse",          "isomp4", "libav",
        "audioparsers", "audioconvert", "audioresample", "playback", "typefindfunctions", "app",    "videoconvertscale",
    };
    for (const char* name : plugins) {
        if (GstPlugin* plugin = gst->pluginLoadByName(name)) {
            gst->objectUnref(plugin);
        }
    }
    // Not the sound server's source and sink: making those opens nothing, but their plugin is all
    // the time they take.
    static const char* const elements[] = {
        "pipeline",      "bin",          "queue",    "capsfilter", "fakesink",  "filesink",     "filesrc",
        "rawaudioparse", "volume",       "mp4mux",   "avenc_aac",  "aacparse",  "audioconvert", "audioresample",
        "decodebin",     "uridecodebin", "typefind", "qtdemux",    "avdec_aac", "appsink",      "videoconvert",
    };
    for (const char* name : elements) {
        if (GstElement* element = gst->elementFactoryMake(name, nullptr)) {
            gst->objectUnref(element);
        }
    }
    return gst;
}

/// What Qt Multimedia's backend reads when it is made on the GUI thread, read here first so it finds
/// it done: the device providers' plugins, which its device monitor loads. (Its list of formats, which
/// parses every encoder's capabilities, serves only Qt's own recorder, which voice notes do not use.)
/// Worker thread, after loadGStreamer(). The list's items are taken as what they are listed as:
/// GStreamer's checked casts would call its type functions too.
void readBackendCapabilities(const GStreamerLibrary* gst)
{
    GList* providers = gst->deviceProviderFactories(GST_RANK_NONE);
    for (GList* p = providers; p; p = p->next) {
        if (GstPluginFeature* loaded = gst->pluginFeatureLoad(static_cast<GstPluginFeature*>(p->data))) {
            gst->objectUnref(loaded);
        }
    }
    gst->pluginFeatureListFree(providers);
}

/// The backend's library, which the GUI thread then finds mapped and relocated. Worker thread.
void preloadBackendLibrary()
{
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
    // Voice notes name their AAC encoder themselves; this rank only keeps anything chosen by rank (a
    // future use of Qt's own recorder, say) from writing MP3 into an MPEG-4 file.
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
        // Qt Multimedia's device list and its backend (with the backend's device monitor) belong to
        // the GUI thread: a few milliseconds with the above done, in a turn of its own.
        runInTurns(app, {
                            [] { (void)QMediaDevices::audioInputs(); },
                            finishWarmUp,
                        });
    });
}

void warmUpMediaSoon()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (g_warmUp != WarmUp::NotStarted || g_warmUpPending || !app) {
        return;
    }
    g_warmUpPending = true;
    QTimer::singleShot(g_warmUpDelayMs, app, [] {
        g_warmUpPending = false;
        warmUpMedia();
    });
}

void setMediaWarmUpDelay(int milliseconds)
{
    g_warmUpDelayMs = std::max(0, milliseconds);
}

} // namespace vsp
