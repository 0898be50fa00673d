#pragma once
// Plain practice texts: the encoding of a file, and the one form of text the
// typing page compares (CR LF line breaks, only characters the typing box
// can hold).

#include <QByteArray>
#include <QString>

namespace shurencho {

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(const QByteArray& bytes);

// Decodes a plain text file: UTF-8 or UTF-16 when it starts with a byte-order
// mark, UTF-8 when it is valid UTF-8, else CP932. The mark is dropped, and a
// Ctrl-Z ends the text.
QString DecodePlainText(const QByteArray& file);

// The text as the page compares it: CR LF, a lone CR, a lone LF and the
// Unicode line and paragraph separators each become CR LF; a no-break space
// becomes a space (the typing box turns one typed into a space, so it could
// never match otherwise); the two characters a text pane takes for frame
// marks become U+FFFD.
QString NormalizePracticeText(const QString& text);

}  // namespace shurencho
