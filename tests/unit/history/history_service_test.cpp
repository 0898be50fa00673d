// The history's worker with the real SQLite file: a lock, a damaged file
// and another program's database, as the trainer meets them.
#include "history/history_service.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <atomic>
#include <future>

#include "drill_fixture.h"
#include "history/history_journal.h"
#include "history/history_recorder.h"
#include "history_fixture.h"
#include "history_sql/history_sql.h"
#include "history_sqlite/sqlite_history_store.h"

using namespace shurencho;

namespace {

// Runs the test thread's events until done() holds (the worker posts its
// answers here) or a generous time has passed.
template <typename F>
bool WaitFor(F&& done) {
  const QDeadlineTimer deadline(30000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

qint64 Count(const QString& file, const char* table) {
  sqlite3* db = nullptr;
  qint64 n = -1;
  if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* q = nullptr;
    const QByteArray sql = QByteArray("SELECT COUNT(*) FROM ") + table;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &q, nullptr) == SQLITE_OK &&
        sqlite3_step(q) == SQLITE_ROW)
      n = sqlite3_column_int64(q, 0);
    sqlite3_finalize(q);
  }
  sqlite3_close(db);
  return n;
}

QByteArray Hash(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

class HistoryServiceDrillTest : public DrillTest {
 protected:
  HistoryServiceDrillTest() {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "unit_tests";
      static char* argv[] = {name, nullptr};
      static QCoreApplication app(argc, argv);
    }
  }
  QTemporaryDir dir;
};

TEST_F(HistoryServiceDrillTest, ALockedFileIsTriedAgainWhileThePageGoesOnAndItsRowsFollowTheLock) {
  const QString file = dir.filePath(QStringLiteral("history.sqlite"));
  ASSERT_TRUE(SqliteHistoryStore::Open(file));
  // Another connection holds the file from before the first open.
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

  HistoryService service(
      [file](const BusyWait& wait) { return SqliteHistoryStore::OpenForTrainer(file, wait); },
      HistoryJournal::PathFor(file), HistoryService::Timing{100, 50, 200});
  HistoryStatus last;
  QObject context;
  service.SetListeners(&context, [&](const HistoryStatus& s) { last = s; }, {});
  HistoryRecorder recorder(platform);
  recorder.Attach(&service.front());
  settings.CourseNo = 3;  // かな, きゃく, ほん
  page = std::make_unique<DrillPage>(settings, data, platform);
  page->SetHistory(&recorder);
  page->FormCreate();
  page->FormShow();
  service.Start();
  // The open found the lock: it is tried again later, not given up.
  ASSERT_TRUE(WaitFor([&] { return last.state == HistoryStatus::State::Waiting; }));
  for (const QChar c : QStringLiteral("kanakyaku")) {
    TypeKey(c);
    platform.Advance(1);
  }
  const QString speedShown = page->Label2.caption;
  page->Button3Click();                                         // the run ends and is handed over too
  ASSERT_TRUE(WaitFor([&] { return last.waitingRows == 3; }));  // two items and the run
  EXPECT_EQ(Count(file, "drill_items"), 0);

  ASSERT_EQ(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(holder);
  ASSERT_TRUE(WaitFor([&] { return last.state == HistoryStatus::State::Open && last.waitingRows == 0; }));
  LearnerHistory h;
  bool read = false;
  service.Read(10, &context, [&](const LearnerHistory& got, const QString&, const HistoryStatus&) {
    h = got;
    read = true;
  });
  ASSERT_TRUE(WaitFor([&] { return read; }));
  EXPECT_EQ(Count(file, "drill_items"), 2);
  ASSERT_EQ(h.runs.size(), 1);
  // The run as the page measured it, none of the wait in it.
  EXPECT_EQ(QString::number(h.runs[0].charsPerMinute) + QStringLiteral("　字／分"), speedShown);
  EXPECT_EQ(service.Stop(1500).unwrittenRows, 0);
}

class HistoryServiceFileTest : public HistoryFileTest {
 protected:
  QString path() const { return SqliteHistoryStore::DefaultPath(); }
};

TEST_F(HistoryServiceFileTest, ADamagedFileIsFoundAtOpenAndItsRecordsWaitInTheJournal) {
  {
    auto store = SqliteHistoryStore::Open(path());
    ASSERT_TRUE(store);
    HistoryBatch batch;
    for (int i = 0; i < 2000; ++i) batch.misses.append(KeyMissRecord{i, 4, "しゃ", "s", "a", "h"});
    ASSERT_TRUE(store->Write(batch));
  }
  // Cut short: the header still says it is ours, the pages are gone.
  QFile file(path());
  ASSERT_TRUE(file.resize(file.size() / 2));
  const QByteArray before = Hash(path());

  HistoryService service(
      [p = path()](const BusyWait& wait) { return SqliteHistoryStore::OpenForTrainer(p, wait); },
      HistoryJournal::PathFor(path()));
  QList<HistoryStatus> told;
  QObject context;
  service.SetListeners(&context, [&](const HistoryStatus& s) { told.append(s); }, {});
  service.Start();
  ASSERT_TRUE(WaitFor([&] { return !told.isEmpty() && !told.last().reason.isEmpty(); }));
  EXPECT_EQ(told.last().state, HistoryStatus::State::Off);
  EXPECT_EQ(told.last().reason, QStringLiteral("ファイルが壊れているか、学習履歴のファイルではありません。"));
  service.Submit(HistoryBatch{{DrillItemRecord{1, 4, "かな", 2, 2, 0, 1.0}}, {}, {}, {}, {}});
  const HistoryService::Closing closing = service.Stop(1500);
  EXPECT_EQ(std::tuple(closing.unwrittenRows, closing.kept), std::tuple(1, true));
  EXPECT_EQ(Hash(path()), before);
  HistoryJournal journal(HistoryJournal::PathFor(path()));
  ASSERT_TRUE(journal.Open());
  ASSERT_EQ(journal.ReadAll().size(), 1);
}

TEST_F(HistoryServiceFileTest, AnotherProgramsDatabaseIsLeftAsItWasAndTheHistoryGoesBesideIt) {
  const QString folder = QFileInfo(path()).absolutePath();
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString foreign = dir.filePath(QStringLiteral("notes.db"));
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(foreign).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE learners (who TEXT); INSERT INTO learners VALUES ('x')", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  const QByteArray before = Hash(foreign);
  // Directly at the history's name, and through a link there.
  for (const bool link : {false, true}) {
    QFile::remove(path());
    QFile::remove(SqliteHistoryStore::SidePath(path()));
    ASSERT_TRUE(link ? QFile::link(foreign, path()) : QFile::copy(foreign, path()));
    HistoryOpenResult r = SqliteHistoryStore::OpenForTrainer(path());
    ASSERT_TRUE(r.store) << qPrintable(r.reason);
    EXPECT_EQ(r.file, folder + QStringLiteral("/shurencho-history.sqlite"));
    EXPECT_TRUE(r.note.contains(QStringLiteral("ほかのプログラム")));
    ASSERT_TRUE(r.store->Write(HistoryBatch{{DrillItemRecord{1, 4, "かな", 2, 2, 0, 1.0}}, {}, {}, {}, {}}));
    r.store.reset();
    EXPECT_EQ(Hash(path()), before);
    EXPECT_EQ(Count(r.file, "drill_items"), 1);
  }
  EXPECT_EQ(Hash(foreign), before);
}

// A store whose read waits until the test lets it go on.
class GatedStore final : public HistoryStore {
 public:
  explicit GatedStore(std::shared_future<void> gate) : m_gate(std::move(gate)) {}
  QString LearnerName() const override { return {}; }
  bool SetLearnerName(const QString&, QString*) override { return true; }
  bool Write(const HistoryBatch&, QString*) override { return true; }
  LearnerHistory Read(int, QString*) override {
    m_gate.wait();
    return {};
  }

 private:
  std::shared_future<void> m_gate;
};

TEST_F(HistoryFileTest, AnAnswerForAWindowClosedMeanwhileIsDropped) {
  std::promise<void> release;
  const std::shared_future<void> gate = release.get_future().share();
  HistoryService service(
      [gate](const BusyWait&) {
        return HistoryOpenResult{std::make_unique<GatedStore>(gate), {}, {}, {}, false};
      },
      dir.filePath(QStringLiteral("journal")));
  service.Start();
  auto window = std::make_unique<QObject>();
  bool answered = false;
  service.Read(10, window.get(),
               [&](const LearnerHistory&, const QString&, const HistoryStatus&) { answered = true; });
  window.reset();  // closed while the worker still reads
  release.set_value();
  QObject fence;
  bool fenced = false;
  service.Read(10, &fence,
               [&](const LearnerHistory&, const QString&, const HistoryStatus&) { fenced = true; });
  ASSERT_TRUE(WaitFor([&] { return fenced; }));
  EXPECT_FALSE(answered);
}

// ---- The journal ----

// The trainer's worker on the SQLite file, its last status kept.
struct TrainerHistory {
  explicit TrainerHistory(const QString& file)
      : service([file](const BusyWait& wait) { return SqliteHistoryStore::OpenForTrainer(file, wait); },
                HistoryJournal::PathFor(file)) {
    service.SetListeners(&context, [this](const HistoryStatus& s) { last = s; }, {});
  }
  QObject context;
  HistoryStatus last;
  HistoryService service;  // last: stopped before what it tells goes
};

TEST_F(HistoryFileTest, TheYearIsSetOnTheWorkerAndEveryListenerFollowsIt) {
  TrainerHistory h(dir.filePath(QStringLiteral("history.sqlite")));
  int told = 0;
  QObject guide;
  h.service.OnLearnerChanged(&guide, [&] { ++told; });
  h.service.Start();
  ASSERT_TRUE(WaitFor([&] { return h.last.state == HistoryStatus::State::Open; }));
  EXPECT_EQ(h.service.LearnerYear(), QString());
  bool saved = false;
  h.service.SetLearnerYear(QStringLiteral("中2"), &h.context, [&](bool ok, const QString&) { saved = ok; });
  ASSERT_TRUE(WaitFor([&] { return told == 1; }));
  EXPECT_TRUE(saved);
  EXPECT_EQ(h.service.LearnerYear(), QStringLiteral("中2"));
}

// A pass written to the file is told (the sync is asked for a round then);
// an item alone is not.
TEST_F(HistoryFileTest, AWrittenRunIsToldAnItemIsNot) {
  const QString file = dir.filePath(QStringLiteral("history.sqlite"));
  TrainerHistory h(file);
  int told = 0;
  h.service.OnRunsWritten(&h.context, [&] { ++told; });
  h.service.Start();
  ASSERT_TRUE(WaitFor([&] { return h.last.state == HistoryStatus::State::Open; }));
  h.service.Submit(HistoryBatch{{DrillItemRecord{1, 1, "かな", 2, 2, 0, 1.0}}, {}, {}, {}, {}});
  h.service.Submit(
      HistoryBatch{{}, {TypingRunRecord{2, 1, QString(), 60, 100, 10, 60.0, 40, 100, 0.9, "○"}}, {}, {}, {}});
  ASSERT_TRUE(WaitFor([&] { return told == 1; }));
  EXPECT_EQ(Count(file, "typing_runs"), 1);
  EXPECT_EQ(Count(file, "drill_items"), 1);
}

// The class's assignment kept in the file by a sync reaches the listeners
// when the service is asked to read it again, and again when a pass of its
// course is written.
TEST_F(HistoryFileTest, AnAssignmentKeptInTheFileIsReadAndFollowsThePasses) {
  const QString file = dir.filePath(QStringLiteral("history.sqlite"));
  TrainerHistory h(file);
  int told = 0;
  h.service.OnLearnerChanged(&h.context, [&] { ++told; });
  h.service.Start();
  ASSERT_TRUE(WaitFor([&] { return h.last.state == HistoryStatus::State::Open; }));
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, kAssignmentsTable, nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "INSERT INTO sync_assignments VALUES (1, 'drill', 2, 2, '', 0, 1)", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  h.service.ReloadAssignments();
  ASSERT_TRUE(WaitFor([&] { return told == 1; }));
  EXPECT_EQ(AssignmentLine(h.service.Assignments()),
            QStringLiteral("きょうの課題：コース2 を 2回（0回おわり）"));
  h.service.Submit(
      HistoryBatch{{}, {TypingRunRecord{2, 2, QString(), 60, 100, 10, 60.0, 40, 100, 0.9, "○"}}, {}, {}, {}});
  ASSERT_TRUE(WaitFor([&] { return told == 2; }));
  EXPECT_EQ(h.service.Assignments().value(0).done, 1);
}

HistoryBatch Item(int at, const QString& id = {}) {
  HistoryBatch b{{DrillItemRecord{at, 4, "かな", 2, 2, 0, 1.0}}, {}, {}, {}, id};
  return b;
}

QList<qint64> Times(const QList<HistoryBatch>& batches) {
  QList<qint64> times;
  for (const HistoryBatch& b : batches)
    for (const DrillItemRecord& r : b.items) times.append(r.at);
  return times;
}

QByteArray Bytes(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(HistoryFileTest, ADamagedBatchIsKeptAsideOnceAndTheBatchesAroundItAreRead) {
  const QString path = dir.filePath(QStringLiteral("history.sqlite.pending"));
  qint64 second = 0;
  {
    HistoryJournal journal(path);
    ASSERT_TRUE(journal.Open());
    ASSERT_TRUE(journal.Append(Item(1, "a")));
    second = QFileInfo(path).size() - 12;  // before the end mark
    ASSERT_TRUE(journal.Append(Item(2, "b")));
    ASSERT_TRUE(journal.Append(Item(3, "c")));
  }
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(second + 30);  // inside the second batch's bytes
    f.write("\x7f", 1);
  }
  const QString aside = HistoryJournal::DamagedPathFor(path);
  for (const bool again : {false, true}) {
    HistoryJournal journal(path);
    ASSERT_TRUE(journal.Open());
    EXPECT_EQ(Times(journal.ReadAll()), (again ? QList<qint64>{1, 3, 4} : QList<qint64>{1, 3}));
    // Said and kept the first time only; the file aside is never emptied.
    EXPECT_EQ(journal.note().contains(aside), !again) << qPrintable(journal.note());
    EXPECT_GT(QFileInfo(aside).size(), 40);
    if (!again) {
      ASSERT_TRUE(journal.Append(Item(4, "d")));
    }
  }
  HistoryJournal journal(path);
  ASSERT_TRUE(journal.Open());
  const qint64 kept = QFileInfo(aside).size();
  ASSERT_TRUE(journal.Clear());
  journal.Close();
  EXPECT_EQ(QFileInfo(path).size(), 0);
  EXPECT_EQ(QFileInfo(aside).size(), kept);
}

// A batch as the journal frames it: marker, length and CRC-32, little end first.
QByteArray Framed(const QByteArray& payload) {
  quint32 crc = 0xffffffffu;
  for (const char c : payload) {
    crc ^= static_cast<quint8>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  QByteArray out("SHRJ");
  for (const quint32 v : {static_cast<quint32>(payload.size()), ~crc})
    for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xff));
  return out + payload;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST_F(HistoryFileTest, WhatIsNotTheJournalsIsLeftAsItIsAndTheJournalGoesBeside) {
  const QString path = dir.filePath(QStringLiteral("history.sqlite.pending"));
  QByteArray laterBatch = HistoryJournal::Encode(Item(1, "x"));
  laterBatch[3] = 9;  // the format, a later program's
  const QByteArray later = QByteArray("\x89SHRJNL\n") + Framed(laterBatch) + QByteArray(12, '\0');
  const QString notes = dir.filePath(QStringLiteral("notes.txt"));
  for (const QString kind : {"text", "hard link", "later"}) {
    SCOPED_TRACE(qPrintable(kind));
    for (const QString& f :
         QDir(dir.path()).entryList({QStringLiteral("history*"), QStringLiteral("notes*")}))
      QFile::remove(dir.filePath(f));
    if (kind == QStringLiteral("hard link")) {
      WriteFile(notes, "月曜：音読\n");
      ASSERT_EQ(::link(QFile::encodeName(notes).constData(), QFile::encodeName(path).constData()), 0);
    } else {
      WriteFile(path, kind == QStringLiteral("later") ? later : QByteArray("月曜：音読\n"));
    }
    const QByteArray before = Bytes(path);
    HistoryJournal journal(path);
    ASSERT_TRUE(journal.Open());
    EXPECT_EQ(journal.path(), path + QStringLiteral(".1"));
    EXPECT_TRUE(journal.note().contains(path)) << qPrintable(journal.note());
    ASSERT_TRUE(journal.Append(Item(2)));
    ASSERT_TRUE(journal.Clear());
    journal.Close();
    EXPECT_EQ(Bytes(path), before);
  }
}

TEST_F(HistoryFileTest, AJournalFromBeforeIdsIsReadAndEachBatchIsKnownByItsBytes) {
  const QString path = dir.filePath(QStringLiteral("history.sqlite.pending"));
  // The old layout: no marks at the head, and a batch of format 1, without an id.
  const QByteArray batch = QByteArray("\0\0\0\1", 4) + HistoryJournal::Encode(Item(7)).mid(8);
  WriteFile(path, Framed(batch) + QByteArray(12, '\0'));
  QString id;
  for (int round = 0; round < 2; ++round) {
    HistoryJournal journal(path);
    ASSERT_TRUE(journal.Open());
    EXPECT_TRUE(journal.note().isEmpty());
    const QList<HistoryBatch> read = journal.ReadAll();
    ASSERT_EQ(Times(read), QList<qint64>{7});
    EXPECT_EQ(read[0].id.size(), 32);
    if (round == 1) {
      EXPECT_EQ(read[0].id, id);
    }
    id = read[0].id;
  }
}

TEST_F(HistoryFileTest, BatchesTheDatabaseTookBeforeACrashAreNotWrittenAgain) {
  const QString file = dir.filePath(QStringLiteral("history.sqlite"));
  const QString path = HistoryJournal::PathFor(file);
  {
    // The close wrote the journal's batches, and ended before emptying it.
    HistoryJournal journal(path);
    ASSERT_TRUE(journal.Open());
    ASSERT_TRUE(journal.Append(Item(1, "one")));
    ASSERT_TRUE(journal.Append(Item(2, "two")));
    auto store = SqliteHistoryStore::Open(file);
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->WriteAll(journal.ReadAll()));
  }
  TrainerHistory history(file);
  history.service.Start();
  history.service.Submit(Item(3));
  ASSERT_TRUE(WaitFor(
      [&] { return history.last.state == HistoryStatus::State::Open && history.last.waitingRows == 0; }));
  EXPECT_EQ(history.service.Stop(1500).unwrittenRows, 0);
  EXPECT_EQ(Count(file, "drill_items"), 3);
  auto store = SqliteHistoryStore::Open(file);
  ASSERT_TRUE(store);
  EXPECT_EQ(store->Read().keystrokes, 6);
  EXPECT_EQ(QFileInfo(path).size(), 0);
}

// With the check set, the database is opened at its first use, not at
// Start; a file the check finds at fault is opened (and told) at once.
TEST_F(HistoryFileTest, TheDatabaseWaitsForItsFirstUseUnlessTheFileLooksAtFault) {
  const QString file = dir.filePath(QStringLiteral("history.sqlite"));
  for (const bool looksUsable : {true, false}) {
    std::atomic<int> opened{0};
    QObject context;
    HistoryStatus last;
    HistoryService service(
        [&](const BusyWait& wait) {
          ++opened;
          return SqliteHistoryStore::OpenForTrainer(file, wait);
        },
        HistoryJournal::PathFor(file));
    service.SetListeners(&context, [&](const HistoryStatus& s) { last = s; }, {});
    service.OpenWhenFirstUsed([looksUsable] { return looksUsable; });
    service.Start();
    if (looksUsable) {
      QThread::msleep(100);
      QCoreApplication::processEvents();
      EXPECT_EQ(opened.load(), 0);
      EXPECT_EQ(last.state, HistoryStatus::State::Opening);
      service.Submit(Item(1));
    }
    ASSERT_TRUE(WaitFor([&] { return last.state == HistoryStatus::State::Open; }));
    EXPECT_EQ(opened.load(), 1);
    EXPECT_EQ(service.Stop(1500).unwrittenRows, 0);
  }
  EXPECT_EQ(Count(file, "drill_items"), 1);
}

TEST_F(HistoryFileTest, OnADiskWithAMegabyteFreeTheHistoryOpensAndRecords) {
  const QString disk = dir.filePath(QStringLiteral("small"));
  ASSERT_TRUE(QDir().mkpath(disk));
  if (::geteuid() != 0 ||
      QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=1100k", "tmpfs", disk}) != 0)
    GTEST_SKIP() << "a small file system needs mount";
  const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {disk}); });
  const QString file = disk + QStringLiteral("/history.sqlite");
  TrainerHistory history(file);
  const HistoryStatus& last = history.last;
  history.service.Start();
  history.service.Submit(Item(1));
  ASSERT_TRUE(WaitFor([&] { return last.state != HistoryStatus::State::Opening && last.waitingRows == 0; }))
      << qPrintable(last.reason);
  EXPECT_EQ(last.state, HistoryStatus::State::Open) << qPrintable(last.reason);
  EXPECT_EQ(history.service.Stop(1500).unwrittenRows, 0);
  EXPECT_EQ(Count(file, "drill_items"), 1);
}

}  // namespace
