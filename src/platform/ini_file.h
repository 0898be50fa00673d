#pragma once
// The settings file in the classic profile ("INI") format, CP932. Section and
// key names match without regard to case; values are read trimmed and without
// one pair of enclosing quotes, at most 2047 bytes; writing replaces a key's
// value in its own line (keeping the file's spelling of the name and the
// line's end) or appends it to its section (and the section to the file);
// every other byte stays as it was.
// A save touches the disk only when a value changed, and then as a whole new
// file (temp file, flush, rename), so a failure or a crash never leaves a
// half-written file; only where the folder refuses a new file is the file
// rewritten in place. A file this user may not write is never replaced, and a
// file that exists but cannot be read is never written at all.

#include <QByteArray>
#include <QList>
#include <QString>

namespace shurencho {

class IniFile final {
 public:
  // Reads the file at path. Only a regular file is opened, and never in a way
  // that can block: a FIFO, a device or a folder counts as unreadable.
  explicit IniFile(QString path);
  // Takes the file's contents as given (for tests and fuzzing); writes go to path.
  IniFile(QString path, const QByteArray& contents);

  const QString& path() const { return m_path; }
  // The file exists but could not be read (no right to, or not a regular file).
  bool ReadFailed() const { return m_readFailed; }

  // The value of section/key, or def when the file has no such key (a bare
  // key line without "=" reads as missing).
  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  // Integer in decimal, or hexadecimal with "0x" or "$"; def when missing or not a number.
  qint64 ReadInteger(const QString& section, const QString& key, qint64 def) const;

  // Changes the value in memory only; Commit() writes it out. A value that
  // reads back as the one the file holds leaves the line as it is.
  void SetString(const QString& section, const QString& key, const QString& value);
  // Writes the file when something changed; when nothing did, only checks
  // that the file may be written, as a write of the same value would.
  // Returns false (file untouched) on failure.
  bool Commit();
  // SetString + Commit, as the profile functions write one key at a time.
  bool WriteString(const QString& section, const QString& key, const QString& value);

  // The file's bytes as they would be saved now.
  QByteArray Contents() const;

  // Longest value, in CP932 bytes, that a read returns.
  static constexpr int kMaxValueBytes = 2047;

 private:
  void Parse(QByteArray data);

  struct Line {
    QByteArray raw;  // as written, without its line end
    QByteArray eol;  // "\r\n", "\n", or empty for a last line without one
    QString text;    // decoded
  };
  // Index of the section header line, or -1.
  int FindSection(const QString& section) const;
  // Index of the key line (bare or with a value) within the section starting at header, or -1.
  int FindKey(int header, const QString& key) const;
  // One past the last line that belongs to the section starting at header.
  int SectionEnd(int header) const;
  // Puts a new line before index at, giving the line before it a line end if it had none.
  void InsertLine(int at, const QString& text);
  QByteArray Encode(const QString& text) const;

  QString m_path;
  QList<Line> m_lines;
  QByteArray m_eol = "\r\n";  // line end for new lines: the file's own style
  bool m_bom = false;         // written as UTF-8 with its byte-order mark
  bool m_exists = false;      // there is a file on disk (or contents were given)
  bool m_changed = false;     // Contents() differ from the file on disk
  bool m_readFailed = false;
};

// Parses an integer the way settings values are read: decimal, "0x…" or "$…" hex.
bool ParseIniInteger(const QString& text, qint64* value);

}  // namespace shurencho
