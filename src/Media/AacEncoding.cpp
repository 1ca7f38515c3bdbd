#include "Media/AacEncoding.h"

#include "Media/GStreamerLibrary.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <mutex>

namespace vsp {

namespace {

std::mutex g_encoderMutex;
QString g_encoderName;

const char* const kDefaultEncoder = "avenc_aac";

/// GStreamer, started; nothing when it cannot be.
const GStreamerLibrary* startedGStreamer()
{
    const GStreamerLibrary* gst = GStreamerLibrary::installed();
    if (!gst || !gst->initCheck(nullptr, nullptr, nullptr)) {
        return nullptr;
    }
    return gst;
}

QString takeErrorText(const GStreamerLibrary* gst, GError* error)
{
    if (!error) {
        return QStringLiteral("unknown error");
    }
    const QString text = QString::fromUtf8(error->message);
    gst->errorFree(error);
    return text;
}

} // namespace

void setAacEncoderName(const QString& element)
{
    std::lock_guard lock(g_encoderMutex);
    g_encoderName = element;
}

QString aacEncoderName()
{
    std::lock_guard lock(g_encoderMutex);
    return g_encoderName.isEmpty() ? QString::fromLatin1(kDefaultEncoder) : g_encoderName;
}

std::optional<QString> aacEncodingUnavailable()
{
    const GStreamerLibrary* gst = startedGStreamer();
    if (!gst) {
        return QStringLiteral("GStreamer could not be started");
    }
    const QString encoder = aacEncoderName();
    const QStringList elements = {QStringLiteral("filesrc"),
                                  QStringLiteral("rawaudioparse"),
                                  QStringLiteral("audioconvert"),
                                  QStringLiteral("audioresample"),
                                  encoder,
                                  QStringLiteral("mp4mux"),
                                  QStringLiteral("filesink")};
    for (const QString& name : elements) {
        GstElementFactory* factory = gst->elementFactoryFind(name.toUtf8().constData());
        if (!factory) {
            if (name == encoder) {
                return QStringLiteral("no AAC encoder is installed (%1, from gstreamer1.0-libav)").arg(name);
            }
            return QStringLiteral("the GStreamer element %1 is not installed").arg(name);
        }
        gst->objectUnref(factory);
    }
    return std::nullopt;
}

std::optional<QString> encodePcmToAac(const QString& pcmPath, const PcmLayout& layout, const QString& m4aPath,
                                      const std::atomic<bool>* abort)
{
    if (const std::optional<QString> why = aacEncodingUnavailable()) {
        return why;
    }
    const GStreamerLibrary* gst = startedGStreamer();
    // Only names and numbers go into the description; the paths are set as properties, so no character
    // of theirs is read as pipeline syntax.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_-]+$"));
    const QString encoder = aacEncoderName();
    if (!plainName.match(encoder).hasMatch() || !plainName.match(layout.sampleFormat).hasMatch()
        || layout.sampleRate <= 0 || layout.channels <= 0) {
        return QStringLiteral("the recording's sample format is not understood");
    }
    const QString description =
        QStringLiteral("filesrc name=source ! rawaudioparse use-sink-caps=false format=pcm pcm-format=%1 "
                       "sample-rate=%2 num-channels=%3 ! audioconvert ! audioresample ! "
                       "audio/x-raw,rate=44100,channels=1 ! %4 ! audio/mpeg,mpegversion=4 ! mp4mux ! "
                       "filesink name=sink")
            .arg(layout.sampleFormat.toLower())
            .arg(layout.sampleRate)
            .arg(layout.channels)
            .arg(encoder);
    GError* parseError = nullptr;
    GstElement* pipeline = gst->parseLaunch(description.toUtf8().constData(), &parseError);
    if (!pipeline) {
        return takeErrorText(gst, parseError);
    }
    if (parseError) {
        // A pipeline with a recoverable fault (a missing property, say): not one to trust.
        gst->objectUnref(pipeline);
        return takeErrorText(gst, parseError);
    }
    for (const auto& [name, path] : {std::pair{"source", pcmPath}, std::pair{"sink", m4aPath}}) {
        GstElement* element = gst->binGetByName(reinterpret_cast<GstBin*>(pipeline), name);
        gst->objectSet(element, "location", QFile::encodeName(path).constData(), nullptr);
        gst->objectUnref(element);
    }
    const qint64 bytesPerSecond = qint64(layout.sampleRate) * layout.channels
                                  * (layout.sampleFormat == QLatin1String("U8")      ? 1
                                     : layout.sampleFormat == QLatin1String("S16LE") ? 2
                                                                                     : 4);
    const double seconds = double(QFileInfo(pcmPath).size()) / double(bytesPerSecond);
    const qint64 limitMs = qint64((30.0 + seconds / 10.0) * 1000.0);
    constexpr qint64 kPollMs = 50;

    std::optional<QString> failure;
    if (gst->elementSetState(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        failure = QStringLiteral("the encoder could not be started");
    } else {
        GstBus* bus = gst->elementGetBus(pipeline);
        GstMessage* message = nullptr;
        for (qint64 waited = 0; !message && waited < limitMs; waited += kPollMs) {
            if (abort && abort->load()) {
                break;
            }
            message = gst->busTimedPopFiltered(bus, GstClockTime(kPollMs) * GST_MSECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        }
        if (!message) {
            failure =
                abort && abort->load() ? QStringLiteral("cancelled") : QStringLiteral("the encoder did not finish");
        } else {
            if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
                GError* error = nullptr;
                gchar* debug = nullptr;
                gst->messageParseError(message, &error, &debug);
                gst->gFree(debug);
                failure = takeErrorText(gst, error);
            }
            gst->miniObjectUnref(GST_MINI_OBJECT_CAST(message));
        }
        gst->objectUnref(bus);
    }
    // The muxer writes the file's index on EOS; the sink closes the file on the way down.
    gst->elementSetState(pipeline, GST_STATE_NULL);
    gst->objectUnref(pipeline);
    return failure;
}

} // namespace vsp
