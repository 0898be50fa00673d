#pragma once
// Our own small reader of rich-text (RTF) files: the text with its paragraphs
// and the simple character looks (bold, italic, underline, colour). Tables of
// fonts, colours and styles, document information, pictures, objects, field
// instructions, headers and footers hold no practice text and are skipped.

#include <QByteArray>

#include "typing/rich_text.h"

namespace shurencho {

// True when the bytes start as a rich-text file does ("{\rtf").
bool LooksLikeRtf(const QByteArray& bytes);

// Reads a rich-text document. Never throws: what it cannot make sense of is
// left out. Paragraph and line breaks become CR LF; the mark that ends the
// last paragraph is dropped, as a text pane shows none after it. Bytes given
// as \'hh are read in the code page of their font's character set, else in
// the document's (CP932 when the document names none).
RichText ReadRtf(const QByteArray& rtf);

}  // namespace shurencho
