#pragma once
// The word courses: the alphabet and kana word files (one word per line,
// courses 2 and 4) and the conversion file (one item line per line, course 5).

#include <QString>

#include "data/course_item.h"

namespace shurencho {

// Flag fields of a word item: hint allowed (kana words only), finished by
// typing alone.
inline constexpr const char* kAlphabetWordFlags = kTypedAloneFlags;
inline constexpr const char* kKanaWordFlags = kTypedAloneWithHintFlags;

// One item per word: "W","W",<flags>"W (the last field is left open and
// runs to the end of the line, so a word may hold spaces and commas).
// Empty and blank-only lines are skipped. Throws DataFileError naming
// fileName and the line when a word holds a double quote, which would cut
// the word. The files themselves are read by ReadTextFile (text/text_file.h).
CourseItemList LoadWordListFromText(const QString& text, const QString& fileName, const QString& flags);

// Item lines taken as written. Lines starting with "/" are comments, blank
// lines are skipped, and the file's last line is never taken. Throws
// DataFileError naming fileName and the line when an item line lacks its
// question, its reading, one of its four flags, or (for an item to be
// converted) its first candidate.
CourseItemList LoadConversionListFromText(const QString& text, const QString& fileName);

}  // namespace shurencho
