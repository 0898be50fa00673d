// The SQLite store on a real file under a temporary $XDG_DATA_HOME.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "adapters/sqlite_history_store.h"
#include "app/form1.h"
#include "history/deferred_history_store.h"
#include "history_fixture.h"
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
  ASSERT_TRUE(store->Write(HistoryBatch{{}, {}, {Miss("き", "l", "k")}, {}}));
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
  const TypingRunRecord& r = h.runs[1];
  EXPECT_EQ(std::tuple(r.at, r.textName, r.characters, r.keystrokes, r.refused, r.seconds, r.charsPerMinute,
                       r.keysPerMinute, r.accuracy, r.grade),
            std::tuple(HistoryTime(7), QStringLiteral("poem.txt"), 40, 50, 3, 61.0, 39, 49, 0.94,
                       QStringLiteral("○")));
  ASSERT_EQ(h.mouse.size(), 1);
  EXPECT_EQ(std::tuple(h.mouse[0].game, h.mouse[0].moves, h.mouse[0].seconds),
            std::tuple(MouseGame::Puzzle, 31, 95.5));
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

TEST(DeferredHistoryStoreTest, OpensAtTheFirstUseAndOnlyOnce) {
  int opens = 0;
  MemoryStore* memory = nullptr;
  DeferredHistoryStore store(
      [&](QString*) {
        ++opens;
        auto made = std::make_unique<MemoryStore>();
        memory = made.get();
        return made;
      },
      [](const QString&) { ADD_FAILURE() << "no failure expected"; });
  EXPECT_EQ(opens, 0);
  EXPECT_TRUE(store.Write(HistoryBatch{}));
  EXPECT_EQ(store.LearnerName(), QStringLiteral("taro"));
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(memory->written.size(), 1);
}

TEST(DeferredHistoryStoreTest, AStoreThatCannotOpenFailsEveryCallWithTheReasonAndSaysSoOnce) {
  QStringList told;
  DeferredHistoryStore store(
      [](QString* error) {
        *error = QStringLiteral("壊れています");
        return std::unique_ptr<HistoryStore>();
      },
      [&](const QString& reason) { told << reason; });
  QString first, second;
  EXPECT_FALSE(store.Write(HistoryBatch{}, &first));
  EXPECT_TRUE(store.WeakestUnits(3, &second).isEmpty());
  EXPECT_EQ(std::tuple(first, second),
            std::tuple(QStringLiteral("壊れています"), QStringLiteral("壊れています")));
  EXPECT_EQ(told, QStringList{QStringLiteral("壊れています")});
}

// The shell with the history it could not open: one box naming the file and
// the reason, and the trainer goes on with its settings file as ever.
class HistoryOffTest : public HistoryStoreTest {
 protected:
  void ExpectOneBoxAndTheTrainerGoesOn(const QString& file) {
    FakePlatform platform;
    AppSettings settings = SettingsForShippedData();
    const QString ini = dir.filePath(QStringLiteral("shurencho.ini"));
    TForm1 form(settings, ShippedPracticeData(), platform, ini);
    form.FormCreate();
    form.FormShow();
    QString reason;  // start-up checks the file; SQLite loads at the first record
    ASSERT_FALSE(SqliteHistoryStore::Check(file, &reason));
    EXPECT_FALSE(reason.isEmpty());
    form.HistoryOpened(nullptr, file, reason);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].kind, FakePlatform::Box::Warning);
    EXPECT_EQ(platform.boxes[0].text, HistoryOffMessage(file, reason));
    EXPECT_EQ(form.historyStore(), nullptr);

    for (const QChar c : QStringLiteral("kakikukeko")) {
      if (form.drill().Edit2Key(c.toUpper().unicode(), 0, c))
        form.drill().Edit2.setText(form.drill().Edit2.text() + c);
    }
    form.FormClose();
    EXPECT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(form.history().waiting(), 0);
    EXPECT_TRUE(QFile::exists(ini));
  }
};

TEST_F(HistoryOffTest, ADamagedFile) {
  QDir().mkpath(QFileInfo(path()).absolutePath());
  QFile file(path());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(8192, '\x5a'));
  file.close();
  ExpectOneBoxAndTheTrainerGoesOn(path());
  EXPECT_EQ(QFileInfo(path()).size(), 8192);  // left as it was
}

TEST_F(HistoryOffTest, AFolderThatCannotBeMade) {
  QFile blocker(dir.filePath(QStringLiteral("shurencho")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
  blocker.close();
  ExpectOneBoxAndTheTrainerGoesOn(path());
}

TEST_F(HistoryOffTest, AReadOnlyFolder) {
  if (::getuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const QString locked = dir.filePath(QStringLiteral("locked"));
  ASSERT_TRUE(QDir().mkpath(locked));
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
  ExpectOneBoxAndTheTrainerGoesOn(locked + QStringLiteral("/history.sqlite"));
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace
