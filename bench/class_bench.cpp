// The class server on a private PostgreSQL cluster started for the run (as
// the tests start it): one sync round of 1,000 queued runs, in one server
// transaction, should stay under 1 s; the teacher's class view over 40
// learners of 10,000 runs each should open in under 500 ms. Skipped when
// PostgreSQL is not installed.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "history/sync_queue.h"
#include "history_module/class_view.h"
#include "history_postgres/postgres_history_store.h"
#include "history_sqlite/sqlite_history_store.h"
#include "history_sqlite/sqlite_sync_source.h"

using namespace shurencho;

namespace {

constexpr int kLearners = 40;
constexpr int kRunsEach = 10000;

// The cluster, started at first use and stopped at exit.
class Cluster {
 public:
  static Cluster& Get() {
    static Cluster cluster;
    return cluster;
  }
  ~Cluster() {
    if (m_port.isEmpty()) return;
    Shell(QStringLiteral("pg_stop"));
  }
  bool ready() const { return m_ready; }
  // The connection text for a user on a database.
  QString Server(const QString& user, const QString& db) const {
    return QStringLiteral("postgresql://%1@/%2?host=%3/socket&port=%4").arg(user, db, m_dir.path(), m_port);
  }

 private:
  Cluster() {
    QProcess::execute(QStringLiteral("chmod"), {QStringLiteral("0755"), m_dir.path()});
    const QString sql = QStringLiteral(SHURENCHO_SOURCE_DIR "/packaging/class_server.sql");
    // Known once started, so that a failure after the start still stops it.
    m_port = Shell(QStringLiteral("pg_start %1 >/dev/null && echo $PG_PORT").arg(m_dir.path())).trimmed();
    if (m_port.isEmpty()) return;
    // Two databases: the sync rounds add to one while the class is read from the other.
    m_ready =
        !Shell(QStringLiteral("pg_psql postgres -f %1 && pg_psql postgres -c 'CREATE DATABASE classbench' && "
                              "psql -X -q -v ON_ERROR_STOP=1 -h $PG_SOCKET -p $PG_PORT -U postgres -d "
                              "classbench -f %1 && echo done")
                   .arg(sql))
             .isEmpty();
    if (!m_ready) return;
    // 40 learners of 10,000 runs, a few hundred mouse stages and their miss tallies.
    const QString fill =
        QStringLiteral(
            "ALTER TABLE typing_runs DISABLE TRIGGER typing_runs_tally;"
            "INSERT INTO learners SELECT g, 'learner' || g, 'pc' || g FROM generate_series(1, %1) g;"
            "INSERT INTO typing_runs SELECT (g % %1) + 1, 1700000000000 + g::bigint * 60000, (g / %1) % 6, "
            "'', 60, "
            "80, "
            "(g % 7), 60, 20 + (g % 50), 80, 0.9, '' , 'bench/' || g FROM generate_series(1, %1 * %2) g;"
            "INSERT INTO mouse_stages SELECT (g % %1) + 1, 1700000000000 + g::bigint * 60000, 1 + g % 4, g % "
            "20, "
            "1, 0, 30, "
            "'bench/' || g FROM generate_series(1, %1 * 100) g;"
            "INSERT INTO miss_tally SELECT l, u, k, k, l + length(u) FROM generate_series(1, %1) l, "
            "unnest(ARRAY['つ','しゃ','ん','ふ']) u, unnest(ARRAY['a','s','d']) k;"
            "INSERT INTO course_tally SELECT learner, course, COUNT(*), MAX(chars_per_minute), "
            "SUM(keystrokes), "
            "SUM(refused), MAX(at_ms), (ARRAY_AGG(chars_per_minute ORDER BY at_ms DESC))[1] FROM typing_runs "
            "GROUP BY learner, course;"
            "ALTER TABLE typing_runs ENABLE TRIGGER typing_runs_tally;"
            "ANALYZE;")
            .arg(kLearners)
            .arg(kRunsEach);
    m_ready = !Shell(QStringLiteral("psql -X -q -v ON_ERROR_STOP=1 -h $PG_SOCKET -p $PG_PORT -U postgres -d "
                                    "classbench -c \"%1\" && echo filled")
                         .arg(fill))
                   .isEmpty();
  }
  // Runs a command with the cluster helpers of the tests loaded.
  QString Shell(const QString& command) const {
    QProcess p;
    const QString script =
        QStringLiteral("source " SHURENCHO_SOURCE_DIR
                       "/tests/scripts/pg_cluster.sh; PG_DIR=%1; PG_SOCKET=%1/socket; "
                       "PG_PORT=%2; [ \"$(id -u)\" = 0 ] && PG_AS=(runuser -u nobody --); %3")
            .arg(m_dir.path(), m_port.isEmpty() ? QStringLiteral("0") : m_port, command);
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), script});
    p.waitForFinished(300000);
    if (p.exitCode() != 0) {
      std::fprintf(stderr, "class bench cluster: %s\n", p.readAllStandardError().constData());
      return QString();
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
  }

  QTemporaryDir m_dir;
  QString m_port;
  bool m_ready = false;
};

void BM_SyncThousandRuns(benchmark::State& state) {
  Cluster& cluster = Cluster::Get();
  if (!cluster.ready()) {
    state.SkipWithError("no PostgreSQL cluster");
    return;
  }
  const QString server = cluster.Server(QStringLiteral("shurencho_learner"), QStringLiteral("shurencho"));
  QString error;
  auto sender = PostgresSyncSender::Open(server, &error);
  if (!sender) {
    state.SkipWithError(qPrintable(error));
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    // A machine that practised offline: 1,000 runs queued in a new file.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    {
      auto store = SqliteHistoryStore::Open(file);
      HistoryBatch batch;
      for (int i = 0; i < 1000; ++i) {
        batch.runs.append(TypingRunRecord{1700000000000 + i, 1 + i % 5, {}, 60, 70, 3, 60, 40, 70, 0.95, {}});
      }
      store->Write(batch);
    }
    auto source = SqliteSyncSource::Open(file, server, &error);
    state.ResumeTiming();
    const SyncQueue::Result result = SyncQueue(*source, *sender).Run();
    if (!result.ok || result.sent != 1000) state.SkipWithError(qPrintable(result.error));
  }
}
BENCHMARK(BM_SyncThousandRuns)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClassViewOpens(benchmark::State& state) {
  Cluster& cluster = Cluster::Get();
  if (!cluster.ready()) {
    state.SkipWithError("no PostgreSQL cluster");
    return;
  }
  const QString server = cluster.Server(QStringLiteral("shurencho_teacher"), QStringLiteral("classbench"));
  AppSettings settings;
  LoadSettings(settings, false, QString());
  for (auto _ : state) {
    ClassView view(server, settings);
    // The class is read on a thread of its own and handed back through the event loop.
    while (view.reading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (view.shown().rows.size() != kLearners) state.SkipWithError("the class was not read");
    benchmark::DoNotOptimize(view.shown().rows.data());
  }
}
BENCHMARK(BM_ClassViewOpens)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
