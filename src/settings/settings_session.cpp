#include "settings/settings_session.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

namespace shurencho {

namespace {

// Opens a regular file for locking: never through a link, never blocking.
int OpenLockable(const QByteArray& name, int flags) {
  const int fd = ::open(name.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

SettingsSession::SettingsSession(QString path) : m_path(std::move(path)) {}

SettingsSession::~SettingsSession() {
  if (m_lockFd >= 0) ::close(m_lockFd);
}

bool SettingsSession::Lock() {
  // The lock file stays beside the settings file for good: removing it would
  // let a copy starting at that moment lock a file no one else sees.
  const QByteArray lockName = QFile::encodeName(m_path) + ".lock";
  int fd = OpenLockable(lockName, O_RDWR | O_CREAT);
  if (fd < 0) fd = OpenLockable(lockName, O_RDONLY);
  // A folder that takes no new file has its settings file rewritten in place,
  // so the file itself can carry the lock.
  if (fd < 0) fd = OpenLockable(QFile::encodeName(m_path), O_RDONLY);
  // Nothing to lock: go on as the only copy.
  if (fd < 0) return true;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return !held;
  }
  m_lockFd = fd;
  return true;
}

QStringList SettingsSession::Load(AppSettings& s) {
  QStringList warnings;
  const bool first = Lock();
  if (!first) {
    m_saving = Saving::OtherCopy;
    warnings << QString::fromUtf8(kOtherCopyWarning);
  }
  try {
    LoadSettings(s, true, m_path, first ? MissingKeys::Write : MissingKeys::Leave);
  } catch (const SettingsReadError&) {
    if (m_saving == Saving::Yes) m_saving = Saving::Refused;
    warnings << QString::fromUtf8(kLoadFailedWarning) + QStringLiteral("\r\n") + m_path;
  } catch (const SettingsError&) {
    warnings << QString::fromUtf8(kLoadFailedWarning);
  }
  return warnings;
}

void SettingsSession::Save(const AppSettings& s) {
  switch (m_saving) {
    case Saving::Yes:
      SaveSettings(s, m_path);
      break;
    case Saving::Refused:
      throw SettingsError(m_path);
    case Saving::OtherCopy:
      break;
  }
}

}  // namespace shurencho
