#pragma once
// Full-width and half-width forms of a text, as the conversion exercise
// offers them: letters, digits, the common symbols and kana.

#include <QString>

namespace shurencho {

// Full-width letters, digits and symbols to ASCII; hiragana and katakana to
// half-width katakana (a voiced kana as its base followed by ﾞ, a semi-voiced
// one followed by ﾟ). Half-width characters, kanji and anything else stay.
QString ToHalfWidth(const QString& text);

// ASCII letters, digits and symbols to full width; half-width katakana to
// full-width katakana, joining a following ﾞ or ﾟ into the voiced or
// semi-voiced kana where one exists, else writing the full-width mark.
// Full-width characters and anything else stay.
QString ToFullWidth(const QString& text);

}  // namespace shurencho
