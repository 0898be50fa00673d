#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "text/file_save.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

bool SectionNameOf(const QString& text, QString* name) {
  const QString t = text.trimmed();
  if (!t.startsWith(QLatin1Char('['))) return false;
  const qsizetype close = t.indexOf(QLatin1Char(']'));
  *name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
  return true;
}

// A key line: "name=value", or a bare "name" (*bare is then set). False for
// blank lines and section headers.
bool KeyOf(const QString& text, QString* key, QString* value, bool* bare = nullptr) {
  const qsizetype eq = text.indexOf(QLatin1Char('='));
  if (bare) *bare = eq < 0;
  if (eq < 0) {
    QString section;
    *key = text.trimmed();
    return !key->isEmpty() && !SectionNameOf(text, &section);
  }
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
  const QByteArray name = QFile::encodeName(m_path);
  struct stat st {};
  if (::stat(name.constData(), &st) != 0) {
    // Only a file that is not there reads as empty; one we may not look at is not ours to replace.
    m_readFailed = errno != ENOENT && errno != ENOTDIR;
    return;
  }
  m_exists = true;
  m_readFailed = true;
  if (!S_ISREG(st.st_mode)) return;
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return;
  QByteArray data;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  char buffer[65536];
  while (ok) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    data.append(buffer, n);
  }
  ::close(fd);
  if (!ok) return;
  m_readFailed = false;
  Parse(data);
}

IniFile::IniFile(QString path, const QByteArray& contents) : m_path(std::move(path)), m_exists(true) {
  Parse(contents);
}

void IniFile::Parse(QByteArray data) {
  m_bom = data.startsWith("\xEF\xBB\xBF");
  if (m_bom) data.remove(0, 3);
  for (qsizetype at = 0; at < data.size();) {
    const qsizetype nl = data.indexOf('\n', at);
    Line line;
    if (nl < 0) {
      line.raw = data.mid(at);
      at = data.size();
    } else {
      line.raw = data.mid(at, nl - at);
      line.eol = "\n";
      at = nl + 1;
      if (line.raw.endsWith('\r')) {
        line.raw.chop(1);
        line.eol = "\r\n";
      }
    }
    line.text = m_bom ? QString::fromUtf8(line.raw) : DecodeCp932(line.raw);
    m_lines.append(line);
  }
  for (const Line& line : m_lines) {
    if (!line.eol.isEmpty()) {
      m_eol = line.eol;
      break;
    }
  }
  if (!m_bom) return;
  // A file an editor saved as UTF-8 with a byte-order mark is read as UTF-8.
  // Its first save writes every line in CP932, so the file never holds two
  // encodings; only when some line has no CP932 form does it stay UTF-8 whole.
  for (const Line& line : m_lines) {
    if (!IsCp932Encodable(line.text)) return;
  }
  m_bom = false;
  for (Line& line : m_lines) line.raw = EncodeCp932(line.text);
}

QByteArray IniFile::Encode(const QString& text) const { return m_bom ? text.toUtf8() : EncodeCp932(text); }

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
  bool bare = false;
  KeyOf(m_lines[line].text, &k, &v, &bare);
  return bare ? def : Clip(Unquote(v));
}

qint64 IniFile::ReadInteger(const QString& section, const QString& key, qint64 def) const {
  const QString text = ReadString(section, key, QString());
  qint64 value = 0;
  return ParseIniInteger(text, &value) ? value : def;
}

void IniFile::InsertLine(int at, const QString& text) {
  if (at > 0 && m_lines[at - 1].eol.isEmpty()) m_lines[at - 1].eol = m_eol;
  m_lines.insert(at, {Encode(text), m_eol, text});
  m_changed = true;
}

void IniFile::SetString(const QString& section, const QString& key, const QString& value) {
  const int header = FindSection(section);
  if (header < 0) {
    InsertLine(m_lines.size(), QLatin1Char('[') + section + QLatin1Char(']'));
    InsertLine(m_lines.size(), key + QLatin1Char('=') + value);
    return;
  }
  const int at = FindKey(header, key);
  if (at < 0) {
    // Append after the section's last non-blank line, before any blank lines
    // that separate it from the next section.
    int end = SectionEnd(header);
    while (end > header + 1 && m_lines[end - 1].text.trimmed().isEmpty()) --end;
    InsertLine(end, key + QLatin1Char('=') + value);
    return;
  }
  Line& line = m_lines[at];
  QString k, old;
  bool bare = false;
  KeyOf(line.text, &k, &old, &bare);
  if (!bare && Unquote(old) == Unquote(value.trimmed())) return;
  // The line keeps the file's spelling of the name, the blanks around "=" and its end.
  QByteArray head = line.raw;
  const qsizetype eq = head.indexOf('=');
  if (eq >= 0) {
    qsizetype cut = eq + 1;
    while (cut < head.size() && (head[cut] == ' ' || head[cut] == '\t')) ++cut;
    head.truncate(cut);
  } else {
    while (head.endsWith(' ') || head.endsWith('\t')) head.chop(1);
    head += '=';
  }
  line.raw = head + Encode(value);
  line.text = m_bom ? QString::fromUtf8(line.raw) : DecodeCp932(line.raw);
  m_changed = true;
}

QByteArray IniFile::Contents() const {
  QByteArray out = m_bom ? QByteArray("\xEF\xBB\xBF") : QByteArray();
  for (const Line& line : m_lines) out += line.raw + line.eol;
  return out;
}

bool IniFile::Commit() {
  if (m_readFailed) return false;
  // Nothing to change: the file stays byte for byte, but a file we could not
  // write still fails, as writing the same value would.
  if (!m_changed && m_exists) return MayRewriteFile(m_path);
  if (!SaveFileContents(m_path, Contents())) return false;
  m_changed = false;
  m_exists = true;
  return true;
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  SetString(section, key, value);
  return Commit();
}

}  // namespace shurencho
