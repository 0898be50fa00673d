// The class server's tables against the schema every history file is made
// with: a column added to one and not the other fails here, before any
// server is started.
#include "history/history_schema.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <algorithm>

using namespace shurencho;

namespace {

// table -> column -> its definition as written, upper case.
using Tables = QHash<QString, QHash<QString, QString>>;

Tables ServerTables() {
  QFile f(QStringLiteral(SHURENCHO_TESTS_DIR "/../packaging/class_server.sql"));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly));
  const QString sql = QString::fromUtf8(f.readAll());
  Tables tables;
  static const QRegularExpression table(QStringLiteral(R"(CREATE TABLE IF NOT EXISTS (\w+) \((.*?)\);)"),
                                        QRegularExpression::DotMatchesEverythingOption);
  for (const auto& m : table.globalMatch(sql)) {
    // A column is "name TYPE …"; a constraint's comma-separated list sits in parentheses.
    const QString body = m.captured(2).remove(QRegularExpression(QStringLiteral(R"(\([^)]*\))")));
    for (const QString& part : body.split(QLatin1Char(','))) {
      const QString column = part.simplified();
      const qsizetype space = column.indexOf(QLatin1Char(' '));
      if (space > 0) tables[m.captured(1)][column.left(space)] = column.mid(space + 1).toUpper();
    }
  }
  return tables;
}

}  // namespace

TEST(HistorySchemaTest, ServerTablesHoldEveryLocalColumnWithItsType) {
  const Tables server = ServerTables();
  ASSERT_TRUE(server.contains(QStringLiteral("typing_runs")));
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("schema"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    ASSERT_TRUE(db.open());
    QSqlQuery q(db);
    for (int to = 1; to <= history_schema::kVersion; ++to) {
      for (const QString& sql : history_schema::Step(to)) ASSERT_TRUE(q.exec(sql)) << qPrintable(sql);
    }
    // Times and counts may be wider on the server; fractions are doubles there.
    const QHash<QString, QStringList> compatible = {
        {QStringLiteral("INTEGER"), {QStringLiteral("INTEGER"), QStringLiteral("BIGINT")}},
        {QStringLiteral("REAL"), {QStringLiteral("DOUBLE PRECISION")}},
        {QStringLiteral("TEXT"), {QStringLiteral("TEXT")}}};
    for (const QString& table : db.tables()) {
      ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
      while (q.next()) {
        const QString column = q.value(1).toString();
        const QString def = server.value(table).value(column);
        SCOPED_TRACE(qPrintable(table + QLatin1Char('.') + column));
        ASSERT_FALSE(def.isEmpty());
        const QStringList types = compatible.value(q.value(2).toString().toUpper());
        EXPECT_TRUE(std::any_of(types.begin(), types.end(), [&](const QString& t) {
          return def.startsWith(t);
        })) << qPrintable(def);
        EXPECT_EQ(def.contains(QStringLiteral("NOT NULL")), q.value(3).toBool()) << qPrintable(def);
      }
    }
  }
  QSqlDatabase::removeDatabase(QStringLiteral("schema"));
}
