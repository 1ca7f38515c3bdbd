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
#include <array>
#include <utility>

namespace vsp {

namespace {

enum class WarmUp { NotStarted, Loading, Done };

struct Waiter {
    QPointer<QObject> context;
    bool hasContext = false;
    std::function<void()> ready;
};

/// The warm-up of one use. GUI thread only.
struct Tier {
    WarmUp state = WarmUp::NotStarted;
    bool pending = false;
    QList<Waiter> waiters;
};

int g_warmUpDelayMs = 2000;

Tier& tier(MediaUse use)
{
    static std::array<Tier, 2> tiers;
    return tiers[std::size_t(use)];
}

/// Loads the plugins and makes one of each element that `use` builds (a capture; with `Playback` also a
/// recording's encoding, a playback and a decoding), so their libraries (libav's above all, about 150 ms)
/// and their classes are ready. Gives GStreamer's functions, or nothing when it cannot be opened or
/// cannot start. Worker thread.
const GStreamerLibrary* loadGStreamer(MediaUse use)
{
    const GStreamerLibrary* gst = GStreamerLibrary::installed();
    if (!gst || !gst->initCheck(nullptr, nullptr, nullptr)) {
        return nullptr;
    }
    static const QList<const char*> capturePlugins = {
        "coreelements", "pulseaudio", "autodetect", "volume", "app", "audioconvert", "audioresample",
    };
    static const QList<const char*> playbackPlugins = {
        "rawparse", "isomp4", "libav", "audioparsers", "playback", "typefindfunctions", "videoconvertscale",
    };
    // Not the sound server's source and sink: making those opens nothing, but their plugin is all
    // the time they take.
    static const QList<const char*> captureElements = {
        "pipeline", "bin", "queue", "capsfilter", "fakesink", "volume", "audioconvert", "audioresample", "appsink",
    };
    static const QList<const char*> playbackElements = {
        "filesink",  "filesrc",  "rawaudioparse", "mp4mux",  "avenc_aac", "aacparse",
        "decodebin", "typefind", "uridecodebin",  "qtdemux", "avdec_aac", "videoconvert",
    };
    const bool playback = use == MediaUse::Playback;
    for (const char* name : capturePlugins + (playback ? playbackPlugins : QList<const char*>())) {
        if (GstPlugin* plugin = gst->pluginLoadByName(name)) {
            gst->objectUnref(plugin);
        }
    }
    for (const char* name : captureElements + (playback ? playbackElements : QList<const char*>())) {
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

void answer(Tier& t)
{
    t.state = WarmUp::Done;
    const QList<Waiter> list = std::exchange(t.waiters, {});
    for (const Waiter& w : list) {
        if ((!w.hasContext || w.context) && w.ready) {
            w.ready();
        }
    }
}

void finishWarmUp(MediaUse use)
{
    // What playback needs includes all a recording does.
    if (use == MediaUse::Playback) {
        answer(tier(MediaUse::Recording));
    }
    answer(tier(use));
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

void warmUpMedia(QObject* context, std::function<void()> ready, MediaUse use)
{
    Tier& t = tier(use);
    if (t.state == WarmUp::Done) {
        if (ready) {
            ready();
        }
        return;
    }
    if (ready) {
        t.waiters.append(Waiter{context, context != nullptr, std::move(ready)});
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (t.state == WarmUp::Loading || !app) {
        return;
    }
    t.state = WarmUp::Loading;
    if (use == MediaUse::Recording && tier(MediaUse::Playback).state == WarmUp::Loading) {
        // The warm-up for playback under way answers this one too.
        return;
    }
    // The global pool: the application waits for its tasks before it ends, so no plugin is still
    // loading while the process unwinds.
    QThreadPool::globalInstance()->start([app, use] {
        if (const GStreamerLibrary* gst = loadGStreamer(use)) {
            readBackendCapabilities(gst);
            preloadBackendLibrary();
        }
        // Qt Multimedia's device list and its backend (with the backend's device monitor) belong to
        // the GUI thread: a few milliseconds with the above done, in a turn of its own.
        runInTurns(app, {
                            [] { (void)QMediaDevices::audioInputs(); },
                            [use] { finishWarmUp(use); },
                        });
    });
}

void warmUpMediaSoon(MediaUse use)
{
    QCoreApplication* app = QCoreApplication::instance();
    Tier& t = tier(use);
    if (t.state != WarmUp::NotStarted || t.pending || !app) {
        return;
    }
    t.pending = true;
    QTimer::singleShot(g_warmUpDelayMs, app, [use] {
        tier(use).pending = false;
        warmUpMedia(nullptr, {}, use);
    });
}

void setMediaWarmUpDelay(int milliseconds)
{
    g_warmUpDelayMs = std::max(0, milliseconds);
}

} // namespace vsp
