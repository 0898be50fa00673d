#include "platform/ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/text_file.h"

namespace {

bool SectionNameOf(const QString& text, QString* name) {
  const QString t = text.trimmed();
  if (!t.startsWith(QLatin1Char('['))) return false;
  const qsizetype close = t.indexOf(QLatin1Char(']'));
  *name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
  return true;
}

bool KeyOf(const QString& text, QString* key, QString* value) {
  const qsizetype eq = text.indexOf(QLatin1Char('='));
  if (eq < 0) return false;
  *key = text.left(eq).trimmed();
  if (value) *value = text.mid(eq + 1).trimmed();
  return !key->isEmpty();
}

QString Unquote(const QString& v) {
  if (v.size() >= 2) {
    const QChar q = v.front();
    if ((q == QLatin1Char('"') || q == QLatin1Char('\'')) && v.back() == q) return v.mid(1, v.size() - 2);
  }
  return v;
}

// Cuts value to at most kMaxValueBytes CP932 bytes without splitting a character.
QString Clip(const QString& value) {
  if (value.size() * 2 <= IniFile::kMaxValueBytes) return value;
  int bytes = 0;
  qsizetype i = 0;
  for (; i < value.size(); ++i) {
    const int w = Cp932Width(value.at(i));
    if (bytes + w > IniFile::kMaxValueBytes) break;
    bytes += w;
  }
  return value.left(i);
}

}  // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& data) {
  // One fixed temporary name beside the file: a crash leaves at most that one
  // file behind, and the next save reuses it.
  const QByteArray target = QFile::encodeName(path);
  const QByteArray temp = target + ".tmp";
  struct stat old {};
  const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return false;
  const char* p = data.constData();
  qsizetype left = data.size();
  bool ok = true;
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else {
      p += n;
      left -= n;
    }
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.constData(), target.constData()) == 0;
  if (!ok) {
    ::unlink(temp.constData());
    return false;
  }
  // Make the rename itself durable.
  const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
  const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool ParseIniInteger(const QString& text, qint64* value) {
  QString t = text.trimmed();
  bool neg = false;
  if (t.startsWith(QLatin1Char('-'))) {
    neg = true;
    t = t.mid(1);
  } else if (t.startsWith(QLatin1Char('+'))) {
    t = t.mid(1);
  }
  bool ok = false;
  qint64 v = 0;
  if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    v = t.mid(2).toLongLong(&ok, 16);
  } else if (t.startsWith(QLatin1Char('$'))) {
    v = t.mid(1).toLongLong(&ok, 16);
  } else if (!t.isEmpty() && t.at(0).isDigit()) {
    v = t.toLongLong(&ok, 10);
  }
  if (!ok) return false;
  *value = neg ? -v : v;
  return true;
}

IniFile::IniFile(QString path) : m_path(std::move(path)) {
  QFile file(m_path);
  if (QFileInfo(m_path).isDir() || !file.open(QIODevice::ReadOnly)) return;
  Parse(file.readAll());
}

IniFile::IniFile(QString path, const QByteArray& contents) : m_path(std::move(path)) { Parse(contents); }

void IniFile::Parse(QByteArray data) {
  // A file saved by an editor as UTF-8 with a byte-order mark: take it as UTF-8;
  // it is written back in CP932 like any other.
  const bool utf8 = data.startsWith("\xEF\xBB\xBF");
  if (utf8) data.remove(0, 3);
  const QList<QByteArray> raws = data.split('\n');
  for (qsizetype i = 0; i < raws.size(); ++i) {
    QByteArray raw = raws[i];
    if (raw.endsWith('\r')) raw.chop(1);
    if (i == raws.size() - 1 && raw.isEmpty()) break;  // the text ended with a line end
    m_lines.append({raw, utf8 ? QString::fromUtf8(raw) : DecodeCp932(raw)});
  }
}

int IniFile::FindSection(const QString& section) const {
  for (int i = 0; i < m_lines.size(); ++i) {
    QString name;
    if (SectionNameOf(m_lines[i].text, &name) && name.compare(section, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

int IniFile::SectionEnd(int header) const {
  int i = header + 1;
  QString name;
  while (i < m_lines.size() && !SectionNameOf(m_lines[i].text, &name)) ++i;
  return i;
}

int IniFile::FindKey(int header, const QString& key) const {
  const int end = SectionEnd(header);
  for (int i = header + 1; i < end; ++i) {
    QString k;
    if (KeyOf(m_lines[i].text, &k, nullptr) && k.compare(key, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
  const int header = FindSection(section);
  if (header < 0) return def;
  const int line = FindKey(header, key);
  if (line < 0) return def;
  QString k, v;
  KeyOf(m_lines[line].text, &k, &v);
  return Clip(Unquote(v));
}

qint64 IniFile::ReadInteger(const QString& section, const QString& key, qint64 def) const {
  const QString text = ReadString(section, key, QString());
  qint64 value = 0;
  return ParseIniInteger(text, &value) ? value : def;
}

void IniFile::SetString(const QString& section, const QString& key, const QString& value) {
  const QString text = key + QLatin1Char('=') + value;
  const Line line{EncodeCp932(text), text};
  int header = FindSection(section);
  if (header < 0) {
    const QString head = QLatin1Char('[') + section + QLatin1Char(']');
    m_lines.append({EncodeCp932(head), head});
    m_lines.append(line);
    return;
  }
  const int at = FindKey(header, key);
  if (at >= 0) {
    m_lines[at] = line;
    return;
  }
  // Append after the section's last non-blank line, before any blank lines
  // that separate it from the next section.
  int end = SectionEnd(header);
  while (end > header + 1 && m_lines[end - 1].text.trimmed().isEmpty()) --end;
  m_lines.insert(end, line);
}

bool IniFile::Commit() {
  QByteArray out;
  for (const Line& line : m_lines) {
    out += line.raw;
    out += "\r\n";
  }
  return WriteFileAtomically(m_path, out);
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  SetString(section, key, value);
  return Commit();
}
