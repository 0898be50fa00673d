#pragma once
// What the history's stores on Qt SQL share: how a text goes into the
// tables, and a query's rows as the history reader takes them.

#include <QAtomicInt>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "history/history_reader.h"

namespace shurencho {

// How long a writer of the SQLite file waits out another's lock before it gives up.
inline constexpr int kBusyTimeoutMs = 5000;

// The class's assignments as last read from the server, replaced whole at
// each read; the machine's own copy, so never sent back.
inline constexpr const char* kAssignmentsTable =
    "CREATE TABLE IF NOT EXISTS sync_assignments (id INTEGER NOT NULL, kind TEXT NOT NULL, "
    "course INTEGER NOT NULL, passes INTEGER NOT NULL, passage TEXT NOT NULL, until_ms INTEGER NOT NULL, "
    "set_ms INTEGER NOT NULL)";

// Tells a caller who asked (error may be null) why something failed; false,
// for the failing path to return.
inline bool SetError(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}

// A Qt SQL connection name no other connection has: "prefix-N".
inline QString NewConnectionName(const char* prefix) {
  static QAtomicInt serial;
  return QStringLiteral("%1-%2").arg(QLatin1String(prefix)).arg(serial.fetchAndAddRelaxed(1));
}

// Closes a connection and forgets its name.
inline void CloseConnection(const QString& name) {
  {
    QSqlDatabase db = QSqlDatabase::database(name, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

// A text column's value: the columns are NOT NULL and the drivers bind a
// null string as NULL, so it goes in as empty text.
inline QVariant SqlText(const QString& text) {
  return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

// A record's values in the order of its history_columns list.
inline QVariantList RecordValues(const DrillItemRecord& r) {
  return {QVariant(r.at),         QVariant(r.course),  SqlText(r.item),    QVariant(r.characters),
          QVariant(r.keystrokes), QVariant(r.refused), QVariant(r.seconds)};
}
inline QVariantList RecordValues(const TypingRunRecord& r) {
  return {QVariant(r.at),
          QVariant(r.course),
          SqlText(r.textName),
          QVariant(r.characters),
          QVariant(r.keystrokes),
          QVariant(r.refused),
          QVariant(r.seconds),
          QVariant(r.charsPerMinute),
          QVariant(r.keysPerMinute),
          QVariant(r.accuracy),
          SqlText(r.grade)};
}
inline QVariantList RecordValues(const KeyMissRecord& r) {
  return {QVariant(r.at),   QVariant(r.course), SqlText(r.unit),
          SqlText(r.typed), SqlText(r.key),     SqlText(r.expected)};
}
inline QVariantList RecordValues(const MouseRecord& r) {
  return {QVariant(r.at),    QVariant(static_cast<int>(r.game)),
          QVariant(r.stage), QVariant(r.misses),
          QVariant(r.moves), QVariant(r.seconds)};
}

// "INSERT INTO table (learner, columns[, sync_id]) VALUES (?, …)".
inline QString InsertSql(const char* table, const char* columns, bool syncId) {
  const qsizetype values = QByteArray(columns).count(',') + 2 + (syncId ? 1 : 0);
  return QStringLiteral("INSERT INTO %1 (learner, %2%3) VALUES (%4)")
      .arg(QLatin1String(table), QLatin1String(columns), syncId ? QStringLiteral(", sync_id") : QString(),
           QStringList(values, QStringLiteral("?")).join(QStringLiteral(", ")));
}

// The current row of a query, its columns counted from `first`.
class QueryRow final : public HistoryRow {
 public:
  explicit QueryRow(QSqlQuery& q, int first = 0) : m_q(q), m_first(first) {}
  qint64 Int64(int c) override { return m_q.value(m_first + c).toLongLong(); }
  int Int(int c) override { return m_q.value(m_first + c).toInt(); }
  double Double(int c) override { return m_q.value(m_first + c).toDouble(); }
  QString Text(int c) override { return m_q.value(m_first + c).toString(); }

 private:
  QSqlQuery& m_q;
  int m_first;
};

// SELECTs over one learner's rows, on one connection.
class LearnerQueryRows final : public HistoryRows {
 public:
  LearnerQueryRows(const QSqlDatabase& db, qint64 learner) : m_q(db), m_learner(learner) {
    m_q.setForwardOnly(true);
  }
  bool Select(const char* sql) override {
    m_q.prepare(QString::fromUtf8(sql));
    m_q.addBindValue(m_learner);
    return m_q.exec();
  }
  bool Next() override { return m_q.next(); }
  bool Done() override { return !m_q.lastError().isValid(); }
  qint64 Int64(int c) override { return m_q.value(c).toLongLong(); }
  int Int(int c) override { return m_q.value(c).toInt(); }
  double Double(int c) override { return m_q.value(c).toDouble(); }
  QString Text(int c) override { return m_q.value(c).toString(); }
  QSqlQuery& query() { return m_q; }

 private:
  QSqlQuery m_q;
  qint64 m_learner;
};

}  // namespace shurencho
