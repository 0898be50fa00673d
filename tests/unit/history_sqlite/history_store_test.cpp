// The SQLite store on a real file under a temporary $XDG_DATA_HOME.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "app/form1.h"
#include "history/history_journal.h"
#include "history/history_schema.h"
#include "history/history_service.h"
#include "history_fixture.h"
#include "history_sqlite/sqlite_history_store.h"
#include "report/records_summary.h"
#include "support/fake_platform.h"
#include "support/shipped_data.h"

using namespace shurencho;

namespace {

class HistoryStoreTest : public HistoryFileTest {
 protected:
  QString path() const { return SqliteHistoryStore::DefaultPath(); }

  static KeyMissRecord Miss(const char* unit, const char* key, const char* expected) {
    return KeyMissRecord{
        1, 4, QString::fromUtf8(unit), QString(), QString::fromUtf8(key), QString::fromUtf8(expected)};
  }
};

TEST_F(HistoryStoreTest, RanksTheWeakestUnitsWithTheirWrongKeysAndKeepsEverythingAcrossOpens) {
  EXPECT_TRUE(path().startsWith(dir.path() + QStringLiteral("/shurencho/")));
  auto store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->LearnerName(), SqliteHistoryStore::LoginName());
  HistoryBatch batch;
  batch.misses = {Miss("しゃ", "a", "h"), Miss("つ", "s", "u"),  Miss("しゃ", "a", "h"),
                  Miss("き", "j", "k"),   Miss("しゃ", "u", ""), Miss("つ", "a", "u")};
  batch.items = {DrillItemRecord{5, 4, QStringLiteral("汽車"), 3, 9, 2, 4.5}};
  batch.runs = {
      TypingRunRecord{7, 0, QStringLiteral("poem.txt"), 40, 50, 3, 61, 39, 49, 0.94, QStringLiteral("○")},
      TypingRunRecord{6, 4, QString(), 5, 10, 1, 39, 7, 15, 0.9, QString()}};
  batch.mouse = {MouseRecord{8, MouseGame::Puzzle, 0, 0, 31, 95.5}};
  ASSERT_TRUE(store->Write(batch));
  ASSERT_TRUE(store->Write(HistoryBatch{{}, {}, {Miss("き", "l", "k")}, {}, {}}));
  ASSERT_TRUE(store->SetLearnerName(QStringLiteral("山田")));
  store.reset();

  store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  const LearnerHistory h = store->Read(2);
  EXPECT_EQ(h.learner, QStringLiteral("山田"));
  ASSERT_EQ(h.weakest.size(), 2);
  EXPECT_EQ(h.weakest[0].unit, QStringLiteral("しゃ"));
  EXPECT_EQ(h.weakest[0].misses, 3);
  using Counts = QList<QPair<QString, int>>;
  EXPECT_EQ(h.weakest[0].wrongKeys, (Counts{{"a", 2}, {"u", 1}}));
  // き and つ have two each: ties go by the unit's text.
  EXPECT_EQ(h.weakest[1].unit, QStringLiteral("き"));
  EXPECT_EQ(h.weakest[1].wrongKeys, (Counts{{"j", 1}, {"l", 1}}));
  EXPECT_EQ(store->WeakestUnits(1), QStringList{QStringLiteral("しゃ")});
  EXPECT_EQ(h.missesByExpectedKey, (Counts{{"h", 2}, {"k", 2}, {"u", 2}}));
  EXPECT_EQ(h.missesByPressedKey, (Counts{{"a", 3}, {"j", 1}, {"l", 1}, {"s", 1}, {"u", 1}}));
  EXPECT_EQ(h.keystrokes, 9);
  ASSERT_EQ(h.runs.size(), 2);
  EXPECT_EQ(h.runs[0].course, 4);  // oldest first
  // A run written before runs carried a mark reads as 計測なし: never a best.
  EXPECT_EQ(SummarizeSpeeds(h.runs).at(3).ungraded, 1);
  EXPECT_EQ(SummarizeSpeeds(h.runs).at(3).best, 0);
  const TypingRunRecord& r = h.runs[1];
  EXPECT_EQ(std::tuple(r.at, r.textName, r.characters, r.keystrokes, r.refused, r.seconds, r.charsPerMinute,
                       r.keysPerMinute, r.accuracy, r.grade),
            std::tuple(HistoryTime(7), QStringLiteral("poem.txt"), 40, 50, 3, 61.0, 39, 49, 0.94,
                       QStringLiteral("○")));
  ASSERT_EQ(h.mouse.size(), 1);
  EXPECT_EQ(std::tuple(h.mouse[0].game, h.mouse[0].moves, h.mouse[0].seconds),
            std::tuple(MouseGame::Puzzle, 31, 95.5));
}

// A record with no text in a text column is kept with empty text, not
// refused with the rest of its batch.
TEST_F(HistoryStoreTest, ARecordWithoutTextIsWrittenWithItsBatch) {
  auto store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  HistoryBatch batch;
  batch.items = {DrillItemRecord{5, 1, QString(), 3, 9, 0, 4.5}};
  QString error;
  EXPECT_TRUE(store->Write(batch, &error)) << qPrintable(error);
  EXPECT_EQ(store->Read().keystrokes, 9);
}

TEST_F(HistoryStoreTest, AFileFromANewerProgramIsLeftAlone) {
  ASSERT_TRUE(SqliteHistoryStore::Open(path()));
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
    db.setDatabaseName(path());
    ASSERT_TRUE(db.open());
    QSqlQuery(db).exec(QStringLiteral("PRAGMA user_version = 99"));
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("newer"));
  QString reason;
  EXPECT_FALSE(SqliteHistoryStore::Check(path(), &reason));
  EXPECT_TRUE(reason.contains(QStringLiteral("新しい版"))) << qPrintable(reason);
}

TEST_F(HistoryStoreTest, AFileFromBeforeTheYearGainsItsColumnAndTheYearStaysAcrossOpensAndRenames) {
  // A file as the program before the year made it: the first version's tables only.
  QDir().mkpath(QFileInfo(path()).path());
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
    db.setDatabaseName(path());
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    for (const QString& sql : history_schema::Step(1)) ASSERT_TRUE(q.exec(sql)) << qPrintable(sql);
    ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA user_version = 1")));
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("older"));
  {
    auto store = SqliteHistoryStore::Open(path());
    ASSERT_TRUE(store);
    EXPECT_EQ(store->LearnerYear(), QString());
    ASSERT_TRUE(store->SetLearnerYear(QStringLiteral("小3")));
    // An older program still adds a learner the way it always did.
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
    db.setDatabaseName(path());
    ASSERT_TRUE(db.open());
    EXPECT_TRUE(QSqlQuery(db).exec(
        QStringLiteral("INSERT INTO learners (id, name, machine) VALUES (99, '花子', '%1')")
            .arg(store->machine())));
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("older"));
  auto store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->LearnerYear(), QStringLiteral("小3"));
  EXPECT_EQ(store->Read().schoolYear, QStringLiteral("小3"));
  // A misspelt name fixed onto a learner with no year of their own keeps the year.
  ASSERT_TRUE(store->SetLearnerName(QStringLiteral("花子")));
  store.reset();
  store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->LearnerName(), QStringLiteral("花子"));
  EXPECT_EQ(store->LearnerYear(), QStringLiteral("小3"));
}

TEST_F(HistoryStoreTest, ANameStoredBeforeTheLimitIsShownCutAndKeptWholeInTheFile) {
  const QString whole = QString(300, QChar(0x3042));
  ASSERT_TRUE(SqliteHistoryStore::Open(path()));
  const auto stored = [&](const QString& sql) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("names"));
    db.setDatabaseName(path());
    QString name;
    if (db.open()) {
      QSqlQuery q(db);
      q.prepare(sql);
      if (sql.startsWith(QStringLiteral("UPDATE"))) q.addBindValue(whole);
      if (q.exec() && q.next()) name = q.value(0).toString();
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("names"));
    return name;
  };
  stored(QStringLiteral("UPDATE learners SET name = ?"));
  auto store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->LearnerName(), whole.left(64));
  EXPECT_TRUE(store->Read().learnerCut);
  EXPECT_EQ(stored(QStringLiteral("SELECT name FROM learners")), whole);
}

TEST_F(HistoryStoreTest, ALinkToNothingIsNamedAsSuchAndNothingIsMadeWhereItPoints) {
  const QString target = dir.filePath(QStringLiteral("gone/history.sqlite"));
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).absolutePath()));
  ASSERT_TRUE(QFile::link(target, path()));
  QString reason;
  EXPECT_FALSE(SqliteHistoryStore::Check(path(), &reason));
  EXPECT_TRUE(reason.contains(QStringLiteral("リンク先"))) << qPrintable(reason);
  EXPECT_FALSE(QFileInfo::exists(target));
}

// The shell with a history it cannot use: no box, the fault is only
// reported (the window tells it beside itself), the practice goes on, and
// the close says what could not be written.
class HistoryOffTest : public HistoryStoreTest {
 protected:
  void ExpectNoBoxAndTheTrainerGoesOn(const QString& file) {
    FakePlatform platform;
    AppSettings settings = SettingsForShippedData();
    const QString ini = dir.filePath(QStringLiteral("shurencho.ini"));
    TForm1 form(settings, ShippedPracticeData(), platform, ini);
    HistoryService service(
        [file](const BusyWait& wait) { return SqliteHistoryStore::OpenForTrainer(file, wait); },
        HistoryJournal::PathFor(file));
    HistoryStatus last;
    QObject context;
    service.SetListeners(&context, [&](const HistoryStatus& s) { last = s; }, {});
    form.AttachHistory(&service.front());
    form.FormCreate();
    form.FormShow();
    service.Start();
    const QDeadlineTimer deadline(30000);
    while (last.reason.isEmpty() && !deadline.hasExpired())
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_FALSE(last.reason.isEmpty());

    for (const QChar c : QStringLiteral("kakikukeko")) {
      if (form.drill().Edit2Key(c.toUpper().unicode(), 0, c))
        form.drill().Edit2.setText(form.drill().Edit2.text() + c);
    }
    form.history().MouseStage(MouseGame::Maze, 1, 0, 0, 5.0);
    form.FormClose();
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_GT(service.Stop(1500).unwrittenRows, 0);
    EXPECT_TRUE(QFile::exists(ini));
  }
};

TEST_F(HistoryOffTest, ADamagedFile) {
  QDir().mkpath(QFileInfo(path()).absolutePath());
  QFile file(path());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(8192, '\x5a'));
  file.close();
  ExpectNoBoxAndTheTrainerGoesOn(path());
  EXPECT_EQ(QFileInfo(path()).size(), 8192);  // left as it was
}

TEST_F(HistoryOffTest, AFolderThatCannotBeMade) {
  QFile blocker(dir.filePath(QStringLiteral("shurencho")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
  blocker.close();
  ExpectNoBoxAndTheTrainerGoesOn(path());
}

TEST_F(HistoryOffTest, AReadOnlyFolder) {
  if (::getuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const QString locked = dir.filePath(QStringLiteral("locked"));
  ASSERT_TRUE(QDir().mkpath(locked));
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
  ExpectNoBoxAndTheTrainerGoesOn(locked + QStringLiteral("/history.sqlite"));
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace
