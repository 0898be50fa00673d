#pragma once
// Reading the practice text the user picked: a rich-text file through our
// own reader, anything else as plain text in UTF-8, UTF-16 or CP932.

#include <QString>
#include <cstddef>

#include "typing/rich_text.h"

namespace shurencho {

// Texts beyond these are refused: no one types them, and the pane would take
// long to lay them out (a line per line break: a few hundred thousand empty
// lines are more than its layout can hold and stall the window for minutes).
inline constexpr qint64 kMaxPracticeFileBytes = 1024LL * 1024;
inline constexpr int kMaxPracticeLines = 100000;
// A paragraph with more looks than this is shown plain.
inline constexpr std::size_t kMaxLooksPerParagraph = 1000;

// Reads the whole file. Throws AppError naming the file when it is missing,
// not a regular file, cannot be read, is too large or has too many lines;
// nothing is changed then.
RichText LoadPracticeText(const QString& path);

}  // namespace shurencho
