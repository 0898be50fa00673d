// Saves the settings file over and over, each save with one round number in
// every record, so a test can kill it mid-write and check that the file is
// always one whole save: never cut short, never two saves mixed.
#include <QCoreApplication>
#include <cstdio>

#include "settings/settings.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: settings_writer FILE [ROUNDS]\n");
    return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[1]);
  const long rounds = argc > 2 ? std::atol(argv[2]) : -1;
  AppSettings s;
  LoadSettings(s, false, path);
  for (long n = 1; rounds < 0 || n <= rounds; ++n) {
    for (int k = 1; k <= 6; ++k) s.SetRecordedSpeed(k, static_cast<int>(n % 100000));
    s.M1CourseNo = static_cast<int>(n % 100000);
    // Long texts make each save big enough to be caught half way.
    s.CourseName06 = QString(QStringLiteral("実践")).repeated(200) + QString::number(n);
    try {
      SaveSettings(s, path);
    } catch (const SettingsError&) {
      std::fprintf(stderr, "save failed\n");
      return 1;
    }
  }
  return 0;
}
