// The sync queue between the real history file and a server stand-in that
// keeps the first copy of each row id, as the class server does.
#include <gtest/gtest.h>

#include <QFile>
#include <QHash>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "history/assignment.h"
#include "history/learner_name.h"
#include "history/sync_queue.h"
#include "history/sync_worker.h"
#include "history_fixture.h"
#include "history_sqlite/sqlite_history_store.h"
#include "history_sqlite/sqlite_sync_source.h"

using namespace shurencho;

namespace {

class FakeServer final : public SyncSender {
 public:
  bool Send(const SyncBatch& batch, QString* error) override {
    ++sends;
    if (down) {
      *error = QStringLiteral("down");
      return false;
    }
    for (const auto& r : batch.runs) {
      const QString id = batch.origin + QLatin1Char('/') + QString::number(r.localId);
      if (!ids.contains(id)) {
        ids.insert(id, true);
        runs.append(r.record.charsPerMinute);
        learners.append(batch.learners.value(r.learner).first);
      }
    }
    for (const auto& r : batch.misses) ids.insert(QStringLiteral("m") + QString::number(r.localId), true);
    return true;
  }
  bool down = false;
  int sends = 0;
  QHash<QString, bool> ids;
  QList<int> runs;  // 字／分 of each run kept, in arrival order
  QStringList learners;
};

class SyncTest : public HistoryFileTest {
 protected:
  QString file() const { return dir.filePath(QStringLiteral("history.sqlite")); }
  void Practise(int from, int count) {
    auto store = SqliteHistoryStore::Open(file());
    ASSERT_TRUE(store);
    for (int n = from; n < from + count; ++n) {
      HistoryBatch b;
      b.runs.append(TypingRunRecord{n, 1, {}, 10, 10, 1, 10, n, n, 0.9, {}});
      b.misses.append(KeyMissRecord{n, 1, QStringLiteral("つ"), QStringLiteral("t"), QStringLiteral("s"),
                                    QStringLiteral("u")});
      ASSERT_TRUE(store->Write(b));
    }
  }
  std::unique_ptr<SqliteSyncSource> Source(const QString& server = QStringLiteral("s1")) {
    QString error;
    auto source = SqliteSyncSource::Open(file(), server, &error);
    EXPECT_TRUE(source) << error.toStdString();
    return source;
  }
  FakeServer server;
};

}  // namespace

TEST_F(SyncTest, EveryRowOnceAndInOrderAcrossBatchesAndRounds) {
  Practise(1, 5);
  auto source = Source();
  SyncQueue queue(*source, server);
  const SyncQueue::Result first = queue.Run(3);  // batches of 3, 3, 3, 1
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(first.sent, 10);
  EXPECT_EQ(server.runs, (QList<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(server.learners.value(0), SqliteHistoryStore::LoginName());
  Practise(6, 1);
  EXPECT_EQ(queue.Run().sent, 2);
  EXPECT_EQ(queue.Run().sent, 0);
  EXPECT_EQ(server.runs, (QList<int>{1, 2, 3, 4, 5, 6}));
  // Another server gets everything, from the start.
  FakeServer other;
  auto source2 = Source(QStringLiteral("s2"));
  EXPECT_EQ(SyncQueue(*source2, other).Run().sent, 12);
}

TEST_F(SyncTest, ACrashBetweenSendAndMarkSendsAgainAndTheServerKeepsOne) {
  Practise(1, 3);
  {
    auto source = Source();
    SyncBatch batch;
    QString error;
    ASSERT_TRUE(source->Pending(100, &batch, &error));
    ASSERT_TRUE(server.Send(batch, &error));
    // The program ends here, before MarkSent.
  }
  auto source = Source();
  const SyncQueue::Result again = SyncQueue(*source, server).Run();
  EXPECT_EQ(again.sent, 6);
  EXPECT_EQ(server.sends, 2);
  EXPECT_EQ(server.runs, (QList<int>{1, 2, 3}));
}

TEST_F(SyncTest, AServerDownKeepsTheRowsQueuedAndAFileMadeAfreshIsNoOldOne) {
  Practise(1, 2);
  auto source = Source();
  server.down = true;
  const SyncQueue::Result failed = SyncQueue(*source, server).Run();
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error, QStringLiteral("down"));
  server.down = false;
  EXPECT_EQ(SyncQueue(*source, server).Run().sent, 4);
  source.reset();

  // The file removed and begun again: its row numbers start over, and its
  // rows must not be taken for those already on the server.
  ASSERT_TRUE(QFile::remove(file()));
  QFile::remove(file() + QStringLiteral("-wal"));
  QFile::remove(file() + QStringLiteral("-shm"));
  Practise(7, 1);
  auto fresh = Source();
  EXPECT_EQ(SyncQueue(*fresh, server).Run().sent, 2);
  EXPECT_EQ(server.runs, (QList<int>{1, 2, 7}));
}

TEST_F(SyncTest, TheWorkerSyncsOnItsOwnThreadAndClosesItsConnectionsThere) {
  Practise(1, 2);
  QThread* closedOn = nullptr;
  struct Sender final : SyncSender {
    Sender(FakeServer& s, QThread*& closed) : server(s), closedOn(closed) {}
    ~Sender() override { closedOn = QThread::currentThread(); }
    bool Send(const SyncBatch& batch, QString* error) override { return server.Send(batch, error); }
    FakeServer& server;
    QThread*& closedOn;
  };
  QThread* madeOn = nullptr;
  QAtomicInt rounds;
  {
    SyncWorker worker(
        [this](QString* error) -> std::unique_ptr<SyncSource> {
          return SqliteSyncSource::Open(file(), QStringLiteral("s1"), error);
        },
        [&](QString*) -> std::unique_ptr<SyncSender> {
          madeOn = QThread::currentThread();
          return std::make_unique<Sender>(server, closedOn);
        },
        60000, [&](const SyncQueue::Result& r) { rounds.fetchAndAddOrdered(r.ok ? 1 : 100); });
    worker.Start();
    for (int i = 0; i < 500 && rounds.loadAcquire() == 0; ++i) QThread::msleep(10);
  }
  EXPECT_EQ(rounds.loadAcquire(), 1);
  EXPECT_EQ(server.runs, (QList<int>{1, 2}));
  EXPECT_NE(madeOn, QThread::currentThread());
  EXPECT_EQ(closedOn, madeOn);
}

// Where the learner is goes after a round, its age counted on from when it
// was set.
TEST_F(SyncTest, PresenceGoesWithTheRoundAfterItIsSet) {
  Practise(1, 1);
  QList<Presence> sent;  // written on the worker's thread, read once it has ended
  struct Sender final : SyncSender {
    explicit Sender(QList<Presence>& to) : sent(to) {}
    bool Send(const SyncBatch&, QString*) override { return true; }
    bool SendPresence(const Presence& p, QString*) override {
      sent.append(p);
      return true;
    }
    QList<Presence>& sent;
  };
  QAtomicInt rounds;
  SyncWorker worker(
      [this](QString* error) -> std::unique_ptr<SyncSource> {
        return SqliteSyncSource::Open(file(), QStringLiteral("s1"), error);
      },
      [&](QString*) -> std::unique_ptr<SyncSender> { return std::make_unique<Sender>(sent); }, 600000,
      [&](const SyncQueue::Result&) { rounds.fetchAndAddOrdered(1); });
  worker.Start();
  for (int i = 0; i < 3000 && rounds.loadAcquire() == 0; ++i) QThread::msleep(10);
  ASSERT_EQ(rounds.loadAcquire(), 1);
  worker.SetPresence(
      Presence{QStringLiteral("青木"), QStringLiteral("pc"), QStringLiteral("コース2"), 2, 1000});
  worker.SyncSoon();
  for (int i = 0; i < 3000 && rounds.loadAcquire() == 1; ++i) QThread::msleep(10);
  ASSERT_TRUE(worker.Stop(5000));
  ASSERT_EQ(sent.size(), 1);  // none before it was set
  EXPECT_EQ(sent[0].page, QStringLiteral("コース2"));
  EXPECT_GE(sent[0].itemAgeMs, 1000);
}

TEST_F(SyncTest, AStopEndsALongQueueBetweenBatchesAndTheRestGoesNextTime) {
  Practise(1, 5);  // 10 rows
  auto source = Source();
  std::atomic<bool> stop{false};
  struct Stopping final : SyncSender {
    Stopping(FakeServer& s, std::atomic<bool>& flag) : server(s), stop(flag) {}
    bool Send(const SyncBatch& batch, QString* error) override {
      stop.store(true);  // the program ends while the first batch is sent
      return server.Send(batch, error);
    }
    FakeServer& server;
    std::atomic<bool>& stop;
  } stopping(server, stop);
  const SyncQueue::Result first = SyncQueue(*source, stopping).Run(3, &stop);
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(first.sent, 3);
  EXPECT_EQ(SyncQueue(*source, server).Run(3).sent, 7);
  EXPECT_EQ(server.runs, (QList<int>{1, 2, 3, 4, 5}));
}

// A server that took the login and went quiet: the call under way waits
// until it is interrupted.
class QuietServer final : public SyncSender {
 public:
  bool Send(const SyncBatch&, QString* error) override {
    std::unique_lock lock(mutex);
    woken.wait(lock, [this] { return interrupted; });
    *error = QStringLiteral("interrupted");
    return false;
  }
  void Interrupt() override {
    const std::lock_guard lock(mutex);
    interrupted = true;
    woken.notify_all();
  }
  std::mutex mutex;
  std::condition_variable woken;
  bool interrupted = false;
};

TEST_F(SyncTest, StoppingInterruptsTheServerCallUnderWay) {
  Practise(1, 1);
  std::atomic<QuietServer*> quiet{nullptr};
  SyncWorker worker(
      [this](QString* error) -> std::unique_ptr<SyncSource> {
        return SqliteSyncSource::Open(file(), QStringLiteral("s1"), error);
      },
      [&](QString*) -> std::unique_ptr<SyncSender> {
        auto made = std::make_unique<QuietServer>();
        quiet.store(made.get());
        return made;
      });
  worker.Start();
  for (int i = 0; i < 500 && quiet.load() == nullptr; ++i) QThread::msleep(10);
  ASSERT_NE(quiet.load(), nullptr);
  EXPECT_TRUE(worker.Stop(5000));
}

TEST_F(SyncTest, AWorkerThatWillNotStopIsLeftToEndAndClosesItsConnectionsOnItsThread) {
  Practise(1, 1);
  std::mutex mutex;
  std::condition_variable changed;
  bool connecting = false, answer = false;
  std::atomic<QThread*> madeOn{nullptr}, closedOn{nullptr};
  struct Source final : SyncSource {
    explicit Source(std::unique_ptr<SyncSource> real, std::atomic<QThread*>& closed)
        : real(std::move(real)), closedOn(closed) {}
    // Told only once the real connection is closed: the test may end then.
    ~Source() override {
      real.reset();
      closedOn.store(QThread::currentThread());
    }
    bool Pending(int limit, SyncBatch* batch, QString* error) override {
      return real->Pending(limit, batch, error);
    }
    bool MarkSent(const SyncBatch& batch, QString* error) override { return real->MarkSent(batch, error); }
    std::unique_ptr<SyncSource> real;
    std::atomic<QThread*>& closedOn;
  };
  auto worker = std::make_unique<SyncWorker>(
      [&](QString* error) -> std::unique_ptr<SyncSource> {
        madeOn.store(QThread::currentThread());
        return std::make_unique<Source>(SqliteSyncSource::Open(file(), QStringLiteral("s1"), error),
                                        closedOn);
      },
      [&](QString* error) -> std::unique_ptr<SyncSender> {
        // The connection is being made, and nothing interrupts that.
        std::unique_lock lock(mutex);
        connecting = true;
        changed.notify_all();
        changed.wait(lock, [&] { return answer; });
        *error = QStringLiteral("no answer");
        return nullptr;
      });
  worker->Start();
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return connecting; }));
  }
  EXPECT_FALSE(worker->Stop(50));
  worker.reset();  // the thread runs on without it
  {
    const std::lock_guard lock(mutex);
    answer = true;
    changed.notify_all();
  }
  for (int i = 0; i < 500 && closedOn.load() == nullptr; ++i) QThread::msleep(10);
  EXPECT_NE(closedOn.load(), nullptr);
  EXPECT_EQ(closedOn.load(), madeOn.load());
}

TEST(LearnerName, IsOneLineOfAtMost64CharactersNeverCutInsideAPair) {
  EXPECT_EQ(CleanLearnerName(QStringLiteral("  青木\t太郎\n\u0000 ")), QStringLiteral("青木太郎"));
  const QString face = QString::fromUcs4(U"\U0001F600");
  const QString cut = CleanLearnerName(QStringLiteral("あ").repeated(63) + face + face);
  EXPECT_EQ(cut, QStringLiteral("あ").repeated(63) + face);
  EXPECT_EQ(CleanLearnerName(QStringLiteral("x").repeated(10240)).size(), 64);
}

// Passes count from the assignment's setting on, graded runs of its course
// only; a test counts once taken to the end.
TEST(AssignmentTest, ProgressCountsGradedPassesOfTheCourseSinceItWasSet) {
  const Assignment drill{1, QStringLiteral("drill"), 2, 3, {}, 0, 1000};
  const auto run = [](HistoryTime at, int course, const char* grade, const char* text = "") {
    TypingRunRecord r;
    r.at = at;
    r.course = course;
    r.grade = QString::fromUtf8(grade);
    r.textName = QString::fromUtf8(text);
    return r;
  };
  QList<TypingRunRecord> runs = {run(500, 2, "○"), run(1200, 2, "○"), run(1300, 1, "○"), run(1400, 2, "途中"),
                                 run(1500, 2, "計測なし")};
  AssignmentProgress p = ProgressOf(drill, runs);
  EXPECT_EQ(p.done, 1);
  EXPECT_FALSE(p.finished());
  EXPECT_EQ(AssignmentLine({p}), QStringLiteral("きょうの課題：コース2 を 3回（1回おわり）"));
  runs << run(1700, 2, "◎") << run(1600, 2, "○") << run(1800, 2, "○");
  p = ProgressOf(drill, runs);
  EXPECT_EQ(p.done, 3);
  EXPECT_EQ(p.doneAt, 1700);
  EXPECT_EQ(AssignmentLine({p}), QStringLiteral("きょうの課題はおわりました"));

  const Assignment test{2, QStringLiteral("test"), 0, 0, QStringLiteral("小3"), 0, 1000};
  EXPECT_FALSE(ProgressOf(test, {run(1100, kSkillTestCourse, "途中", "小3 朝がおのかんさつ"),
                                 run(1200, kSkillTestCourse, "5級", "小4 町のバス")})
                   .finished());
  EXPECT_EQ(ProgressOf(test, {run(1300, kSkillTestCourse, "5級", "小3 朝がおのかんさつ")}).doneAt, 1300);
}
