// Two copies of the program writing one history at once, and a copy killed
// in the middle of its writes: no row is lost, no batch is left half written.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>

#include "history_fixture.h"
#include "history_sqlite/sqlite_history_store.h"

using namespace shurencho;

namespace {

class HistoryProcessesTest : public HistoryFileTest {
 protected:
  QString path() const { return dir.filePath(QStringLiteral("history.sqlite")); }

  void StartWriter(QProcess& p, int batches, const char* tag) {
    p.start(QStringLiteral(HISTORY_WRITER), {path(), QString::number(batches), QString::fromLatin1(tag)});
    ASSERT_TRUE(p.waitForStarted());
  }
  // Count of a query's single number, on a connection of the test's own.
  qint64 Number(const QString& sql) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
    db.setDatabaseName(path());
    qint64 n = -1;
    if (db.open()) {
      QSqlQuery q(db);
      if (q.exec(sql) && q.next()) n = q.value(0).toLongLong();
      if (q.lastError().isValid()) ADD_FAILURE() << qPrintable(q.lastError().text());
    }
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return n;
  }
};

TEST_F(HistoryProcessesTest, TwoCopiesWritingAtOnceLoseNoRow) {
  ASSERT_TRUE(SqliteHistoryStore::Open(path()));
  QProcess a;
  QProcess b;
  StartWriter(a, 150, "a");
  StartWriter(b, 150, "b");
  ASSERT_TRUE(a.waitForFinished(60000));
  ASSERT_TRUE(b.waitForFinished(60000));
  EXPECT_EQ(a.exitCode(), 0) << a.readAllStandardError().constData();
  EXPECT_EQ(b.exitCode(), 0) << b.readAllStandardError().constData();
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) FROM drill_items")), 300);
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) FROM key_misses")), 1500);
  auto store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  const LearnerHistory h = store->Read(1);
  ASSERT_EQ(h.weakest.size(), 1);
  EXPECT_EQ(h.weakest[0].misses, 1500);
  EXPECT_EQ(h.keystrokes, 300);
}

TEST_F(HistoryProcessesTest, AKillMidWriteLeavesAReadableFileOfWholeBatches) {
  for (int round = 0; round < 6; ++round) {
    QProcess p;
    StartWriter(p, -1, "k");
    ASSERT_TRUE(p.waitForReadyRead(10000));  // open
    QThread::msleep(20 + QRandomGenerator::global()->bounded(200));
    p.kill();
    p.waitForFinished();
  }
  EXPECT_EQ(
      Number(QStringLiteral("SELECT COUNT(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'")), 0);
  const qint64 items = Number(QStringLiteral("SELECT COUNT(*) FROM drill_items"));
  EXPECT_GT(items, 0);
  // Five misses to an item, and the tallies in step with the rows.
  EXPECT_EQ(Number(QStringLiteral("SELECT COUNT(*) FROM key_misses")), 5 * items);
  EXPECT_EQ(Number(QStringLiteral("SELECT SUM(misses) FROM miss_tally")), 5 * items);
  EXPECT_EQ(Number(QStringLiteral("SELECT SUM(keystrokes) FROM key_tally")), items);
  auto store = SqliteHistoryStore::Open(path());
  ASSERT_TRUE(store);
  EXPECT_EQ(store->Read().keystrokes, items);
}

}  // namespace
