#pragma once

#include "Editor/Rtf/RtfWriter.h"
#include "Model/JournalEntry.h"

#include <QFont>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace vsp::bench {

/// A rich entry of at least `characters` characters, as the editor writes it: paragraphs of about 700
/// characters, "\n\n" apart, each starting with a bold word.
inline JournalEntry hugeEntry(qsizetype characters)
{
    static const QStringList words = {QStringLiteral("morning"), QStringLiteral("river"),  QStringLiteral("light"),
                                      QStringLiteral("thought"), QStringLiteral("garden"), QStringLiteral("letters"),
                                      QStringLiteral("quiet"),   QStringLiteral("walked")};
    QTextDocument document;
    QTextCursor cursor(&document);
    QString plain;
    QTextCharFormat normal;
    normal.setFontPointSize(15);
    QTextCharFormat bold = normal;
    bold.setFontWeight(QFont::Bold);
    for (int p = 0; plain.size() < characters; ++p) {
        if (p > 0) {
            cursor.insertText(QStringLiteral("\n\n"), normal);
            plain += QStringLiteral("\n\n");
        }
        QString paragraph;
        for (int w = 0; paragraph.size() < 700; ++w) {
            paragraph += words[(w * 7 + p) % words.size()] + u' ';
        }
        cursor.insertText(words[p % words.size()] + u' ', bold);
        cursor.insertText(paragraph, normal);
        plain += words[p % words.size()] + u' ' + paragraph;
    }
    JournalEntry e = JournalEntry::create();
    e.title = QStringLiteral("Everything, at length");
    e.body = plain;
    e.bodyRTF = vsp::rtf::writeRtf(document);
    return e;
}

} // namespace vsp::bench
