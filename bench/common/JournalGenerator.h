#pragma once

#include "Model/JournalEntry.h"

#include <QList>
#include <QString>

namespace vsp::bench {

/// Makes a realistic journal of `count` entries, the same for the same seed: bodies of 100 to 600 words,
/// half with an RTF body, one to four tags from a pool of 40, moods, favourites, a few archived,
/// some with photos and voice notes (names only), dated over the last three years with several entries
/// on most days.
QList<JournalEntry> generateJournal(int count, unsigned seed = 42);

/// Writes the journal as entries.json into a fresh temporary data folder and points XDG_DATA_HOME and
/// XDG_CONFIG_HOME there. Returns the path of entries.json.
QString installJournal(const QList<JournalEntry>& entries);

} // namespace vsp::bench
