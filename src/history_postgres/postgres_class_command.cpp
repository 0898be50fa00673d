#include "history_postgres/postgres_class_command.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

#include "history_postgres/postgres_history_store.h"
#include "report/records_csv.h"
#include "report/report_command.h"
#include "report/report_html.h"
#include "settings/settings.h"
#include "text/file_save.h"

namespace shurencho {

namespace {

// The read gives up by itself a little sooner once connected.
constexpr auto kReportWait = std::chrono::seconds(13);

}  // namespace

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

int WriteServerClassReport(const QString& out, const QString& serverText, const ZINIconf& settings,
                           QString* error) {
  if (serverText.trimmed().isEmpty()) {
    *error = QStringLiteral("クラスのサーバーが設定されていません（[History] Server）。");
    return 1;
  }
  struct Read {
    bool ok = false;
    ClassOnServer cls;
    QString error;
  };
  auto done = std::make_shared<std::promise<Read>>();
  std::future<Read> read = done->get_future();
  std::thread reader([done, serverText] {
    Read r;
    r.ok = ReadClassFromServer(serverText, &r.cls, &r.error);
    done->set_value(std::move(r));
  });
  if (read.wait_for(kReportWait) != std::future_status::ready) {
    // The connection is still being made to a server that took the login
    // and went quiet: the thread is left in that wait, and the process
    // ends without the teardown it would run into.
    reader.detach();
    std::fprintf(stderr, "shurencho: %s\n",
                 QStringLiteral("クラスのサーバーが応答しません（%1 秒待ちました）。")
                     .arg(std::chrono::duration_cast<std::chrono::seconds>(kReportWait).count())
                     .toLocal8Bit()
                     .constData());
    std::fflush(stderr);
    std::_Exit(2);
  }
  reader.join();
  Read r = read.get();
  if (!r.ok) {
    *error = r.error;
    return 2;
  }
  ServerAddress address;
  ParseServerText(serverText, &address, nullptr);
  const QString source = QStringLiteral("%1@%2").arg(address.database, address.host);
  return SaveWhole(out, ClassTableHtml(r.cls.rows, {source}, QDateTime::currentMSecsSinceEpoch(), &settings),
                   error)
             ? 0
             : 1;
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
  const int status = WriteServerClassReport(QFile::decodeName(argv[2]),
                                            ClassServerText(settings, argc, argv, 3), settings, &error);
  if (status != 0) std::fprintf(stderr, "shurencho: %s\n", error.toLocal8Bit().constData());
  return status;
}

}  // namespace shurencho
