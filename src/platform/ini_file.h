#pragma once
// The settings file in the classic profile ("INI") format, CP932 with CR LF.
// Section and key names match without regard to case; values are read
// trimmed and without one pair of enclosing quotes, at most 2047 bytes;
// writing replaces a key in place or appends it to its section (and the
// section to the file); lines we do not know are kept byte for byte.
// Every change reaches the disk as a whole new file (temp file, flush,
// rename), so a failure or a crash never leaves a half-written file.

#include <QByteArray>
#include <QList>
#include <QString>

class IniFile final {
 public:
  // Reads the file at path; a missing or unreadable file reads as empty.
  explicit IniFile(QString path);
  // Takes the file's contents as given (for tests and fuzzing); writes go to path.
  IniFile(QString path, const QByteArray& contents);

  const QString& path() const { return m_path; }

  // The value of section/key, or def when the file has no such key.
  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  // Integer in decimal, or hexadecimal with "0x" or "$"; def when missing or not a number.
  qint64 ReadInteger(const QString& section, const QString& key, qint64 def) const;

  // Changes the value in memory only; Commit() writes it out.
  void SetString(const QString& section, const QString& key, const QString& value);
  // Writes the whole file atomically. Returns false (file untouched) on failure.
  bool Commit();
  // SetString + Commit, as the profile functions write one key at a time.
  bool WriteString(const QString& section, const QString& key, const QString& value);

  // Longest value, in CP932 bytes, that a read returns.
  static constexpr int kMaxValueBytes = 2047;

 private:
  void Parse(QByteArray data);

  struct Line {
    QByteArray raw;  // as on disk, without its line end
    QString text;    // decoded
  };
  // Index of the section header line, or -1.
  int FindSection(const QString& section) const;
  // Index of the key line within the section starting at header, or -1.
  int FindKey(int header, const QString& key) const;
  // One past the last line that belongs to the section starting at header.
  int SectionEnd(int header) const;

  QString m_path;
  QList<Line> m_lines;
};

// Replaces the file at path with data: a temporary file beside it, flushed to
// disk, then renamed over it. False (and the old file untouched) on failure.
bool WriteFileAtomically(const QString& path, const QByteArray& data);

// Parses an integer the way settings values are read: decimal, "0x…" or "$…" hex.
bool ParseIniInteger(const QString& text, qint64* value);
