#include "platform/ini_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>

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

QString ResolveLink(const QString& path) {
  const QFileInfo info(path);
  if (info.isSymLink()) {
    const QString target = info.canonicalFilePath();
    if (!target.isEmpty()) return target;
  }
  return path;
}

bool WriteAll(int fd, const QByteArray& data) {
  const char* p = data.constData();
  qsizetype left = data.size();
  off_t at = 0;
  while (left > 0) {
    const ssize_t n = ::pwrite(fd, p, static_cast<size_t>(left), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
    at += n;
  }
  return true;
}

// Temporary names carry the saving process's id: "<file>.save-<pid>-<random>".
const QLatin1String kTempMark(".save-");

QByteArray TempName(const QByteArray& file) {
  const quint64 random = QRandomGenerator::system()->generate64() & 0xFFFFFFFFFFFFull;
  return file + kTempMark.data() + QByteArray::number(::getpid()) + '-' + QByteArray::number(random, 36);
}

// Removes the temporary files of saves killed between naming their file and
// renaming it: those whose process is gone.
void SweepDeadTemps(const QByteArray& file) {
  static const QRegularExpression kTemp(QStringLiteral("^(\\d{1,9})-[0-9a-z]{1,10}$"));
  const QFileInfo info(QFile::decodeName(file));
  const QString prefix = info.fileName() + kTempMark;
  const QDir dir = info.dir();
  for (const QString& name : dir.entryList(QDir::Files | QDir::System | QDir::Hidden)) {
    if (!name.startsWith(prefix)) continue;
    const QRegularExpressionMatch m = kTemp.match(QStringView(name).mid(prefix.size()));
    if (!m.hasMatch()) continue;
    if (::kill(static_cast<pid_t>(m.captured(1).toInt()), 0) == 0 || errno != ESRCH) continue;
    ::unlink(QFile::encodeName(dir.filePath(name)).constData());
  }
}

// Opens a new file beside `file` that no one else can have opened. A nameless
// one (O_TMPFILE) first: a kill before it is complete leaves nothing behind.
// Otherwise a named one made with O_EXCL, which never follows a link; while it
// replaces a file its mode is the strictest until it takes the old one's.
int CreateTemp(const QByteArray& file, const QByteArray& dir, bool nameless, bool replacing,
               QByteArray* name) {
  const mode_t mode = replacing ? 0600 : 0644;
  if (nameless) return ::open(dir.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  for (int attempt = 0; attempt < 16; ++attempt) {
    *name = TempName(file);
    const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Gives a complete nameless file a fresh name beside `file`; linkat never
// replaces or follows what is already there.
bool NameTemp(int fd, const QByteArray& file, QByteArray* name) {
  const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
  for (int attempt = 0; attempt < 16; ++attempt) {
    *name = TempName(file);
    const int linked = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name->constData(), AT_SYMLINK_FOLLOW);
    if (linked == 0) return true;
    if (errno != EEXIST) break;
  }
  name->clear();
  return false;
}

enum class Replace { Done, Failed, Refused };

// The whole-file replace. Refused: the folder takes no new file, or the new
// file could not keep the old one's owner; the caller then writes in place.
Replace ReplaceThroughTemp(const QByteArray& file, const QByteArray& dir, const QByteArray& data,
                           const struct stat* old) {
  SweepDeadTemps(file);
  for (const bool nameless : {true, false}) {
    QByteArray name;
    const int fd = CreateTemp(file, dir, nameless, old != nullptr, &name);
    if (fd < 0) {
      // No nameless files on this file system (or kernel): make a named one.
      if (nameless && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) continue;
      return (errno == EACCES || errno == EPERM) ? Replace::Refused : Replace::Failed;
    }
    const auto discard = [&](Replace result) {
      ::close(fd);
      if (!name.isEmpty()) ::unlink(name.constData());
      return result;
    };
    if (old) {
      // The new file takes the old one's owner and mode, so that a shared
      // file stays shared.
      struct stat mine {};
      if (::fstat(fd, &mine) != 0) return discard(Replace::Failed);
      if ((mine.st_uid != old->st_uid || mine.st_gid != old->st_gid) &&
          ::fchown(fd, old->st_uid, old->st_gid) != 0) {
        return discard(Replace::Refused);
      }
      if (::fchmod(fd, old->st_mode & 07777) != 0) return discard(Replace::Failed);
    }
    if (!WriteAll(fd, data) || ::fsync(fd) != 0) return discard(Replace::Failed);
    if (nameless && !NameTemp(fd, file, &name)) {
      ::close(fd);
      continue;  // without /proc a nameless file cannot be named: a named one then
    }
    if (::close(fd) != 0 || ::rename(name.constData(), file.constData()) != 0) {
      ::unlink(name.constData());
      return Replace::Failed;
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
      ::fsync(dfd);
      ::close(dfd);
    }
    return Replace::Done;
  }
  return Replace::Failed;
}

// Not atomic: a crash in the middle can leave the file cut short. Room for a
// longer text is taken first, so a full disk fails before a byte changes.
bool RewriteInPlace(int fd, const QByteArray& data, off_t oldSize) {
  const off_t size = data.size();
  if (size > oldSize && ::posix_fallocate(fd, oldSize, size - oldSize) != 0) return false;
  return WriteAll(fd, data) && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
}

// Opens an existing regular file for reading and writing without blocking;
// -1 with errno ENOENT when there is none, -1 with another errno when it may
// not be written or is not a regular file.
int OpenForRewrite(const QByteArray& file, struct stat* st) {
  if (::stat(file.constData(), st) != 0) return -1;
  if (!S_ISREG(st->st_mode)) {
    errno = EINVAL;
    return -1;
  }
  const int fd = ::open(file.constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

}  // namespace

bool MayRewriteFile(const QString& path) {
  struct stat st {};
  const int fd = OpenForRewrite(QFile::encodeName(ResolveLink(path)), &st);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool SaveFileContents(const QString& path, const QByteArray& data) {
  if (path.isEmpty()) return false;
  const QString target = ResolveLink(path);
  const QByteArray file = QFile::encodeName(target);
  const QByteArray dir = QFile::encodeName(QFileInfo(target).absolutePath());
  struct stat old {};
  // The file itself must be ours to write: a read-only file is never replaced.
  const int fd = OpenForRewrite(file, &old);
  if (fd < 0 && errno != ENOENT) return false;
  const Replace result = ReplaceThroughTemp(file, dir, data, fd >= 0 ? &old : nullptr);
  bool ok = result == Replace::Done;
  if (result == Replace::Refused && fd >= 0) ok = RewriteInPlace(fd, data, old.st_size);
  if (fd >= 0) ::close(fd);
  return ok;
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
