// Feeds arbitrary bytes to the RTF reader (clipboard contents and imported files are untrusted). Beyond
// the sanitizers, checks that what was read contains no lone surrogate and survives our own writer:
// reading the written RTF again gives the same text, the same paragraph styles and the same character
// styles.

#include "Editor/EditorPalette.h"
#include "Editor/Rtf/RtfReader.h"
#include "Editor/Rtf/RtfWriter.h"
#include "Editor/TextAttributes.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool sameParagraphStyle(const QTextBlockFormat& a, const QTextBlockFormat& b)
{
    return a.lineHeightType() == b.lineHeightType() && std::abs(a.lineHeight() - b.lineHeight()) < 0.01
           && a.leftMargin() == b.leftMargin() && a.rightMargin() == b.rightMargin() && a.textIndent() == b.textIndent()
           && a.topMargin() == b.topMargin() && a.bottomMargin() == b.bottomMargin()
           && (a.alignment() & Qt::AlignHorizontal_Mask) == (b.alignment() & Qt::AlignHorizontal_Mask)
           && a.tabPositions().size() == b.tabPositions().size();
}

// Families are left out: the first read drops the editor's own family, which the writer then names.
bool sameCharacterStyle(const QTextCharFormat& a, const QTextCharFormat& b)
{
    auto rgb = [](const QTextCharFormat& f, QTextFormat::Property brush) {
        return f.hasProperty(brush) ? f.brushProperty(brush).color().rgb() : 0u;
    };
    return vsp::editor::isBold(a) == vsp::editor::isBold(b) && a.fontItalic() == b.fontItalic()
           && a.fontUnderline() == b.fontUnderline() && a.fontStrikeOut() == b.fontStrikeOut()
           && a.fontPointSize() == b.fontPointSize()
           && rgb(a, QTextFormat::ForegroundBrush) == rgb(b, QTextFormat::ForegroundBrush)
           && rgb(a, QTextFormat::BackgroundBrush) == rgb(b, QTextFormat::BackgroundBrush);
}

} // namespace

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
    for (QTextBlock a = document.begin(), b = again.begin(); a.isValid() && b.isValid(); a = a.next(), b = b.next()) {
        if (!sameParagraphStyle(a.blockFormat(), b.blockFormat())) {
            std::fprintf(stderr, "paragraph style changed through our own writer at %d\n", a.position());
            std::abort();
        }
    }
    for (int i = 0; i < int(text.size()); ++i) {
        if (text[i] != u'\n'
            && !sameCharacterStyle(vsp::editor::charFormatAt(document, i), vsp::editor::charFormatAt(again, i))) {
            std::fprintf(stderr, "character style changed through our own writer at %d\n", i);
            std::abort();
        }
    }
    return 0;
}
