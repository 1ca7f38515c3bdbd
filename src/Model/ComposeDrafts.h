#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

/// The draft of the "New Entry" window, kept in the user's settings between a close without saving and
/// the next "Continue Draft". Only text, rich text, tags and type survive; mood, expiration, font,
/// attachments and weather do not.
namespace vsp::compose {

struct ComposeDraft {
    /// Exactly as typed, not trimmed.
    QString title;
    QString body;
    std::optional<QByteArray> bodyRTF;
    QStringList tags;
    /// An entry type raw value when writing; whatever is stored when reading.
    QString type;
};

/// Writes the draft to the settings in one write of the file, or removes any stored one when draft
/// saving is off or title and body are both exactly empty (a single space counts as text). A draft
/// without rich text removes the stored rich text.
void saveDraft(const ComposeDraft& draft, bool autoSaveDraft);

/// The stored draft, or nothing when title and body are both empty or absent. Tags that are not a list
/// of texts read as none; the type is returned as stored (empty when absent).
std::optional<ComposeDraft> readDraft();

/// Removes the stored draft, all five values at once.
void clearDraft();

/// Whether a draft is stored that "Continue Draft" can offer: non-empty title or body text.
bool hasDraft();

/// The seven writing prompts, one of which the body editor shows while it is empty.
const std::array<QString, 7>& writingPrompts();

} // namespace vsp::compose
