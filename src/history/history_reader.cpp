#include "history/history_reader.h"

#include <QHash>
#include <algorithm>

namespace shurencho {

DrillItemRecord ItemFrom(HistoryRow& r, int c) {
  return DrillItemRecord{r.Int64(c),   r.Int(c + 1), r.Text(c + 2),  r.Int(c + 3),
                         r.Int(c + 4), r.Int(c + 5), r.Double(c + 6)};
}

TypingRunRecord RunFrom(HistoryRow& r, int c) {
  return TypingRunRecord{r.Int64(c),   r.Int(c + 1),    r.Text(c + 2),   r.Int(c + 3),
                         r.Int(c + 4), r.Int(c + 5),    r.Double(c + 6), r.Int(c + 7),
                         r.Int(c + 8), r.Double(c + 9), r.Text(c + 10)};
}

KeyMissRecord MissFrom(HistoryRow& r, int c) {
  return KeyMissRecord{r.Int64(c), r.Int(c + 1), r.Text(c + 2), r.Text(c + 3), r.Text(c + 4), r.Text(c + 5)};
}

MouseRecord MouseFrom(HistoryRow& r, int c) {
  return MouseRecord{r.Int64(c),   static_cast<MouseGame>(r.Int(c + 1)),
                     r.Int(c + 2), r.Int(c + 3),
                     r.Int(c + 4), r.Double(c + 5)};
}

namespace {

// Most missed first, then by name.
bool MoreMissed(const QPair<QString, int>& a, const QPair<QString, int>& b) {
  return a.second != b.second ? a.second > b.second : a.first < b.first;
}

// Misses by one key column, the ones with no key left out.
bool ReadByKey(HistoryRows& rows, const char* sql, QList<QPair<QString, int>>* out) {
  if (!rows.Select(sql)) return false;
  while (rows.Next()) out->append({rows.Text(0), rows.Int(1)});
  return rows.Done();
}

}  // namespace

void RankWeakest(QList<UnitWeakness>* units, int count) {
  std::sort(units->begin(), units->end(), [](const UnitWeakness& a, const UnitWeakness& b) {
    return MoreMissed({a.unit, a.misses}, {b.unit, b.misses});
  });
  if (units->size() > std::max(0, count)) units->resize(std::max(0, count));
}

// The weakest units from the tally grouped by unit and key pressed: a few
// thousand rows at most, ranked here so that every store ranks alike.
bool ReadWeakestUnits(HistoryRows& rows, int count, QList<UnitWeakness>* out) {
  if (!rows.Select(
          "SELECT unit, pressed, SUM(misses) FROM miss_tally WHERE learner = ? GROUP BY unit, pressed"))
    return false;
  QHash<QString, UnitWeakness> units;
  while (rows.Next()) {
    const QString unit = rows.Text(0);
    UnitWeakness& w = units[unit];
    w.unit = unit;
    w.misses += rows.Int(2);
    w.wrongKeys.append({rows.Text(1), rows.Int(2)});
  }
  if (!rows.Done()) return false;
  *out = units.values();
  RankWeakest(out, count);
  for (UnitWeakness& w : *out) std::sort(w.wrongKeys.begin(), w.wrongKeys.end(), MoreMissed);
  return true;
}

bool ReadLearnerHistory(HistoryRows& rows, int weakest, LearnerHistory* h) {
  using namespace history_columns;
  static const QByteArray runs =
      QByteArray("SELECT ") + kRun + " FROM typing_runs WHERE learner = ? ORDER BY at_ms";
  static const QByteArray stages =
      QByteArray("SELECT ") + kMouse + " FROM mouse_stages WHERE learner = ? ORDER BY at_ms";
  if (!rows.Select(runs.constData())) return false;
  while (rows.Next()) h->runs.append(RunFrom(rows));
  if (!rows.Done() || !rows.Select(stages.constData())) return false;
  while (rows.Next()) h->mouse.append(MouseFrom(rows));
  if (!rows.Done() || !ReadWeakestUnits(rows, weakest, &h->weakest)) return false;
  if (!ReadByKey(rows,
                 "SELECT expected, SUM(misses) AS n FROM miss_tally WHERE learner = ? AND expected <> '' "
                 "GROUP BY expected ORDER BY n DESC, expected",
                 &h->missesByExpectedKey) ||
      !ReadByKey(rows,
                 "SELECT pressed, SUM(misses) AS n FROM miss_tally WHERE learner = ? AND pressed <> '' "
                 "GROUP BY pressed ORDER BY n DESC, pressed",
                 &h->missesByPressedKey)) {
    return false;
  }
  if (!rows.Select("SELECT keystrokes FROM key_tally WHERE learner = ?")) return false;
  if (rows.Next()) h->keystrokes = rows.Int64(0);
  return true;
}

}  // namespace shurencho
