// One learner's machine for the class server test.
//
// class_learner practise FILE NAME RUNS COURSE CPM [MISSES]
//   as NAME, writes RUNS batches to the history file as the drill does at a
//   run's end (the run, its last item and MISSES, else two, refused keys on
//   "つ") and one maze stage
// class_learner sync FILE SERVER
//   one round of the sync queue, the class's assignments read after it;
//   prints "sent N"
// class_learner send-only FILE SERVER
//   sends what is queued and stops before marking it, like a crash there
// class_learner year FILE YEAR
//   sets the current learner's school year ("" for none)
// class_learner class FILE CODE NUMBER
//   sets the current learner's class ("5-2") and number
// class_learner assignments FILE
//   the guide's line for the assignments the file keeps
// class_learner columns FILE
//   "table.column" of every table a history file is made with, sorted
// class_learner read SERVER NAME
//   NAME's history as the teacher's 成績 window reads it from the server;
//   prints "runs N mouse M weakest UNIT×K keys J"
// class_learner listen SERVER
//   the class window's listener: prints "listening" once subscribed, then
//   "notified LEARNER" (rows) or "present LEARNER" for the first notice,
//   then that learner's last 24 hours as the class window's live columns
//   show them, "today NOW|PASSES|BEST|SIGN|ASSIGNMENT", and ends (status 1 after 60 s)
#include <QCoreApplication>
#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>
#include <cstdio>

#include "history/assignment.h"
#include "history_module/class_live_view.h"
#include "history_postgres/class_listener.h"
#include "history_postgres/postgres_history_store.h"
#include "history_sqlite/sqlite_history_store.h"
#include "history_sqlite/sqlite_sync_source.h"

using namespace shurencho;

namespace {

int Fail(const char* what, const QString& error) {
  std::fprintf(stderr, "%s: %s\n", what, qPrintable(error));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  QString error;
  if ((args.size() == 7 || args.size() == 8) && args[1] == QStringLiteral("practise")) {
    auto store = SqliteHistoryStore::Open(args[2], &error);
    if (!store) return Fail("open", error);
    if (!store->SetLearnerName(args[3], &error)) return Fail("name", error);
    const int runs = args[4].toInt(), course = args[5].toInt(), cpm = args[6].toInt();
    const int misses = args.size() == 8 ? args[7].toInt() : 2;
    const HistoryTime now = QDateTime::currentMSecsSinceEpoch();
    for (int n = 0; n < runs; ++n) {
      HistoryBatch batch;
      const HistoryTime at = now + n;
      batch.items.append(DrillItemRecord{at, course, QStringLiteral("つくえ"), 3, 10, 2, 4.0});
      for (int k = 0; k < misses; ++k) {
        batch.misses.append(KeyMissRecord{at, course, QStringLiteral("つ"), QStringLiteral("t"),
                                          QStringLiteral("s"), QStringLiteral("u")});
      }
      batch.runs.append(
          TypingRunRecord{at, course, QString(), 60, 100, 10, 60.0, cpm, 100, 0.9, QStringLiteral("○")});
      batch.mouse.append(MouseRecord{at, MouseGame::Maze, n + 1, 0, 0, 30.0});
      if (!store->Write(batch, &error)) return Fail("write", error);
    }
    return 0;
  }
  if (args.size() == 4 && (args[1] == QStringLiteral("sync") || args[1] == QStringLiteral("send-only"))) {
    auto source = SqliteSyncSource::Open(args[2], args[3], &error);
    if (!source) return Fail("local file", error);
    auto sender = PostgresSyncSender::Open(args[3], &error);
    if (!sender) return Fail("server", error);
    if (args[1] == QStringLiteral("send-only")) {
      SyncBatch batch;
      if (!source->Pending(SyncQueue::kBatchRows, &batch, &error)) return Fail("pending", error);
      if (!sender->Send(batch, &error)) return Fail("send", error);
      std::printf("sent %lld unmarked\n", static_cast<long long>(batch.size()));
      return 0;
    }
    SyncQueue queue(*source, *sender);
    const SyncQueue::Result result = queue.Run();
    if (!result.ok) return Fail("sync", result.error);
    QList<Assignment> read;
    if (!queue.FetchAssignments(QDateTime::currentMSecsSinceEpoch(), &read, &error))
      return Fail("assignments", error);
    std::printf("sent %lld\n", static_cast<long long>(result.sent));
    return 0;
  }
  if (args.size() == 4 && args[1] == QStringLiteral("year")) {
    auto store = SqliteHistoryStore::Open(args[2], &error);
    if (!store) return Fail("open", error);
    if (!store->SetLearnerYear(args[3], &error)) return Fail("year", error);
    return 0;
  }
  if (args.size() == 5 && args[1] == QStringLiteral("class")) {
    auto store = SqliteHistoryStore::Open(args[2], &error);
    if (!store) return Fail("open", error);
    if (!store->SetClassOfLearner({args[3], args[4].toInt()}, &error)) return Fail("class", error);
    return 0;
  }
  if (args.size() == 3 && args[1] == QStringLiteral("assignments")) {
    auto store = SqliteHistoryStore::Open(args[2], &error);
    if (!store) return Fail("open", error);
    // Through the read the 成績 window gets.
    const LearnerHistory h = store->Read(10, &error);
    if (!error.isEmpty()) return Fail("assignments", error);
    std::printf("%s\n", qPrintable(AssignmentLine(h.assignments)));
    return 0;
  }
  if (args.size() == 3 && args[1] == QStringLiteral("columns")) {
    if (!SqliteHistoryStore::Open(args[2], &error)) return Fail("open", error);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("columns"));
    db.setDatabaseName(args[2]);
    if (!db.open()) return Fail("open", db.lastError().text());
    QStringList columns;
    QSqlQuery q(db);
    for (const QString& table : db.tables()) {
      // The machine's own bookkeeping: what was sent, and the journal's ledger.
      if (table.startsWith(QStringLiteral("sync_")) || table == QStringLiteral("written_batches")) continue;
      if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
        return Fail("columns", q.lastError().text());
      while (q.next()) columns << table + QLatin1Char('.') + q.value(1).toString();
    }
    columns.sort();
    std::printf("%s\n", qPrintable(columns.join(QLatin1Char('\n'))));
    return 0;
  }
  if (args.size() == 4 && args[1] == QStringLiteral("read")) {
    ClassOnServer cls;
    if (!ReadClassFromServer(args[2], &cls, &error)) return Fail("class", error);
    for (const ServerLearner& learner : cls.learners) {
      if (learner.name != args[3]) continue;
      auto store = PostgresHistoryStore::Open(args[2], learner, &error);
      if (!store) return Fail("open", error);
      const LearnerHistory h = store->Read(10, &error);
      if (!error.isEmpty()) return Fail("read", error);
      const UnitWeakness top = h.weakest.value(0);
      std::printf("runs %lld mouse %lld weakest %s×%d keys %lld\n", static_cast<long long>(h.runs.size()),
                  static_cast<long long>(h.mouse.size()), qPrintable(top.unit), top.misses,
                  static_cast<long long>(h.keystrokes));
      return 0;
    }
    return Fail("read", QStringLiteral("no such learner"));
  }
  if (args.size() == 3 && args[1] == QStringLiteral("listen")) {
    ClassListener* listening = nullptr;
    ClassListener listener(args[2], [&listening](ClassListener::Event event, const QString& detail) {
      if (event == ClassListener::Event::Listening) {
        std::printf("listening\n");
      } else if (event == ClassListener::Event::Notified || event == ClassListener::Event::Present) {
        std::printf("%s %s\n", event == ClassListener::Event::Notified ? "notified" : "present",
                    qPrintable(detail));
        const qint64 learner = detail.toLongLong();
        listening->ReadToday(
            QDateTime::currentMSecsSinceEpoch() - 24 * 3600 * 1000LL,
            [learner](bool ok, const ClassToday& today, const QString& error) {
              if (ok) {
                std::printf("today %s\n",
                            qPrintable(ClassLive::Cells(today.value(learner), 0).join(QLatin1Char('|'))));
              } else {
                std::fprintf(stderr, "today: %s\n", qPrintable(error));
              }
              std::fflush(stdout);
              QMetaObject::invokeMethod(qApp, [ok] { QCoreApplication::exit(ok ? 0 : 1); });
            });
      } else {
        std::fprintf(stderr, "lost: %s\n", qPrintable(detail));
      }
      std::fflush(stdout);
    });
    listening = &listener;
    listener.Start();
    QTimer::singleShot(60000, [] { QCoreApplication::exit(1); });
    return QCoreApplication::exec();
  }
  std::fprintf(
      stderr,
      "usage: class_learner practise FILE NAME RUNS COURSE CPM [MISSES] | sync FILE SERVER | send-only "
      "FILE SERVER | year FILE YEAR | class FILE CODE NUMBER | read SERVER NAME | listen SERVER\n");
  return 2;
}
