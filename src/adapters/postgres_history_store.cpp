#include "adapters/postgres_history_store.h"

#include <QAtomicInt>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <algorithm>

#include "history/history_schema.h"

namespace shurencho {

namespace {

// How long a connection attempt waits for an unreachable server.
constexpr int kConnectTimeoutSeconds = 5;

bool SetError(QString* error, const QString& text) {
  if (error) *error = text;
  return false;
}
bool Fail(QString* error, const QSqlError& e) {
  return SetError(error, QStringLiteral("クラスのサーバー: ") + e.text().trimmed());
}

QString Decoded(const QString& part) { return QUrl::fromPercentEncoding(part.toUtf8()); }

// A connection of its own, on the calling thread; the schema's version is
// checked before anything else is read or written.
QString Connect(const QString& serverText, QString* error) {
  ServerAddress address;
  if (!ParseServerText(serverText, &address, error)) return QString();
  static QAtomicInt serial;
  const QString name = QStringLiteral("shurencho-server-%1").arg(serial.fetchAndAddRelaxed(1));
  bool ok = false;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    if (!db.isValid()) {
      SetError(error, QStringLiteral("PostgreSQL のドライバーがありません（libqt6sql6-psql）。"));
    } else {
      db.setHostName(address.host);
      if (address.port > 0) db.setPort(address.port);
      db.setDatabaseName(address.database);
      db.setUserName(address.user);
      db.setConnectOptions(
          QStringLiteral("connect_timeout=%1;application_name=shurencho").arg(kConnectTimeoutSeconds));
      if (!db.open()) {
        Fail(error, db.lastError());
      } else {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next()) {
          SetError(
              error,
              QStringLiteral(
                  "クラスのサーバーに学習履歴の表がありません（class_server.sql を実行してください）: ") +
                  q.lastError().text().trimmed());
        } else if (q.value(0).toInt() > history_schema::kVersion) {
          SetError(error, QStringLiteral("クラスのサーバーは新しい版の打鍵修練帖の形式です。"));
        } else if (q.value(0).toInt() < history_schema::kVersion) {
          SetError(error, QStringLiteral("クラスのサーバーの表が古い版のままです。先生が更新してください。"));
        } else {
          ok = true;
        }
      }
    }
  }
  if (!ok) {
    QSqlDatabase::removeDatabase(name);
    return QString();
  }
  return name;
}

void Disconnect(const QString& name) {
  {
    QSqlDatabase db = QSqlDatabase::database(name, false);
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

// The text columns are NOT NULL, and the driver sends a null string as NULL.
QVariant Text(const QString& text) { return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text); }

QString SyncId(const QString& origin, qint64 localId) {
  return origin + QLatin1Char('/') + QString::number(localId);
}

}  // namespace

bool ParseServerText(const QString& text, ServerAddress* address, QString* error) {
  const QString t = text.trimmed();
  const QString bad = QStringLiteral("クラスのサーバーの指定が読めません: ");
  QString rest;
  for (const QString& scheme : {QStringLiteral("postgresql://"), QStringLiteral("postgres://")}) {
    if (t.startsWith(scheme, Qt::CaseInsensitive)) rest = t.mid(scheme.size());
  }
  if (rest.isNull()) return SetError(error, bad + t);
  *address = ServerAddress{};
  QString query;
  if (const qsizetype at = rest.indexOf(QLatin1Char('?')); at >= 0) {
    query = rest.mid(at + 1);
    rest.truncate(at);
  }
  if (const qsizetype at = rest.indexOf(QLatin1Char('/')); at >= 0) {
    address->database = Decoded(rest.mid(at + 1));
    rest.truncate(at);
  }
  if (const qsizetype at = rest.lastIndexOf(QLatin1Char('@')); at >= 0) {
    const QString user = rest.left(at);
    rest = rest.mid(at + 1);
    if (user.contains(QLatin1Char(':'))) {
      return SetError(
          error,
          QStringLiteral("パスワードは設定ファイルに書かないでください（~/.pgpass か PGPASSWORD に）。"));
    }
    address->user = Decoded(user);
  }
  QString port;
  if (rest.startsWith(QLatin1Char('['))) {  // [::1]:5432
    const qsizetype close = rest.indexOf(QLatin1Char(']'));
    if (close < 0) return SetError(error, bad + t);
    address->host = rest.mid(1, close - 1);
    if (rest.mid(close + 1).startsWith(QLatin1Char(':'))) port = rest.mid(close + 2);
  } else if (const qsizetype colon = rest.indexOf(QLatin1Char(':')); colon >= 0) {
    address->host = Decoded(rest.left(colon));
    port = rest.mid(colon + 1);
  } else {
    address->host = Decoded(rest);
  }
  const QUrlQuery params(query);
  for (const auto& [key, value] : params.queryItems(QUrl::FullyDecoded)) {
    if (key == QStringLiteral("host")) {
      address->host = value;
    } else if (key == QStringLiteral("port")) {
      port = value;
    } else if (key == QStringLiteral("user")) {
      address->user = value;
    } else if (key == QStringLiteral("dbname")) {
      address->database = value;
    } else if (key == QStringLiteral("password")) {
      return SetError(
          error,
          QStringLiteral("パスワードは設定ファイルに書かないでください（~/.pgpass か PGPASSWORD に）。"));
    }
  }
  if (!port.isEmpty()) {
    bool ok = false;
    address->port = port.toInt(&ok);
    if (!ok || address->port <= 0 || address->port > 65535) return SetError(error, bad + t);
  }
  if (address->database.isEmpty()) address->database = QStringLiteral("shurencho");
  return true;
}

// ---- Sending ----

namespace {

// Prepares one insert and runs it for each row with the values the row gives.
template <typename Rows, typename Values>
bool InsertEach(QSqlQuery& q, const QString& sql, const Rows& rows, Values values, QSqlError* failed) {
  if (rows.isEmpty()) return true;
  q.prepare(sql);
  for (const auto& row : rows) {
    for (const QVariant& v : values(row)) q.addBindValue(v);
    if (!q.exec()) {
      *failed = q.lastError();
      return false;
    }
  }
  return true;
}

}  // namespace

std::unique_ptr<PostgresSyncSender> PostgresSyncSender::Open(const QString& serverText, QString* error) {
  const QString name = Connect(serverText, error);
  if (name.isEmpty()) return nullptr;
  return std::unique_ptr<PostgresSyncSender>(new PostgresSyncSender(name));
}

PostgresSyncSender::~PostgresSyncSender() { Disconnect(m_connection); }

bool PostgresSyncSender::Send(const SyncBatch& batch, QString* error) {
  if (batch.empty()) return true;
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  QSqlError failed;
  QHash<QString, qint64> made;  // learners first seen in this transaction
  const auto body = [&]() -> bool {
    QHash<qint64, qint64> ids;  // local learner -> the server's
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT shurencho_learner_id(?, ?)"));
    for (auto it = batch.learners.cbegin(); it != batch.learners.cend(); ++it) {
      const QString key = it->first + QChar(0) + it->second;
      if (const auto known = m_learnerIds.constFind(key); known != m_learnerIds.constEnd()) {
        ids.insert(it.key(), *known);
        continue;
      }
      q.addBindValue(it->first);
      q.addBindValue(it->second);
      if (!q.exec() || !q.next()) return failed = q.lastError(), false;
      ids.insert(it.key(), q.value(0).toLongLong());
      made.insert(key, q.value(0).toLongLong());
    }
    // Rows the server already holds (sent before a crash) are left as they are.
    const auto learner = [&](const auto& row) { return QVariant(ids.value(row.learner)); };
    const auto syncId = [&](const auto& row) { return QVariant(SyncId(batch.origin, row.localId)); };
    return InsertEach(
               q,
               QStringLiteral(
                   "INSERT INTO drill_items (learner, at_ms, course, item, characters, keystrokes, "
                   "refused, seconds, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
                   "ON CONFLICT DO NOTHING"),
               batch.items,
               [&](const auto& row) {
                 const DrillItemRecord& r = row.record;
                 return QVariantList{learner(row),        QVariant(r.at),         QVariant(r.course),
                                     Text(r.item),        QVariant(r.characters), QVariant(r.keystrokes),
                                     QVariant(r.refused), QVariant(r.seconds),    syncId(row)};
               },
               &failed) &&
           InsertEach(
               q,
               QStringLiteral("INSERT INTO typing_runs (learner, at_ms, course, text_name, characters, "
                              "keystrokes, refused, seconds, chars_per_minute, keys_per_minute, accuracy, "
                              "grade, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                              "ON CONFLICT DO NOTHING"),
               batch.runs,
               [&](const auto& row) {
                 const TypingRunRecord& r = row.record;
                 return QVariantList{learner(row),
                                     QVariant(r.at),
                                     QVariant(r.course),
                                     Text(r.textName),
                                     QVariant(r.characters),
                                     QVariant(r.keystrokes),
                                     QVariant(r.refused),
                                     QVariant(r.seconds),
                                     QVariant(r.charsPerMinute),
                                     QVariant(r.keysPerMinute),
                                     QVariant(r.accuracy),
                                     Text(r.grade),
                                     syncId(row)};
               },
               &failed) &&
           InsertEach(
               q,
               QStringLiteral("INSERT INTO key_misses (learner, at_ms, course, unit, typed, pressed, "
                              "expected, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"),
               batch.misses,
               [&](const auto& row) {
                 const KeyMissRecord& r = row.record;
                 return QVariantList{learner(row),  QVariant(r.at), QVariant(r.course), Text(r.unit),
                                     Text(r.typed), Text(r.key),    Text(r.expected),   syncId(row)};
               },
               &failed) &&
           InsertEach(
               q,
               QStringLiteral("INSERT INTO mouse_stages (learner, at_ms, game, stage, misses, moves, "
                              "seconds, sync_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"),
               batch.mouse,
               [&](const auto& row) {
                 const MouseRecord& r = row.record;
                 return QVariantList{
                     learner(row),        QVariant(r.at),     QVariant(static_cast<int>(r.game)),
                     QVariant(r.stage),   QVariant(r.misses), QVariant(r.moves),
                     QVariant(r.seconds), syncId(row)};
               },
               &failed);
  };
  if (!db.transaction()) return Fail(error, db.lastError());
  if (!body()) {
    db.rollback();
    return Fail(error, failed);
  }
  if (!db.commit()) {
    const QSqlError e = db.lastError();
    db.rollback();
    return Fail(error, e);
  }
  m_learnerIds.insert(made);
  return true;
}

// ---- Reading ----

bool ReadClassFromServer(const QString& serverText, ClassOnServer* out, QString* error) {
  const QString name = Connect(serverText, error);
  if (name.isEmpty()) return false;
  *out = ClassOnServer{};
  bool ok = [&] {
    QSqlDatabase db = QSqlDatabase::database(name, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // One snapshot for every figure.
    if (!db.transaction()) return Fail(error, db.lastError());
    const auto fail = [&] {
      const QSqlError e = q.lastError();
      q.finish();
      db.rollback();
      return Fail(error, e);
    };
    if (!q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")) ||
        !q.exec(QStringLiteral("SELECT id, name, machine FROM learners ORDER BY id"))) {
      return fail();
    }
    QHash<qint64, qsizetype> at;
    QHash<QString, int> nameCount;
    while (q.next()) {
      ServerLearner l{q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString(), {}};
      ++nameCount[l.name];
      at.insert(l.id, out->learners.size());
      out->learners.append(l);
      ClassRow row;
      row.courses = SummarizeSpeeds({});
      row.mouse = SummarizeMouse({});
      out->rows.append(row);
    }
    for (qsizetype i = 0; i < out->learners.size(); ++i) {
      ServerLearner& l = out->learners[i];
      l.shown = nameCount.value(l.name) > 1 ? QStringLiteral("%1（%2）").arg(l.name, l.machine) : l.name;
      out->rows[i].learner = l.shown;
    }
    const auto courseIndex = [](int course) -> qsizetype {
      const auto it = std::find(kShownCourses.begin(), kShownCourses.end(), course);
      return it == kShownCourses.end() ? -1 : it - kShownCourses.begin();
    };
    // Per learner and course: the best, the count, the keys and the newest
    // run, as the server keeps them with every run added.
    QHash<qint64, QPair<qint64, qint64>> keys;  // learner -> judged, refused
    if (!q.exec(QStringLiteral("SELECT learner, course, best, runs, keystrokes, refused, latest_at, latest "
                               "FROM course_tally"))) {
      return fail();
    }
    while (q.next()) {
      const auto row = at.constFind(q.value(0).toLongLong());
      const qsizetype c = courseIndex(q.value(1).toInt());
      if (row == at.constEnd()) continue;
      ClassRow& r = out->rows[*row];
      const qint64 judged = q.value(4).toLongLong(), refused = q.value(5).toLongLong();
      r.runs += q.value(3).toInt();
      r.latestAt = std::max(r.latestAt, q.value(6).toLongLong());
      keys[q.value(0).toLongLong()].first += judged;
      keys[q.value(0).toLongLong()].second += refused;
      if (c < 0) continue;
      CourseSpeeds& s = r.courses[c];
      s.best = q.value(2).toInt();
      s.runs = q.value(3).toInt();
      s.latestAt = q.value(6).toLongLong();
      s.latest = q.value(7).toInt();
      if (judged > 0) s.accuracy = 1.0 - double(refused) / double(judged);
    }
    for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
      if (it->first > 0)
        out->rows[at.value(it.key())].accuracy = 1.0 - double(it->second) / double(it->first);
    }
    if (!q.exec(QStringLiteral("SELECT learner, game, MAX(stage), COUNT(*), MAX(at_ms) FROM mouse_stages "
                               "GROUP BY learner, game"))) {
      return fail();
    }
    while (q.next()) {
      const auto row = at.constFind(q.value(0).toLongLong());
      if (row == at.constEnd()) continue;
      ClassRow& r = out->rows[*row];
      r.latestAt = std::max(r.latestAt, q.value(4).toLongLong());
      for (MouseProgress& g : r.mouse) {
        if (static_cast<int>(g.game) != q.value(1).toInt()) continue;
        g.bestStage = q.value(2).toInt();
        g.plays = q.value(3).toInt();
      }
    }
    if (!q.exec(
            QStringLiteral("SELECT learner, unit, SUM(misses) AS n FROM miss_tally GROUP BY learner, unit "
                           "ORDER BY learner, n DESC, unit"))) {
      return fail();
    }
    while (q.next()) {
      const auto row = at.constFind(q.value(0).toLongLong());
      if (row == at.constEnd()) continue;
      QList<UnitWeakness>& weakest = out->rows[*row].weakest;
      if (weakest.size() < 10) weakest.append(UnitWeakness{q.value(1).toString(), q.value(2).toInt(), {}});
    }
    q.finish();
    db.commit();
    return true;
  }();
  Disconnect(name);
  if (!ok) *out = ClassOnServer{};
  return ok;
}

std::unique_ptr<PostgresHistoryStore> PostgresHistoryStore::Open(const QString& serverText,
                                                                 const ServerLearner& learner,
                                                                 QString* error) {
  const QString name = Connect(serverText, error);
  if (name.isEmpty()) return nullptr;
  return std::unique_ptr<PostgresHistoryStore>(new PostgresHistoryStore(name, learner));
}

PostgresHistoryStore::~PostgresHistoryStore() { Disconnect(m_connection); }

bool PostgresHistoryStore::SetLearnerName(const QString&, QString* error) {
  return SetError(error, QStringLiteral("名前は学習者のパソコンで変えてください。"));
}

bool PostgresHistoryStore::Write(const HistoryBatch&, QString* error) {
  return SetError(error, QStringLiteral("クラスの一覧からは記録できません。"));
}

LearnerHistory PostgresHistoryStore::Read(int weakest, QString* error) {
  QSqlDatabase db = QSqlDatabase::database(m_connection, false);
  LearnerHistory h;
  h.learner = m_learner.shown;
  QSqlQuery q(db);
  q.setForwardOnly(true);
  const auto fail = [&] {
    Fail(error, q.lastError());
    q.finish();
    db.rollback();
    LearnerHistory empty;
    empty.learner = m_learner.shown;
    return empty;
  };
  if (!db.transaction()) {
    Fail(error, db.lastError());
    return h;
  }
  const auto select = [&](const QString& sql) {
    q.prepare(sql);
    q.addBindValue(m_learner.id);
    return q.exec();
  };
  if (!q.exec(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY")) ||
      !select(QStringLiteral(
          "SELECT at_ms, course, text_name, characters, keystrokes, refused, seconds, chars_per_minute, "
          "keys_per_minute, accuracy, grade FROM typing_runs WHERE learner = ? ORDER BY at_ms"))) {
    return fail();
  }
  while (q.next()) {
    h.runs.append(TypingRunRecord{q.value(0).toLongLong(), q.value(1).toInt(), q.value(2).toString(),
                                  q.value(3).toInt(), q.value(4).toInt(), q.value(5).toInt(),
                                  q.value(6).toDouble(), q.value(7).toInt(), q.value(8).toInt(),
                                  q.value(9).toDouble(), q.value(10).toString()});
  }
  if (!select(QStringLiteral("SELECT at_ms, game, stage, misses, moves, seconds FROM mouse_stages "
                             "WHERE learner = ? ORDER BY at_ms"))) {
    return fail();
  }
  while (q.next()) {
    h.mouse.append(MouseRecord{q.value(0).toLongLong(), static_cast<MouseGame>(q.value(1).toInt()),
                               q.value(2).toInt(), q.value(3).toInt(), q.value(4).toInt(),
                               q.value(5).toDouble()});
  }
  if (!select(QStringLiteral("SELECT unit, pressed, SUM(misses) FROM miss_tally WHERE learner = ? "
                             "GROUP BY unit, pressed"))) {
    return fail();
  }
  QHash<QString, UnitWeakness> units;
  while (q.next()) {
    UnitWeakness& w = units[q.value(0).toString()];
    w.unit = q.value(0).toString();
    w.misses += q.value(2).toInt();
    w.wrongKeys.append({q.value(1).toString(), q.value(2).toInt()});
  }
  QList<UnitWeakness> ranked = units.values();
  std::sort(ranked.begin(), ranked.end(), [](const UnitWeakness& a, const UnitWeakness& b) {
    return a.misses != b.misses ? a.misses > b.misses : a.unit < b.unit;
  });
  if (ranked.size() > std::max(0, weakest)) ranked.resize(std::max(0, weakest));
  for (UnitWeakness& w : ranked) {
    std::sort(w.wrongKeys.begin(), w.wrongKeys.end(), [](const auto& a, const auto& b) {
      return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
  }
  h.weakest = ranked;
  const auto byKey = [&](const QString& column, QList<QPair<QString, int>>* out) {
    if (!select(QStringLiteral("SELECT %1, SUM(misses) AS n FROM miss_tally WHERE learner = ? AND %1 <> '' "
                               "GROUP BY %1 ORDER BY n DESC, %1")
                    .arg(column))) {
      return false;
    }
    while (q.next()) out->append({q.value(0).toString(), q.value(1).toInt()});
    return true;
  };
  if (!byKey(QStringLiteral("expected"), &h.missesByExpectedKey) ||
      !byKey(QStringLiteral("pressed"), &h.missesByPressedKey) ||
      !select(QStringLiteral("SELECT keystrokes FROM key_tally WHERE learner = ?"))) {
    return fail();
  }
  if (q.next()) h.keystrokes = q.value(0).toLongLong();
  q.finish();
  db.commit();
  return h;
}

}  // namespace shurencho
