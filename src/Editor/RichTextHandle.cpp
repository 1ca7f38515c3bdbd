#include "Editor/RichTextHandle.h"

#include "Editor/Rtf/RtfWriter.h"

#include <QTextDocument>

RichTextHandle::RichTextHandle(QObject* parent) : QObject(parent)
{ }

std::optional<QByteArray> RichTextHandle::currentRTF() const
{
    if (!m_textView) {
        return std::nullopt;
    }
    const QTextDocument* document = m_textView->document();
    // characterCount() counts the final block separator: 1 means no characters.
    if (!document || document->characterCount() <= 1) {
        return std::nullopt;
    }
    return vsp::rtf::writeRtf(*document);
}
