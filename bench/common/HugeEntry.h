#pragma once

#include "Editor/Rtf/RtfWriter.h"
#include "Model/JournalEntry.h"

#include <QFont>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace vsp::bench {

/// How a huge entry's text is laid: paragraphs "\n\n" apart, or all of it one line (a pasted log, a
/// dictated transcript).
enum class Breaks { Paragraphs, OneParagraph };

/// A rich entry of at least `characters` characters, as the editor writes it: runs of about 700
/// characters, each starting with a bold word, as paragraphs "\n\n" apart or one after another on one
/// line.
inline JournalEntry hugeEntry(qsizetype characters, Breaks breaks = Breaks::Paragraphs)
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
        if (p > 0 && breaks == Breaks::Paragraphs) {
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
