#include "report/records_csv.h"

#include <QDateTime>
#include <QHash>
#include <QStringDecoder>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "measure/measured_run.h"
#include "platform/clock.h"
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
  kFirstVersionColumns,
  // Added in the second version, last so that a sheet's columns stay where they were.
  kMachine = kFirstVersionColumns,
  kCourseNumber,
  kSecondVersionColumns,
  // Added in the third version.
  kSchoolYear = kSecondVersionColumns,
  kColumns
};
const char* const kColumnNames[kColumns] = {
    "種類",     "学習者", "日時",   "コース",       "テキスト", "文字数",     "打鍵数",
    "ミス",     "秒",     "字／分", "打鍵／分",     "正確さ",   "評価",       "ゲーム",
    "ステージ", "手数",   "かな",   "間違えたキー", "端末",     "コース番号", "学年"};
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
      if (m_end - m_start != kMsPerDay || at < m_start || at >= m_end) {
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

// Why a sheet cannot be read: the line and what is wrong there.
struct CsvFault {
  int line = 0;
  QString message;
};

// Splits CSV text into rows of fields, one row at a time, each with the
// line it starts on; only the row being read is held.
struct CsvRow {
  int line = 0;
  QStringList fields;
};
class CsvReader {
 public:
  explicit CsvReader(const QString& text) : m_text(text) {}
  // The next row that holds anything; false at the end or at a stray quote
  // (then badLine() names its line).
  bool Next(CsvRow* row) {
    while (m_at < m_text.size() && m_badLine == 0) {
      ReadRow(row);
      // Blank lines hold nothing.
      if (m_badLine == 0 && !(row->fields.size() == 1 && row->fields[0].isEmpty())) return true;
    }
    return false;
  }
  int badLine() const { return m_badLine; }
  CsvFault QuoteFault() const { return {m_badLine, QStringLiteral("引用符 \" の対応が取れていません")}; }

 private:
  void ReadRow(CsvRow* row) {
    row->line = m_line;
    row->fields.clear();
    QString field;
    bool wasQuoted = false;
    const qsizetype n = m_text.size();
    while (m_at < n) {
      const QChar c = m_text[m_at++];
      if (c == QLatin1Char('"')) {
        // A quote may only open a field.
        if (!field.isEmpty() || wasQuoted) {
          m_badLine = m_line;
          return;
        }
        wasQuoted = true;
        if (!ReadQuoted(&field)) return;
      } else if (c == QLatin1Char(',')) {
        row->fields.append(field);
        field.clear();
        wasQuoted = false;
      } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
        if (c == QLatin1Char('\r') && m_at < n && m_text[m_at] == QLatin1Char('\n')) ++m_at;
        ++m_line;
        break;
      } else {
        if (wasQuoted) {
          m_badLine = m_line;
          return;
        }
        field += c;
      }
    }
    row->fields.append(field);
  }
  bool ReadQuoted(QString* field) {
    const int opened = m_line;
    const qsizetype n = m_text.size();
    while (m_at < n) {
      const QChar c = m_text[m_at++];
      if (c == QLatin1Char('"')) {
        if (m_at < n && m_text[m_at] == QLatin1Char('"')) {
          *field += c;
          ++m_at;
        } else {
          return true;
        }
      } else {
        if (c == QLatin1Char('\n')) ++m_line;
        *field += c;
      }
    }
    m_badLine = opened;
    return false;
  }

  const QString& m_text;
  qsizetype m_at = 0;
  int m_line = 1;
  int m_badLine = 0;
};

// 正確さ as a spreadsheet reads a percentage, to 0.1 %.
QString AccuracyText(double accuracy) { return QString::number(accuracy * 100.0, 'f', 1) + QLatin1Char('%'); }

CsvFault NotRecordsFault() { return {1, QStringLiteral("打鍵修練帖の成績ファイルではありません")}; }

// The columns a sheet of each version has.
qsizetype ColumnsOf(int version) {
  return version == 1 ? kFirstVersionColumns : version == 2 ? kSecondVersionColumns : kColumns;
}

// The tag line with the sheet's version (*version), then the column titles.
std::optional<CsvFault> ReadHead(CsvReader& reader, int* version) {
  CsvRow row;
  if (!reader.Next(&row)) {
    if (reader.badLine() != 0) return reader.QuoteFault();
    return NotRecordsFault();
  }
  if (row.line != 1 || row.fields.value(0) != QLatin1String(kRecordsCsvTag)) return NotRecordsFault();
  // The first version had neither the machine nor the course number: its
  // コース column held the number.
  const QString named = row.fields.value(1);
  *version = 0;
  for (int v : {1, 2, 3})
    if (named == QString::number(v)) *version = v;
  if (*version == 0) return CsvFault{1, QStringLiteral("成績ファイルの形式 %1 は読めません").arg(named)};
  const qsizetype columns = ColumnsOf(*version);
  const bool haveHeader = reader.Next(&row);
  if (!haveHeader && reader.badLine() != 0) return reader.QuoteFault();
  if (!haveHeader || row.fields.size() != columns || row.fields[0] != QString::fromUtf8(kColumnNames[0])) {
    return CsvFault{haveHeader ? row.line : 2, QStringLiteral("列の見出しがありません")};
  }
  return std::nullopt;
}

// One record row's fields read as what they hold; the first column that
// does not read is kept for the message.
class RecordFields {
 public:
  RecordFields(QStringList& fields, bool first) : m_f(fields), m_first(first) {}

  const QString& badColumn() const { return m_badColumn; }

  TypingRunRecord Run(QHash<int, QString>* courseNames) {
    TypingRunRecord run;
    run.at = Time(kTime, &run.utcOffset);
    run.course = Int(m_first ? kCourse : kCourseNumber);
    if (!m_first && courseNames != nullptr && !courseNames->contains(run.course) && !m_f[kCourse].isEmpty())
      courseNames->insert(run.course, Undefused(m_f[kCourse]));
    run.textName = Undefused(m_f[kText]);
    run.characters = Int(kCharacters);
    run.keystrokes = Int(kKeystrokes);
    run.refused = Int(kMisses);
    run.seconds = Double(kSeconds);
    run.charsPerMinute = Int(kCharsPerMinute);
    run.keysPerMinute = m_f[kKeysPerMinute] == NotMeasuredMark() ? 0 : Int(kKeysPerMinute);
    // A percentage ("92.3%"), the share the first version wrote (0.923), or
    // the mark of a figure not measured.
    if (m_f[kAccuracy] == NotMeasuredMark()) {
      run.accuracy = 1;
    } else if (m_f[kAccuracy].endsWith(QLatin1Char('%'))) {
      m_f[kAccuracy].chop(1);
      run.accuracy = Double(kAccuracy) / 100.0;
    } else {
      run.accuracy = Double(kAccuracy);
    }
    run.grade = Undefused(m_f[kGrade]);
    return run;
  }

  MouseRecord Mouse() {
    MouseRecord m;
    m.at = Time(kTime);
    m.game = MouseGame::Maze;
    bool known = false;
    for (MouseGame g : {MouseGame::Maze, MouseGame::Click, MouseGame::Drag, MouseGame::Puzzle}) {
      if (m_f[kGame] == MouseGameLabel(g)) {
        m.game = g;
        known = true;
      }
    }
    if (!known) m_badColumn = ColumnName(kGame);
    m.stage = Int(kStage);
    m.misses = Int(kMisses);
    m.moves = Int(kMoves);
    m.seconds = Double(kSeconds);
    return m;
  }

  UnitWeakness Weakness() {
    UnitWeakness w;
    w.unit = Undefused(m_f[kUnit]);
    w.misses = Int(kMisses);
    const QString keys = Undefused(m_f[kWrongKeys]);
    if (keys.isEmpty()) return w;
    for (const QString& entry : keys.split(kListMark)) {
      const qsizetype mark = entry.lastIndexOf(kCountMark);
      bool ok = mark > 0;
      const int n = ok ? entry.mid(mark + 1).toInt(&ok) : 0;
      if (!ok) {
        m_badColumn = ColumnName(kWrongKeys);
        break;
      }
      // Kept as written: the first version wrote " " for the space bar,
      // which is named again where it is shown.
      w.wrongKeys.append({entry.left(mark), n});
    }
    return w;
  }

 private:
  static QString ColumnName(Column c) { return QString::fromUtf8(kColumnNames[c]); }
  void Check(bool ok, Column c) {
    if (!ok && m_badColumn.isEmpty()) m_badColumn = ColumnName(c);
  }
  int Int(Column c) {
    bool ok = false;
    const int v = m_f[c].toInt(&ok);
    Check(ok, c);
    return v;
  }
  // Seconds and shares are never negative, and "nan" or "inf" are no
  // figures at all, though they read as numbers.
  double Double(Column c) {
    bool ok = false;
    const double v = m_f[c].toDouble(&ok);
    Check(ok && std::isfinite(v) && v >= 0, c);
    return ok && std::isfinite(v) ? v : 0;
  }
  // With offset, the offset the time was written with, when it has one.
  HistoryTime Time(Column c, std::optional<int>* offset = nullptr) {
    const QDateTime t = QDateTime::fromString(m_f[c], Qt::ISODateWithMs);
    Check(t.isValid(), c);
    if (!t.isValid()) return 0;
    if (offset != nullptr && (t.timeSpec() == Qt::OffsetFromUTC || t.timeSpec() == Qt::UTC))
      *offset = t.offsetFromUtc();
    return t.toMSecsSinceEpoch();
  }

  QStringList& m_f;
  const bool m_first;
  QString m_badColumn;
};

// The record rows after the head, each added to its learner's history; a
// learner is one name on one machine, in the order first met.
class RecordRows {
 public:
  RecordRows(int version, QHash<int, QString>* courseNames)
      : m_version(version), m_courseNames(courseNames) {}

  std::optional<CsvFault> Read(CsvRow& row) {
    QStringList& f = row.fields;
    const qsizetype columns = ColumnsOf(m_version);
    if (f.size() != columns) {
      return CsvFault{row.line,
                      QStringLiteral("列の数が %1 です（%2 列のはずです）").arg(f.size()).arg(int(columns))};
    }
    f.resize(kColumns);
    LearnerHistory& h = LearnerOf(Undefused(f[kLearner]), Undefused(f[kMachine]));
    if (!f[kSchoolYear].isEmpty()) h.schoolYear = Undefused(f[kSchoolYear]);
    RecordFields fields(f, m_version == 1);
    const QString& kind = f[kKind];
    if (kind == m_typingKind) {
      h.runs.append(fields.Run(m_courseNames));
    } else if (kind == m_mouseKind) {
      h.mouse.append(fields.Mouse());
    } else if (kind == m_weakKind) {
      h.weakest.append(fields.Weakness());
    } else {
      return CsvFault{row.line, QStringLiteral("種類「%1」の行は読めません").arg(kind)};
    }
    if (!fields.badColumn().isEmpty()) {
      return CsvFault{row.line, QStringLiteral("「%1」の値が読めません").arg(fields.badColumn())};
    }
    if (kind == m_typingKind) return SpeedFault(h.runs.last(), row.line);
    return std::nullopt;
  }

  QList<LearnerHistory> Take() { return std::move(m_learners); }

 private:
  // A graded run's 字／分 must be what the page computes from its characters
  // and seconds; an edited figure would otherwise become a best or a
  // certificate. A run of no time shows no speed, and was written with 0.
  // Runs not graded count towards nothing and are read as written.
  static std::optional<CsvFault> SpeedFault(const TypingRunRecord& run, int line) {
    if (!run.graded() || (run.seconds <= 0 && run.charsPerMinute == 0)) return std::nullopt;
    MeasuredRun measured;
    measured.elapsed = ClockSpan(run.seconds);
    measured.characters = run.characters;
    const int expected = measured.CharsPerMinute();
    if (run.charsPerMinute == expected) return std::nullopt;
    return CsvFault{line, QStringLiteral("字／分 %1 は文字数 %2・%3 秒と合いません（%4 のはずです）")
                              .arg(run.charsPerMinute)
                              .arg(run.characters)
                              .arg(Number(run.seconds))
                              .arg(expected)};
  }

  LearnerHistory& LearnerOf(const QString& learner, const QString& machine) {
    const QPair<QString, QString> who{learner, machine};
    auto found = m_index.constFind(who);
    if (found == m_index.constEnd()) {
      found = m_index.insert(who, m_learners.size());
      m_learners.append(LearnerHistory{});
      m_learners.last().learner = learner;
      m_learners.last().machine = machine;
    }
    return m_learners[*found];
  }

  const int m_version;
  QHash<int, QString>* const m_courseNames;
  QList<LearnerHistory> m_learners;
  QHash<QPair<QString, QString>, int> m_index;  // learner, machine
  const QString m_typingKind = QString::fromUtf8(kTypingKind);
  const QString m_mouseKind = QString::fromUtf8(kMouseKind);
  const QString m_weakKind = QString::fromUtf8(kWeakKind);
};

}  // namespace

QByteArray WriteRecordsCsv(const LearnerHistory& h, const ZINIconf* settings) {
  QString out;
  out.reserve(110 * (h.runs.size() + h.mouse.size() + h.weakest.size() + 2));
  const bool withYear = !h.schoolYear.isEmpty();
  const qsizetype columns = withYear ? kColumns : kSecondVersionColumns;
  AppendRow(out, {QString::fromLatin1(kRecordsCsvTag),
                  withYear ? QString::fromLatin1(kRecordsCsvVersion) : QStringLiteral("2"),
                  QStringLiteral("打鍵修練帖の成績ファイル")});
  QStringList names;
  for (qsizetype c = 0; c < columns; ++c) names.append(QString::fromUtf8(kColumnNames[c]));
  AppendRow(out, names);
  const QString machine = Defused(h.machine);
  const QString year = Defused(h.schoolYear);
  auto emptyRow = [&](const char* kind) {
    QStringList row(columns);
    row[kKind] = QString::fromUtf8(kind);
    row[kLearner] = Defused(h.learner);
    row[kMachine] = machine;
    if (withYear) row[kSchoolYear] = year;
    return row;
  };
  QHash<int, QString> courseNames;
  TimeTexts times;
  for (const TypingRunRecord& r : h.runs) {
    QStringList row = emptyRow(kTypingKind);
    row[kTime] = times.Of(r.at);
    auto name = courseNames.constFind(r.course);
    if (name == courseNames.constEnd())
      name = courseNames.insert(r.course, Defused(CourseLabel(r.course, settings)));
    row[kCourse] = *name;
    row[kCourseNumber] = QString::number(r.course);
    row[kText] = Defused(r.textName);
    row[kCharacters] = QString::number(r.characters);
    row[kKeystrokes] = QString::number(r.keystrokes);
    row[kMisses] = QString::number(r.refused);
    row[kSeconds] = Number(r.seconds);
    row[kCharsPerMinute] = QString::number(r.charsPerMinute);
    // A figure nothing measured is written as every page shows it, not as 0 or 100%.
    row[kKeysPerMinute] = KeysCounted(r) ? QString::number(r.keysPerMinute) : NotMeasuredMark();
    row[kAccuracy] = AccuracyMeasured(r) ? AccuracyText(r.accuracy) : NotMeasuredMark();
    // Runs from before the marks were kept read as 計測なし, and say so.
    row[kGrade] = Defused(RunKindOf(r.grade) == RunKind::Ungraded ? UngradedMark() : r.grade);
    AppendRow(out, row);
  }
  for (const MouseRecord& r : h.mouse) {
    QStringList row = emptyRow(kMouseKind);
    row[kTime] = times.Of(r.at);
    row[kGame] = MouseGameLabel(r.game);
    row[kStage] = QString::number(r.stage);
    row[kMisses] = QString::number(r.misses);
    row[kMoves] = QString::number(r.moves);
    row[kSeconds] = Number(r.seconds);
    AppendRow(out, row);
  }
  for (const UnitWeakness& w : h.weakest) {
    QStringList row = emptyRow(kWeakKind);
    row[kUnit] = Defused(w.unit);
    row[kMisses] = QString::number(w.misses);
    QStringList keys;
    for (const auto& [key, n] : w.wrongKeys) keys.append(KeyName(key) + kCountMark + QString::number(n));
    row[kWrongKeys] = Defused(keys.join(kListMark));
    AppendRow(out, row);
  }
  return QByteArrayLiteral("\xEF\xBB\xBF") + out.toUtf8();
}

QString CsvProblem::Text() const {
  return QStringLiteral("%1:%2: %3").arg(file, QString::number(line), message);
}

std::optional<QList<LearnerHistory>> ParseRecordsCsv(const QByteArray& data, const QString& fileName,
                                                     CsvProblem* problem, QHash<int, QString>* courseNames) {
  auto fail = [&](const CsvFault& fault) {
    if (problem != nullptr) *problem = CsvProblem{fileName, fault.line, fault.message};
    return std::nullopt;
  };
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(data);
  if (decoder.hasError()) return fail({1, QStringLiteral("UTF-8 の文字として読めないところがあります")});
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  CsvReader reader(text);
  int version = 0;
  if (const auto fault = ReadHead(reader, &version)) return fail(*fault);
  RecordRows rows(version, courseNames);
  CsvRow row;
  while (reader.Next(&row)) {
    if (const auto fault = rows.Read(row)) return fail(*fault);
  }
  if (reader.badLine() != 0) return fail(reader.QuoteFault());
  return rows.Take();
}

}  // namespace shurencho
