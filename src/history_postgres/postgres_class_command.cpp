#include "history_postgres/postgres_class_command.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QTime>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "history_postgres/postgres_history_store.h"
#include "report/class_roster.h"
#include "report/records_csv.h"
#include "report/report_command.h"
#include "report/report_html.h"
#include "settings/settings.h"
#include "text/file_save.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

// The read gives up by itself a little sooner once connected.
constexpr auto kReportWait = std::chrono::seconds(13);

// The command's operands as text, its name and the command itself left out.
QStringList Operands(int argc, char** argv) {
  QStringList operands;
  for (int i = 2; i < argc; ++i) operands << QFile::decodeName(argv[i]);
  return operands;
}

// Takes "--year N" (or "--year=N") out of the operands: N, 0 when absent,
// or -1 when it is not a year.
int TakeYear(QStringList* operands) {
  for (qsizetype i = 0; i < operands->size(); ++i) {
    QString value;
    const QString& arg = operands->at(i);
    if (arg == QLatin1String("--year")) {
      if (i + 1 >= operands->size()) return -1;
      value = operands->takeAt(i + 1);
    } else if (arg.startsWith(QLatin1String("--year="))) {
      value = arg.mid(7);
    } else {
      continue;
    }
    operands->removeAt(i);
    bool ok = false;
    const int year = value.toInt(&ok);
    return ok && year >= 1970 && year <= 9998 ? year : -1;
  }
  return 0;
}

void PrintError(const QString& error) {
  std::fprintf(stderr, "shurencho: %s\n", error.toLocal8Bit().constData());
}

// Runs work on a thread of its own and returns its result. When the server
// does not answer within kReportWait (the connection is still being made to
// a server that took the login and went quiet), the thread is left in that
// wait, and the process ends with status 2 without the teardown it would
// run into.
template <typename Result>
Result Bounded(std::function<Result()> work) {
  auto done = std::make_shared<std::promise<Result>>();
  std::future<Result> result = done->get_future();
  std::thread worker([done, work = std::move(work)] { done->set_value(work()); });
  if (result.wait_for(kReportWait) != std::future_status::ready) {
    worker.detach();
    std::fprintf(stderr, "shurencho: %s\n",
                 QStringLiteral("クラスのサーバーが応答しません（%1 秒待ちました）。")
                     .arg(std::chrono::duration_cast<std::chrono::seconds>(kReportWait).count())
                     .toLocal8Bit()
                     .constData());
    std::fflush(stderr);
    std::_Exit(2);
  }
  worker.join();
  return result.get();
}

QString NoServerText() {
  return QStringLiteral("クラスのサーバーが設定されていません（[History] Server）。");
}

}  // namespace

int SchoolYearOf(const QDate& date) { return date.month() >= 4 ? date.year() : date.year() - 1; }

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
                           QString* error, int archivedYear) {
  if (serverText.trimmed().isEmpty()) {
    *error = NoServerText();
    return 1;
  }
  struct Read {
    bool ok = false;
    ClassOnServer cls;
    QString error;
  };
  Read r = Bounded<Read>([serverText, archivedYear] {
    Read read;
    read.ok = ReadClassFromServer(serverText, &read.cls, &read.error, archivedYear);
    return read;
  });
  if (!r.ok) {
    *error = r.error;
    return 2;
  }
  ServerAddress address;
  ParseServerText(serverText, &address, nullptr);
  QString source = QStringLiteral("%1@%2").arg(address.database, address.host);
  if (archivedYear > 0) source += QStringLiteral("（%1 年度）").arg(archivedYear);
  return SaveWhole(out, ClassTableHtml(r.cls.rows, {source}, QDateTime::currentMSecsSinceEpoch(), &settings),
                   error)
             ? 0
             : 1;
}

int RunClassReportCommand(int argc, char** argv) {
  QStringList operands = Operands(argc, argv);
  const int year = TakeYear(&operands);
  if (year < 0 || operands.isEmpty() || operands.size() > 2) {
    std::fputs("使い方: shurencho --class-report 出力.html [--year 年度] [postgresql://…]\n", stderr);
    return 2;
  }
  if (const int refused = RefuseReportOutput(operands[0])) return refused;
  ZINIconf settings;
  LoadTeacherSettings(settings, QCoreApplication::applicationFilePath());
  QString error;
  const QString server = operands.size() > 1 ? operands[1] : settings.HistoryServer;
  const int status = WriteServerClassReport(operands[0], server, settings, &error, year);
  if (status != 0) PrintError(error);
  return status;
}

int RunClassArchiveCommand(int argc, char** argv) {
  QStringList operands = Operands(argc, argv);
  int year = TakeYear(&operands);
  if (year < 0 || operands.isEmpty() || operands.size() > 2 || operands[0].trimmed().isEmpty() ||
      operands[0].startsWith(QLatin1String("--"))) {
    std::fputs("使い方: shurencho --class-archive クラス [--year 年度] [postgresql://…]\n", stderr);
    return 2;
  }
  if (year == 0) year = SchoolYearOf(QDate::currentDate());
  ZINIconf settings;
  LoadTeacherSettings(settings, QCoreApplication::applicationFilePath());
  const QString server = operands.size() > 1 ? operands[1] : settings.HistoryServer;
  if (server.trimmed().isEmpty()) {
    PrintError(NoServerText());
    return 1;
  }
  const QString cls = operands[0];
  struct Moved {
    bool ok = false;
    ArchivedRows rows;
    QString error;
  };
  const Moved result = Bounded<Moved>([server, cls, year] {
    Moved m;
    m.ok = ArchiveClassOnServer(server, cls, year, &m.rows, &m.error);
    return m;
  });
  if (!result.ok) {
    PrintError(result.error);
    return 2;
  }
  const ArchivedRows& moved = result.rows;
  QString said;
  if (moved.total() == 0) {
    said = QStringLiteral("%1 の %2 年度に移す記録はありません。\n").arg(cls).arg(year);
  } else {
    said = QStringLiteral("%1 の %2 年度の記録を保管庫へ移しました。\n").arg(cls).arg(year);
    const std::pair<const char*, qint64> tables[] = {{"drill_items", moved.drillItems},
                                                     {"typing_runs", moved.typingRuns},
                                                     {"key_misses", moved.keyMisses},
                                                     {"mouse_stages", moved.mouseStages}};
    for (const auto& [table, rows] : tables)
      said += QStringLiteral("  %1 %2\n").arg(QLatin1String(table)).arg(rows);
  }
  std::fputs(said.toLocal8Bit().constData(), stdout);
  return 0;
}

int RunClassRosterCommand(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs("使い方: shurencho --class-roster 5-2.csv [postgresql://…]\n", stderr);
    return 2;
  }
  const QString file = QFile::decodeName(argv[2]);
  const auto fail = [](const QString& message, int status) {
    std::fprintf(stderr, "shurencho: %s\n", message.toLocal8Bit().constData());
    return status;
  };
  const QString classCode = ClassCodeOfRosterFile(file);
  if (classCode.isEmpty()) {
    return fail(QStringLiteral("%1: ファイルの名前を組にしてください（5年2組なら 5-2.csv）。").arg(file), 1);
  }
  // A class of 99 is a few kilobytes; anything far larger is no list.
  constexpr qint64 kMaxRosterBytes = 1024 * 1024;
  QByteArray data;
  FileFault fault = FileFault::None;
  if (!ReadRegularFile(file, kMaxRosterBytes, &data, &fault)) return fail(FileFaultText(fault, file), 1);
  QStringList problems;
  const std::optional<QList<RosterEntry>> entries = ParseClassRoster(data, file, &problems);
  if (!entries) {
    for (const QString& problem : problems) std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
    return fail(QStringLiteral("名簿に読めない行があるので、何も登録しませんでした。"), 1);
  }
  ZINIconf settings;
  LoadTeacherSettings(settings, QCoreApplication::applicationFilePath());
  const QString serverText = ClassServerText(settings, argc, argv, 3);
  if (serverText.trimmed().isEmpty()) return fail(NoServerText(), 1);
  struct Stored {
    bool ok = false;
    QString error;
  };
  const Stored stored = Bounded<Stored>([serverText, classCode, entries] {
    Stored s;
    s.ok = StoreRosterOnServer(serverText, classCode, *entries, &s.error);
    return s;
  });
  if (!stored.ok) return fail(stored.error, 2);
  std::printf("%s\n", QStringLiteral("%1 の名簿を %2 人分登録しました。")
                          .arg(classCode)
                          .arg(entries->size())
                          .toLocal8Bit()
                          .constData());
  return 0;
}

namespace {

// Takes "--until YYYY-MM-DD" out of the operands: the end of that day in
// local time, 0 when absent, -1 when it is no date.
qint64 TakeUntil(QStringList* operands) {
  const qsizetype at = operands->indexOf(QStringLiteral("--until"));
  if (at < 0) return 0;
  if (at + 1 >= operands->size()) return -1;
  const QDate day = QDate::fromString(operands->takeAt(at + 1), Qt::ISODate);
  operands->removeAt(at);
  if (!day.isValid()) return -1;
  return QDateTime(day.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
}

QString AssignmentText(const Assignment& a) {
  QString text = a.isTest() ? QStringLiteral("実力テスト %1").arg(a.passage)
                            : QStringLiteral("コース%1 を %2回").arg(a.course).arg(a.passes);
  if (a.untilMs != 0) {
    text += QStringLiteral("（%1 まで）")
                .arg(QDateTime::fromMSecsSinceEpoch(a.untilMs - 1).date().toString(Qt::ISODate));
  }
  return text;
}

}  // namespace

int RunClassAssignCommand(int argc, char** argv) {
  QStringList operands = Operands(argc, argv);
  const qint64 until = TakeUntil(&operands);
  const auto usage = [] {
    std::fputs(
        "使い方: shurencho --class-assign 組 コース1～5 回数 [--until 2026-12-20] [postgresql://…]\n"
        "        shurencho --class-assign 組 テスト 小3 [--until 2026-12-20] [postgresql://…]\n"
        "        shurencho --class-assign 組 [postgresql://…]\n",
        stderr);
    return 2;
  };
  if (until < 0 || operands.isEmpty() || operands[0].trimmed().isEmpty() ||
      operands[0].startsWith(QLatin1String("--")))
    return usage();
  const QString classCode = operands[0];
  Assignment a;
  qsizetype used = 1;
  static const QRegularExpression course(QStringLiteral("^コース([1-5])$"));
  static const QRegularExpression passage(QStringLiteral("^(小[1-6]|中[1-3])$"));
  if (const auto m = course.match(operands.value(1)); m.hasMatch()) {
    bool ok = false;
    a.kind = QStringLiteral("drill");
    a.course = m.captured(1).toInt();
    a.passes = operands.value(2).toInt(&ok);
    if (!ok || a.passes < 1 || a.passes > 100) return usage();
    used = 3;
  } else if (operands.value(1) == QStringLiteral("テスト")) {
    a.kind = QStringLiteral("test");
    a.passage = operands.value(2);
    if (!passage.match(a.passage).hasMatch()) return usage();
    used = 3;
  }
  if (operands.size() > used + 1) return usage();
  a.untilMs = until;
  a.setMs = QDateTime::currentMSecsSinceEpoch();
  if (until != 0 && until <= a.setMs) {
    PrintError(QStringLiteral("その日はもう過ぎています。"));
    return 2;
  }
  ZINIconf settings;
  LoadTeacherSettings(settings, QCoreApplication::applicationFilePath());
  const QString server = operands.size() > used ? operands[used] : settings.HistoryServer;
  if (server.trimmed().isEmpty()) {
    PrintError(NoServerText());
    return 1;
  }
  struct Done {
    bool ok = false;
    QList<QPair<QString, Assignment>> listed;
    QString error;
  };
  const bool listing = a.kind.isEmpty();
  const Done done = Bounded<Done>([server, classCode, a, listing] {
    Done d;
    if (listing) {
      d.ok = ReadAssignmentsOnServer(server, classCode, &d.listed, &d.error);
    } else if (const int id = StoreAssignmentOnServer(server, classCode, a, &d.error); id != 0) {
      Assignment stored = a;
      stored.id = id;
      d.listed.append(qMakePair(classCode, stored));
      d.ok = true;
    }
    return d;
  });
  if (!done.ok) {
    PrintError(done.error);
    return 2;
  }
  QString said;
  if (!listing) said = QStringLiteral("%1 に課題を出しました: ").arg(classCode);
  if (listing && done.listed.isEmpty()) said = QStringLiteral("%1 に課題はありません。\n").arg(classCode);
  for (const auto& [code, item] : done.listed) {
    said += listing ? QStringLiteral("%1 %2\n").arg(item.id).arg(AssignmentText(item))
                    : AssignmentText(item) + QLatin1Char('\n');
  }
  std::fputs(said.toLocal8Bit().constData(), stdout);
  return 0;
}

}  // namespace shurencho
