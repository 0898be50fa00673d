#include "text/file_save.h"

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
#include <cstring>

namespace shurencho {

bool WriteAt(int fd, const QByteArray& data, qint64 offset) {
  const char* p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = ::pwrite(fd, p, static_cast<size_t>(left), static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
    offset += n;
  }
  return true;
}

namespace {

QString ResolveLink(const QString& path) {
  const QFileInfo info(path);
  if (info.isSymLink()) {
    const QString target = info.canonicalFilePath();
    if (!target.isEmpty()) return target;
  }
  return path;
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
    if (!WriteAt(fd, data, 0) || ::fsync(fd) != 0) return discard(Replace::Failed);
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
  return WriteAt(fd, data, 0) && ::ftruncate(fd, size) == 0 && ::fsync(fd) == 0;
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

bool SaveFileContents(const QString& path, const QByteArray& data, QString* reason) {
  const auto failed = [reason] {
    if (reason != nullptr) *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  };
  if (path.isEmpty()) return false;
  const QString target = ResolveLink(path);
  const QByteArray file = QFile::encodeName(target);
  const QByteArray dir = QFile::encodeName(QFileInfo(target).absolutePath());
  struct stat old {};
  // The file itself must be ours to write: a read-only file is never replaced.
  const int fd = OpenForRewrite(file, &old);
  if (fd < 0 && errno != ENOENT) return failed();
  const Replace result = ReplaceThroughTemp(file, dir, data, fd >= 0 ? &old : nullptr);
  bool ok = result == Replace::Done;
  if (result == Replace::Refused && fd >= 0) ok = RewriteInPlace(fd, data, old.st_size);
  const int kept = errno;
  if (fd >= 0) ::close(fd);
  errno = kept;
  return ok || failed();
}

bool NotALink(const QString& path, QString* error) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
  if (error != nullptr) {
    *error = QStringLiteral(
                 "%1 はシンボリックリンクなので書き出しません（リンクの先には書きません）。"
                 "別の名前を指定してください")
                 .arg(path);
  }
  return false;
}

bool SaveWhole(const QString& path, const QByteArray& data, QString* error) {
  // Checked here, the rename that ends the save replaces the name itself,
  // never a link's target.
  if (!NotALink(path, error)) return false;
  QString reason;
  if (SaveFileContents(path, data, &reason)) return true;
  if (error != nullptr) *error = QStringLiteral("%1 に書き込めません（%2）").arg(path, reason);
  return false;
}

}  // namespace shurencho
