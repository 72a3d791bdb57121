#pragma once

#include <QString>

namespace media {

// The longest file name, in bytes of UTF-8, that the usual file systems
// accept.
inline constexpr qsizetype kFileNameLimit = 255;

// The longest start of `text` that takes at most `bytes` bytes of UTF-8,
// cut between whole characters (a surrogate pair or a multi-byte sequence is
// never split).
QString leadingCharacters(const QString& text, qsizetype bytes);

} // namespace media
