#include "adapters/postgres_class_command.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <cstdio>

#include "adapters/postgres_history_store.h"
#include "report/records_csv.h"
#include "report/report_command.h"
#include "report/report_html.h"
#include "settings/settings.h"

namespace shurencho {

void LoadTeacherSettings(ZINIconf& settings, const QString& programPath) {
  try {
    LoadSettings(settings, true, SettingsFilePath(programPath), MissingKeys::Leave);
  } catch (const SettingsError&) {
    // An unreadable file: the defaults and the system-wide server still hold.
    LoadSettings(settings, false, QString());
  }
}

QString ClassServerText(const ZINIconf& settings, int argc, char** argv, int at) {
  return argc > at ? QString::fromLocal8Bit(argv[at]) : settings.HistoryServer;
}

bool WriteServerClassReport(const QString& out, const QString& serverText, const ZINIconf& settings,
                            QString* error) {
  if (serverText.trimmed().isEmpty()) {
    *error = QStringLiteral("クラスのサーバーが設定されていません（[History] Server）。");
    return false;
  }
  ClassOnServer cls;
  if (!ReadClassFromServer(serverText, &cls, error)) return false;
  ServerAddress address;
  ParseServerText(serverText, &address, nullptr);
  const QString source = QStringLiteral("%1@%2").arg(address.database, address.host);
  return SaveWhole(out, ClassTableHtml(cls.rows, {source}, QDateTime::currentMSecsSinceEpoch(), &settings),
                   error);
}

int RunClassReportCommand(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs("使い方: shurencho --class-report 出力.html [postgresql://…]\n", stderr);
    return 2;
  }
  if (const int refused = RefuseReportOutput(QFile::decodeName(argv[2]))) return refused;
  ZINIconf settings;
  LoadTeacherSettings(settings, QCoreApplication::applicationFilePath());
  QString error;
  if (!WriteServerClassReport(QFile::decodeName(argv[2]), ClassServerText(settings, argc, argv, 3), settings,
                              &error)) {
    std::fprintf(stderr, "shurencho: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace shurencho
