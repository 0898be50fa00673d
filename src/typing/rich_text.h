#pragma once
// A practice text as it is shown: the characters, and the spans that a
// rich-text file gave their own look.

#include <QColor>
#include <QString>
#include <vector>

namespace shurencho {

// A span of the text with its own look. Text outside every span is plain.
struct TextRun {
  int start = 0;  // in UTF-16 units of the text
  int length = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  QColor colour;  // invalid: the window text colour

  bool SameLook(const TextRun& o) const {
    return bold == o.bold && italic == o.italic && underline == o.underline && colour == o.colour;
  }
  bool IsPlain() const { return !bold && !italic && !underline && !colour.isValid(); }
};

struct RichText {
  QString text;               // every line break is CR LF
  std::vector<TextRun> runs;  // in text order, never overlapping
};

}  // namespace shurencho
