// Saves the settings file over and over, each save with one round number in
// every record, so a test can kill it mid-write and check that the file is
// always one whole save: never cut short, never two saves mixed. BASE is added
// to the round numbers, so that two writers at once can be told apart.
//
// With --session it runs like one start and close of the program instead:
// start-up read (each warning printed as "warning: …"), SPEED recorded for
// course 1, SECONDS of practice, then the save at close ("save failed" and
// exit 1 when it fails).
#include <QCoreApplication>
#include <QThread>
#include <cstdio>

#include "settings/settings.h"
#include "settings/settings_session.h"

using namespace shurencho;

namespace {

int RunSession(const QString& path, int speed, int seconds) {
  AppSettings s;
  SettingsSession session(path);
  for (QString warning : session.Load(s)) {
    std::printf("warning: %s\n",
                warning.replace(QStringLiteral("\r\n"), QStringLiteral(" / ")).toUtf8().constData());
  }
  std::printf("started\n");
  std::fflush(stdout);
  s.SetRecordedSpeed(1, speed);
  QThread::sleep(static_cast<unsigned long>(seconds));
  try {
    session.Save(s);
  } catch (const SettingsError&) {
    std::printf("save failed\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc >= 4 && QByteArray(argv[1]) == "--session") {
    return RunSession(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), argc > 4 ? std::atoi(argv[4]) : 0);
  }
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: settings_writer FILE [ROUNDS [BASE]]\n"
                 "       settings_writer --session FILE SPEED [SECONDS]\n");
    return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  const long rounds = argc > 2 ? std::atol(argv[2]) : -1;
  const long base = argc > 3 ? std::atol(argv[3]) : 0;
  AppSettings s;
  LoadSettings(s, false, path);
  for (long n = 1; rounds < 0 || n <= rounds; ++n) {
    const int value = static_cast<int>(base + n % 100000);
    for (int k = 1; k <= 6; ++k) s.SetRecordedSpeed(k, value);
    s.M1CourseNo = value;
    // Long texts make each save big enough to be caught half way.
    s.CourseName06 = QString(QStringLiteral("実践")).repeated(200) + QString::number(value);
    try {
      SaveSettings(s, path);
    } catch (const SettingsError&) {
      std::fprintf(stderr, "save failed\n");
      return 1;
    }
  }
  return 0;
}
