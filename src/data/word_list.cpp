#include "data/word_list.h"

#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

bool IsBlankLine(const QString& line) {
  for (QChar c : line) {
    if (c.unicode() > 32) return false;
  }
  return true;
}

CourseItemList WordsFromLines(const QStringList& lines, const QString& fileName, const QString& flags) {
  CourseItemList items;
  items.reserve(lines.size());
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString& w = lines.at(i);
    if (IsBlankLine(w)) continue;
    if (w.contains(QLatin1Char('"'))) {
      throw DataFileError(fileName, static_cast<int>(i) + 1, QStringLiteral("単語に「\"」は使えません"));
    }
    items.append(QStringLiteral("\"") + w + QStringLiteral("\",\"") + w + QStringLiteral("\",") + flags +
                 QStringLiteral("\"") + w);
  }
  return items;
}

void CheckConversionItem(const QString& line, const QString& fileName, int lineNo) {
  const QStringList f = SplitCommaText(line);
  if (f.size() < 6) {
    throw DataFileError(fileName, lineNo, QStringLiteral("項目が足りません（6 項目以上必要です）"));
  }
  if (f.at(0).isEmpty() || f.at(1).isEmpty()) {
    throw DataFileError(fileName, lineNo, QStringLiteral("問題か読みが空です"));
  }
  const bool converted = f.at(4) != QLatin1String("1") && f.at(5) != QLatin1String("1");
  if (converted && f.size() < 7) {
    throw DataFileError(fileName, lineNo, QStringLiteral("変換候補がありません"));
  }
}

CourseItemList ConversionFromLines(const QStringList& lines, const QString& fileName) {
  CourseItemList items;
  // Only a line that has another line after it is taken.
  for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
    const QString& line = lines.at(i);
    if (line.startsWith(QLatin1Char('/')) || IsBlankLine(line)) continue;
    CheckConversionItem(line, fileName, static_cast<int>(i) + 1);
    items.append(line);
  }
  return items;
}

}  // namespace

CourseItemList LoadWordList(const QString& path, const QString& flags) {
  return WordsFromLines(ReadTextFileLines(path), path, flags);
}

CourseItemList LoadWordListFromText(const QString& text, const QString& fileName, const QString& flags) {
  return WordsFromLines(SplitTextLines(text), fileName, flags);
}

CourseItemList LoadConversionList(const QString& path) {
  return ConversionFromLines(ReadTextFileLines(path), path);
}

CourseItemList LoadConversionListFromText(const QString& text, const QString& fileName) {
  return ConversionFromLines(SplitTextLines(text), fileName);
}

}  // namespace shurencho
