#pragma once
// Line breaking for Japanese text in a fixed width. Qt breaks Japanese text
// between any two characters, so a line can end leaving one character alone
// on the next, or start with a small kana or a closing mark. This sets the
// breaks itself, the way Japanese typesetting does.

#include <QFontMetrics>
#include <QString>

namespace shurencho {

// The text with a line feed at every break, so that no line is wider than
// width: a line never starts with a small kana, a long-vowel mark or
// closing punctuation, the last line of a paragraph never holds a single
// character, and a run of Latin letters and digits stays whole where it fits.
// Existing line feeds end paragraphs.
QString BreakJapaneseLines(const QString& text, const QFontMetrics& metrics, int width);

}  // namespace shurencho
