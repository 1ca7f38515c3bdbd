#pragma once

#include <QString>

namespace vsp {

/// What the mood editor's emoji field keeps of a typed or pasted text: the first character (extended
/// grapheme cluster, by ICU's rules) made of the scalars that are emoji shown as emoji by default
/// (Unicode properties Emoji and Emoji_Presentation) or skin-tone modifiers (U+1F3FB-U+1F3FF). Every
/// other scalar is dropped first: letters, digits, spaces, U+FE0F, the zero-width joiner and emoji
/// shown as text by default. So a skin-toned emoji or a flag stays whole, a joined family keeps its
/// first person, and a keycap vanishes. Empty when nothing is left.
QString filterEmoji(const QString& text);

} // namespace vsp
