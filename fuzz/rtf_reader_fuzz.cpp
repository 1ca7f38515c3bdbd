// Feeds arbitrary bytes to the RTF reader (clipboard contents and imported files are untrusted). Beyond
// the sanitizers, checks that what was read contains no lone surrogate and survives our own writer:
// reading the written RTF again gives the same text.

#include "Editor/EditorPalette.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/TextAttributes.h"

#include <QGuiApplication>
#include <QTextCharFormat>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rtf_reader_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const EditorPalette palette;
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    const bool read = vsp::rtf::readRtf(bytes, document, {}, [&](QTextCharFormat& format) {
        vsp::editor::adaptColors(format, palette);
        vsp::editor::clearFamily(format, QStringLiteral("Inter"));
    });
    if (!read) {
        if (document.characterCount() != 1) {
            std::fprintf(stderr, "unreadable input left text behind\n");
            std::abort();
        }
        return 0;
    }
    const QString text = vsp::editor::plainTextOf(document);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (text[i].isSurrogate()) {
            std::fprintf(stderr, "lone surrogate at %lld\n", static_cast<long long>(i));
            std::abort();
        }
    }
    QTextDocument again;
    again.setUndoRedoEnabled(false);
    if (!vsp::rtf::readRtf(vsp::rtf::writeRtf(document), again) || vsp::editor::plainTextOf(again) != text) {
        std::fprintf(stderr, "text changed through our own writer\n");
        std::abort();
    }
    return 0;
}
