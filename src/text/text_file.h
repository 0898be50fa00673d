#pragma once
// Shift-JIS (Windows code page 932) text at the file boundary. In memory all
// text is QString; one character is one code point, as one Shift-JIS
// character (single or double byte) was one character on disk.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace shurencho {

// Decodes CP932 the Windows way (0x5C is a backslash, 0x8160 is ～).
QString DecodeCp932(const QByteArray& bytes);
// Encodes to CP932; *ok is false when a character has no CP932 form
// (it is then written as '?').
QByteArray EncodeCp932(const QString& text, bool* ok = nullptr);
// True when every character of text has a CP932 form.
bool IsCp932Encodable(const QString& text);

// Splits a text into lines: a CR ends a line, an LF right after it belongs to
// that line end, a lone LF ends nothing, and a Ctrl-Z ends the text. Text after
// the last line end makes one more line only when it is not empty.
QStringList SplitTextLines(const QString& text);

// Why a file could not be read whole.
enum class FileFault { None, Missing, NotRegular, TooLarge, ReadFailed };

// Reads a whole regular file of at most maxBytes into *bytes; false, with
// *fault saying why and *bytes empty, when it cannot. Only a regular file is
// read: the open does not block, so a FIFO, a device or a folder is refused
// at once instead of hanging or reading without end; a read that fails is a
// fault, never a short file.
bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, FileFault* fault);
// The first headBytes of a regular file (all of a shorter one), by the same rules.
bool ReadRegularFileHead(const QString& path, qsizetype headBytes, QByteArray* head, FileFault* fault);
// The words shown to the user for a fault ("ファイルが見つかりません", ...).
QString FileFaultText(FileFault fault);
// The same words naming the file: "ファイルが見つかりません: path".
QString FileFaultText(FileFault fault, const QString& path);

// Opens a regular file for reading without blocking on a FIFO or a device;
// the descriptor (blocking again) or -1 with *fault set.
int OpenRegularFile(const QString& path, FileFault* fault);

// Data files are a few kilobytes; anything far larger is not one of them.
inline constexpr qint64 kMaxDataFileBytes = 8LL * 1024 * 1024;

// Reads a whole data file as CP932 text. Throws DataFileError naming the
// file when it is missing, not a regular file, larger than kMaxDataFileBytes
// or cannot be read.
QString ReadTextFile(const QString& path);
// The same, split by SplitTextLines.
QStringList ReadTextFileLines(const QString& path);

// Bytes that c takes in CP932: 1 for ASCII and half-width katakana, else 2.
int Cp932Width(QChar c);

// Number of characters (code points) in text.
int CharCount(const QString& text);
// The first n characters of text (never splits a surrogate pair).
QString LeftChars(const QString& text, int n);
// n characters of text starting at the 0-based character index from.
QString MidChars(const QString& text, int from, int n);

}  // namespace shurencho
