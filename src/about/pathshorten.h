#pragma once
// Shortening of the installation path shown in the about window: folders
// before the final part lose their ends to ".." from right to left, then the
// final part loses its beginning, while the first part (the label prefix with
// the drive) always stays whole.
#include <QString>

#include <functional>
#include <optional>

namespace about {

// Measures a text in the caller's units (the label's font, in pixels or twips).
using TextWidth = std::function<double(const QString &)>;

// Shortens text (parts separated by "\") until textWidth(result) <= width.
//
// Each pass shortens the part at the working index, which starts at the
// folder before the final part: a part not ending in "." gets ".." for its
// last two characters; a part ending in "." loses one character before its
// "..". Once a part begins with "." the index moves one part left; instead of
// reaching the first part it jumps to the final part, which is then shortened
// from its beginning ("..ame.exe" keeps the end of "filename.exe").
//
// Returns nullopt when the text cannot be made narrow enough: a part of one
// character (or an empty part between two "\") on the way, a width that even
// the fully shortened text exceeds, or a first part alone that is too wide.
// The caller then keeps its previous text.
std::optional<QString> ShortenPath(const QString &text, double width, const TextWidth &textWidth);

} // namespace about
