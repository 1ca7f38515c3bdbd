#pragma once

#include "Model/JournalEntry.h"

#include <QList>
#include <QString>

namespace vsp::bench {

/// What the bodies and tags of a generated journal are like.
enum class Mix {
    /// Long bodies of 100 to 600 words (about 2,700 characters on average), half of them rich text,
    /// one to four tags each.
    Long,
    /// As people keep a diary: bodies of a median of about 600 characters and a mean of about 1,400
    /// (a log-normal spread, so a few run to thousands of words), a fifth rich text, no to three tags.
    Diary,
};

/// "long" or "diary", as results.json and the printed figures name the mix.
QString mixName(Mix mix);

/// Reads "--mix=diary" or "--mix=long" from the arguments (removing it); `fallback` when absent.
Mix takeJournalMix(int& argc, char** argv, Mix fallback);

/// Makes a realistic journal of `count` entries, the same for the same seed and mix: bodies and tags as
/// `mix` says, moods, favourites, a few archived, some with photos and voice notes (names only), dated
/// over the last three years with several entries on most days.
QList<JournalEntry> generateJournal(int count, unsigned seed = 42, Mix mix = Mix::Long);

/// Writes the journal as entries.json into a fresh temporary data folder and points XDG_DATA_HOME and
/// XDG_CONFIG_HOME there. Returns the path of entries.json.
QString installJournal(const QList<JournalEntry>& entries);

} // namespace vsp::bench
