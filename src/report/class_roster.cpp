#include "report/class_roster.h"

#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include "history/learner_name.h"
#include "text/text_file.h"
#include "text/width_convert.h"

namespace shurencho {

namespace {

// A spreadsheet's line: fields split at commas, a field in double quotes
// may hold commas and doubled quotes. Nothing when a quote is left open.
std::optional<QStringList> SplitFields(const QString& line) {
  QStringList fields;
  QString field;
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (quoted) {
      if (c != QLatin1Char('"')) {
        field += c;
      } else if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
        field += c;
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == QLatin1Char('"')) {
      quoted = true;
    } else if (c == QLatin1Char(',')) {
      fields.append(field.trimmed());
      field.clear();
    } else {
      field += c;
    }
  }
  if (quoted) return std::nullopt;
  fields.append(field.trimmed());
  return fields;
}

// Text as saved by a spreadsheet: UTF-8 when it reads as such, else CP932.
QString DecodeRoster(const QByteArray& data) {
  QByteArray bytes = data;
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8.decode(bytes);
  return utf8.hasError() ? DecodeCp932(bytes) : text;
}

// 1-99, in half- or full-width digits; 0 when not such a number.
int NumberOf(const QString& field) {
  bool ok = false;
  const int n = ToHalfWidth(field).toInt(&ok);
  return ok && n >= 1 && n <= kMaxClassNumber ? n : 0;
}

}  // namespace

std::optional<QList<RosterEntry>> ParseClassRoster(const QByteArray& data, const QString& fileName,
                                                   QStringList* problems) {
  const QStringList lines = DecodeRoster(data).split(QLatin1Char('\n'));
  QList<RosterEntry> entries;
  QHash<int, int> lineOfNumber;
  qsizetype numberColumn = -1, nameColumn = -1;
  bool headerSeen = false;
  bool headerless = false;
  const auto bad = [&](int line, const QString& reason) {
    problems->append(QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(reason));
  };
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const int line = static_cast<int>(i) + 1;
    QString text = lines[i];
    if (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    if (text.trimmed().isEmpty()) continue;
    const std::optional<QStringList> fields = SplitFields(text);
    if (!fields) {
      bad(line, QStringLiteral("「\"」が閉じていません"));
      continue;
    }
    if (!headerSeen) {
      headerSeen = true;
      numberColumn = fields->indexOf(QStringLiteral("出席番号"));
      nameColumn = fields->indexOf(QStringLiteral("氏名"));
      if (numberColumn >= 0 && nameColumn >= 0) continue;
      if (numberColumn >= 0 || nameColumn >= 0 || NumberOf(fields->value(0)) == 0) {
        bad(line, QStringLiteral("見出しには「出席番号」と「氏名」の列が要ります"));
        return std::nullopt;
      }
      numberColumn = 0;
      nameColumn = 1;
      headerless = true;
    }
    const QString numberText = fields->value(numberColumn);
    const int number = NumberOf(numberText);
    const QString name = CleanLearnerName(fields->value(nameColumn));
    if (number == 0) {
      bad(line, QStringLiteral("出席番号「%1」は 1 から %2 の数ではありません")
                    .arg(numberText)
                    .arg(kMaxClassNumber));
    } else if (name.isEmpty()) {
      bad(line, QStringLiteral("氏名がありません"));
    } else if (fields->value(nameColumn).trimmed().toUcs4().size() > kMaxLearnerName) {
      bad(line, QStringLiteral("氏名が長すぎます（%1 文字まで）").arg(kMaxLearnerName));
    } else if (headerless && fields->size() > 2 && !fields->mid(2).join(QString()).isEmpty()) {
      bad(line, QStringLiteral("列が多すぎます（氏名に「,」があるときは \"…\" で囲んでください）"));
    } else if (const int first = lineOfNumber.value(number); first != 0) {
      bad(line, QStringLiteral("出席番号 %1 は %2 行目にもあります").arg(number).arg(first));
    } else {
      lineOfNumber.insert(number, line);
      entries.append({number, name});
    }
  }
  if (problems->isEmpty() && entries.isEmpty()) bad(1, QStringLiteral("名簿に一人も書かれていません"));
  if (!problems->isEmpty()) return std::nullopt;
  return entries;
}

QString ClassCodeOfRosterFile(const QString& path) {
  const QString stem = QFileInfo(path).completeBaseName();
  return IsClassCode(stem) ? stem : QString();
}

}  // namespace shurencho
