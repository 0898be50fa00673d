#include "report/records_csv.h"

#include <QDateTime>
#include <QHash>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstdio>
#include <cstdlib>

#include "report/records_summary.h"

namespace shurencho {

namespace {

enum Column {
  kKind,
  kLearner,
  kTime,
  kCourse,
  kText,
  kCharacters,
  kKeystrokes,
  kMisses,
  kSeconds,
  kCharsPerMinute,
  kKeysPerMinute,
  kAccuracy,
  kGrade,
  kGame,
  kStage,
  kMoves,
  kUnit,
  kWrongKeys,
  kColumns
};
const char* const kColumnNames[kColumns] = {
    "種類",   "学習者",   "日時",   "コース", "テキスト", "文字数",   "打鍵数", "ミス", "秒",
    "字／分", "打鍵／分", "正確さ", "評価",   "ゲーム",   "ステージ", "手数",   "かな", "間違えたキー"};
const char kTypingKind[] = "打鍵";
const char kMouseKind[] = "マウス";
const char kWeakKind[] = "苦手";
// Wrong keys of a weak unit: "a×5、s×3".
const QChar kCountMark = QChar(0x00D7);
const QChar kListMark = QChar(0x3001);

// A text that a spreadsheet would take for a formula gets a leading
// apostrophe; one that already starts with an apostrophe gets another, so
// reading drops exactly one.
QString Defused(const QString& text) {
  static const QString risky = QStringLiteral("=+-@'\t\r");
  if (!text.isEmpty() && risky.contains(text.front())) return QLatin1Char('\'') + text;
  return text;
}
QString Undefused(const QString& text) { return text.startsWith(QLatin1Char('\'')) ? text.mid(1) : text; }

void AppendField(QString& out, const QString& field) {
  const bool quote = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                     field.contains(QLatin1Char('\n')) || field.contains(QLatin1Char('\r')) ||
                     field.startsWith(QLatin1Char(' ')) || field.endsWith(QLatin1Char(' '));
  if (!quote) {
    out += field;
    return;
  }
  out += QLatin1Char('"');
  out += QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\""));
  out += QLatin1Char('"');
}

void AppendRow(QString& out, const QStringList& fields) {
  for (int i = 0; i < fields.size(); ++i) {
    if (i > 0) out += QLatin1Char(',');
    AppendField(out, fields[i]);
  }
  out += QStringLiteral("\r\n");
}

QString Number(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); }

// Local times with their offset ("2026-12-09T07:40:36.123+09:00"). Records
// come in time order, so the day's date and offset are looked up once per
// day, not once per row.
class TimeTexts {
 public:
  QString Of(HistoryTime at) {
    if (at < m_start || at >= m_end) {
      const QDateTime local = QDateTime::fromMSecsSinceEpoch(at);
      const QDate day = local.date();
      m_start = day.startOfDay().toMSecsSinceEpoch();
      m_end = day.addDays(1).startOfDay().toMSecsSinceEpoch();
      // A day with a clock change, or one that does not hold its own start, is done the slow way.
      if (m_end - m_start != 86400000 || at < m_start || at >= m_end) {
        m_start = m_end = 0;
        return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
      }
      const int offset = local.offsetFromUtc() / 60;
      m_prefix = day.toString(Qt::ISODate) + QLatin1Char('T');
      m_suffix = QStringLiteral("%1%2:%3")
                     .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                     .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
                     .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
    }
    const qint64 ms = at - m_start;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", int(ms / 3600000), int(ms / 60000 % 60),
                  int(ms / 1000 % 60), int(ms % 1000));
    return m_prefix + QLatin1String(time) + m_suffix;
  }

 private:
  HistoryTime m_start = 0;
  HistoryTime m_end = 0;
  QString m_prefix;
  QString m_suffix;
};

QStringList EmptyRow(const char* kind, const QString& learner) {
  QStringList row(kColumns);
  row[kKind] = QString::fromUtf8(kind);
  row[kLearner] = Defused(learner);
  return row;
}

// Splits CSV text into rows of fields, each with the line it starts on.
struct CsvRow {
  int line = 0;
  QStringList fields;
};
bool SplitCsv(const QString& text, QList<CsvRow>* rows, int* badLine) {
  int line = 1;
  CsvRow row{1, {}};
  QString field;
  bool quoted = false, wasQuoted = false;
  int quoteLine = 0;
  auto endRow = [&] {
    row.fields.append(field);
    field.clear();
    wasQuoted = false;
    // Blank lines hold nothing.
    if (!(row.fields.size() == 1 && row.fields[0].isEmpty())) rows->append(row);
    row = CsvRow{line, {}};
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == QLatin1Char('"')) {
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
          field += c;
          ++i;
        } else {
          quoted = false;
        }
      } else {
        if (c == QLatin1Char('\n')) ++line;
        field += c;
      }
      continue;
    }
    if (c == QLatin1Char('"')) {
      // A quote may only open a field.
      if (!field.isEmpty() || wasQuoted) {
        *badLine = line;
        return false;
      }
      quoted = wasQuoted = true;
      quoteLine = line;
    } else if (c == QLatin1Char(',')) {
      row.fields.append(field);
      field.clear();
      wasQuoted = false;
    } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
      if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
      ++line;
      endRow();
    } else {
      if (wasQuoted) {
        *badLine = line;
        return false;
      }
      field += c;
    }
  }
  if (quoted) {
    *badLine = quoteLine;
    return false;
  }
  if (!field.isEmpty() || !row.fields.isEmpty() || wasQuoted) endRow();
  return true;
}

}  // namespace

QByteArray WriteRecordsCsv(const LearnerHistory& h) {
  QString out;
  out.reserve(96 * (h.runs.size() + h.mouse.size() + h.weakest.size() + 2));
  AppendRow(out, {QString::fromLatin1(kRecordsCsvTag), QString::fromLatin1(kRecordsCsvVersion),
                  QStringLiteral("打鍵修練帖の成績ファイル")});
  QStringList names;
  for (const char* name : kColumnNames) names.append(QString::fromUtf8(name));
  AppendRow(out, names);
  TimeTexts times;
  for (const TypingRunRecord& r : h.runs) {
    QStringList row = EmptyRow(kTypingKind, h.learner);
    row[kTime] = times.Of(r.at);
    row[kCourse] = QString::number(r.course);
    row[kText] = Defused(r.textName);
    row[kCharacters] = QString::number(r.characters);
    row[kKeystrokes] = QString::number(r.keystrokes);
    row[kMisses] = QString::number(r.refused);
    row[kSeconds] = Number(r.seconds);
    row[kCharsPerMinute] = QString::number(r.charsPerMinute);
    row[kKeysPerMinute] = QString::number(r.keysPerMinute);
    row[kAccuracy] = Number(r.accuracy);
    row[kGrade] = Defused(r.grade);
    AppendRow(out, row);
  }
  for (const MouseRecord& r : h.mouse) {
    QStringList row = EmptyRow(kMouseKind, h.learner);
    row[kTime] = times.Of(r.at);
    row[kGame] = MouseGameLabel(r.game);
    row[kStage] = QString::number(r.stage);
    row[kMisses] = QString::number(r.misses);
    row[kMoves] = QString::number(r.moves);
    row[kSeconds] = Number(r.seconds);
    AppendRow(out, row);
  }
  for (const UnitWeakness& w : h.weakest) {
    QStringList row = EmptyRow(kWeakKind, h.learner);
    row[kUnit] = Defused(w.unit);
    row[kMisses] = QString::number(w.misses);
    QStringList keys;
    for (const auto& [key, n] : w.wrongKeys) keys.append(key + kCountMark + QString::number(n));
    row[kWrongKeys] = Defused(keys.join(kListMark));
    AppendRow(out, row);
  }
  return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
}

QString CsvProblem::Text() const {
  return QStringLiteral("%1:%2: %3").arg(file, QString::number(line), message);
}

std::optional<QList<LearnerHistory>> ParseRecordsCsv(const QByteArray& data, const QString& fileName,
                                                     CsvProblem* problem) {
  auto fail = [&](int line, const QString& message) {
    if (problem != nullptr) *problem = CsvProblem{fileName, line, message};
    return std::nullopt;
  };
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(data);
  if (decoder.hasError()) return fail(1, QStringLiteral("UTF-8 の文字として読めないところがあります"));
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  QList<CsvRow> rows;
  int badLine = 0;
  if (!SplitCsv(text, &rows, &badLine))
    return fail(badLine, QStringLiteral("引用符 \" の対応が取れていません"));
  if (rows.isEmpty() || rows[0].line != 1 || rows[0].fields.value(0) != QLatin1String(kRecordsCsvTag)) {
    return fail(1, QStringLiteral("打鍵修練帖の成績ファイルではありません"));
  }
  if (rows[0].fields.value(1) != QLatin1String(kRecordsCsvVersion)) {
    return fail(1, QStringLiteral("成績ファイルの形式 %1 は読めません").arg(rows[0].fields.value(1)));
  }
  if (rows.size() < 2 || rows[1].fields.size() != kColumns ||
      rows[1].fields[0] != QString::fromUtf8(kColumnNames[0])) {
    return fail(rows.size() < 2 ? 2 : rows[1].line, QStringLiteral("列の見出しがありません"));
  }
  QList<LearnerHistory> learners;
  QHash<QString, int> index;
  for (qsizetype r = 2; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    const QStringList& f = row.fields;
    if (f.size() != kColumns) {
      return fail(row.line,
                  QStringLiteral("列の数が %1 です（%2 列のはずです）").arg(f.size()).arg(int(kColumns)));
    }
    QString badColumn;
    auto toInt = [&](Column c) {
      bool ok = false;
      const int v = f[c].toInt(&ok);
      if (!ok && badColumn.isEmpty()) badColumn = QString::fromUtf8(kColumnNames[c]);
      return v;
    };
    auto toDouble = [&](Column c) {
      bool ok = false;
      const double v = f[c].toDouble(&ok);
      if (!ok && badColumn.isEmpty()) badColumn = QString::fromUtf8(kColumnNames[c]);
      return v;
    };
    auto toTime = [&](Column c) -> HistoryTime {
      const QDateTime t = QDateTime::fromString(f[c], Qt::ISODateWithMs);
      if (!t.isValid() && badColumn.isEmpty()) badColumn = QString::fromUtf8(kColumnNames[c]);
      return t.isValid() ? t.toMSecsSinceEpoch() : 0;
    };
    const QString learner = Undefused(f[kLearner]);
    auto found = index.constFind(learner);
    if (found == index.constEnd()) {
      found = index.insert(learner, learners.size());
      learners.append(LearnerHistory{});
      learners.last().learner = learner;
    }
    LearnerHistory& h = learners[*found];
    const QString kind = f[kKind];
    if (kind == QString::fromUtf8(kTypingKind)) {
      TypingRunRecord run;
      run.at = toTime(kTime);
      run.course = toInt(kCourse);
      run.textName = Undefused(f[kText]);
      run.characters = toInt(kCharacters);
      run.keystrokes = toInt(kKeystrokes);
      run.refused = toInt(kMisses);
      run.seconds = toDouble(kSeconds);
      run.charsPerMinute = toInt(kCharsPerMinute);
      run.keysPerMinute = toInt(kKeysPerMinute);
      run.accuracy = toDouble(kAccuracy);
      run.grade = Undefused(f[kGrade]);
      h.runs.append(run);
    } else if (kind == QString::fromUtf8(kMouseKind)) {
      MouseRecord m;
      m.at = toTime(kTime);
      m.game = MouseGame::Maze;
      bool known = false;
      for (MouseGame g : {MouseGame::Maze, MouseGame::Click, MouseGame::Drag, MouseGame::Puzzle}) {
        if (f[kGame] == MouseGameLabel(g)) {
          m.game = g;
          known = true;
        }
      }
      if (!known) badColumn = QString::fromUtf8(kColumnNames[kGame]);
      m.stage = toInt(kStage);
      m.misses = toInt(kMisses);
      m.moves = toInt(kMoves);
      m.seconds = toDouble(kSeconds);
      h.mouse.append(m);
    } else if (kind == QString::fromUtf8(kWeakKind)) {
      UnitWeakness w;
      w.unit = Undefused(f[kUnit]);
      w.misses = toInt(kMisses);
      const QString keys = Undefused(f[kWrongKeys]);
      if (!keys.isEmpty()) {
        for (const QString& entry : keys.split(kListMark)) {
          const qsizetype mark = entry.lastIndexOf(kCountMark);
          bool ok = mark > 0;
          const int n = ok ? entry.mid(mark + 1).toInt(&ok) : 0;
          if (!ok) {
            badColumn = QString::fromUtf8(kColumnNames[kWrongKeys]);
            break;
          }
          w.wrongKeys.append({entry.left(mark), n});
        }
      }
      h.weakest.append(w);
    } else {
      return fail(row.line, QStringLiteral("種類「%1」の行は読めません").arg(kind));
    }
    if (!badColumn.isEmpty()) {
      return fail(row.line, QStringLiteral("「%1」の値が読めません").arg(badColumn));
    }
  }
  return learners;
}

bool SaveWhole(const QString& path, const QByteArray& data, QString* error) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
    if (error != nullptr) *error = QStringLiteral("%1 に書き込めません（%2）").arg(path, file.errorString());
    return false;
  }
  return true;
}

}  // namespace shurencho
