#include "Editor/Compose/TagRules.h"

#include "Editor/Compose/ComposeRules.h"

namespace vsp::tags {

QStringList suggestions(const QString& input, const QList<TagCount>& allTags, const QStringList& chosen)
{
    QStringList result;
    if (input.isEmpty()) {
        return result;
    }
    const QString query = input.toLower();
    for (const TagCount& tag : allTags) {
        if (tag.name.startsWith(query, Qt::CaseSensitive) && !chosen.contains(tag.name, Qt::CaseSensitive)) {
            result.append(tag.name);
            if (result.size() == kMaxSuggestions) {
                break;
            }
        }
    }
    return result;
}

bool commit(QString& input, QStringList& tags)
{
    const QString candidate = vsp::compose::trimBlanks(input).toLower();
    input.clear();
    if (candidate.isEmpty() || tags.contains(candidate, Qt::CaseSensitive)) {
        return false;
    }
    tags.append(candidate);
    return true;
}

} // namespace vsp::tags
