#pragma once
// Reading the practice text the user picked: a rich-text file through our
// own reader, anything else as plain text in UTF-8, UTF-16 or CP932.

#include <QString>

#include "typing/rich_text.h"

// Files above this size are refused: no one types them, and reading one
// whole would stall the window.
inline constexpr qint64 kMaxPracticeFileBytes = 64LL * 1024 * 1024;

// Reads the whole file. Throws AppError naming the file when it is missing,
// cannot be read or is too large; nothing is changed then.
RichText LoadPracticeText(const QString& path);
