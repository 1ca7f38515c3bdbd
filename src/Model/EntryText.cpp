#include "Model/EntryText.h"

#include <QStringList>

namespace vsp {

QString entryPlainText(const JournalEntry& entry)
{
    return entry.title + QStringLiteral("\n\n") + entry.body.toString();
}

QString entryMarkdown(const JournalEntry& entry)
{
    QStringList tags;
    tags.reserve(entry.tags.size());
    for (const QString& tag : entry.tags) {
        tags.append(u'#' + tag);
    }
    QString text = QStringLiteral("# ") + entry.title;
    if (!tags.isEmpty()) {
        text += QStringLiteral("\n\n") + tags.join(u' ');
    }
    return text + QStringLiteral("\n\n") + entry.body.toString();
}

} // namespace vsp
