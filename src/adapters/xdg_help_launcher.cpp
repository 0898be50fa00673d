#include "adapters/xdg_help_launcher.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <cerrno>
#include <thread>
#include <vector>

extern char** environ;

namespace shurencho {

QString XdgHelpLauncher::FindOpener(const QString&) {
  return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

int XdgHelpLauncher::Start(const QString& program, const QStringList& args) {
  std::vector<QByteArray> storage;
  storage.reserve(static_cast<size_t>(args.size()) + 1);
  storage.push_back(QFile::encodeName(program));
  for (const QString& a : args) storage.push_back(QFile::encodeName(a));
  std::vector<char*> argv;
  for (QByteArray& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own process group: a Ctrl+C meant for us does not reach the browser.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);

  const bool busy = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  if (busy) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  pid_t pid = 0;
  // posix_spawn reports a failed exec (missing file, no execute right) as its result.
  const int error = posix_spawn(&pid, argv[0], nullptr, &attr, argv.data(), environ);
  if (busy) QGuiApplication::restoreOverrideCursor();
  posix_spawnattr_destroy(&attr);
  if (error != 0) return error;

  // Not waited for here; a helper thread reaps it so no zombie is left.
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

}  // namespace shurencho
