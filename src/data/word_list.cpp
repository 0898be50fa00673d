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
  const WordItemMaker item(flags);
  CourseItemList items;
  items.reserve(lines.size());
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString& w = lines.at(i);
    if (IsBlankLine(w)) continue;
    if (w.contains(QLatin1Char('"'))) {
      throw DataFileError(fileName, static_cast<int>(i) + 1, QStringLiteral("単語に「\"」は使えません"));
    }
    if (w.contains(QChar(0))) {
      // A NUL ends an item line: such a word keeps the item it always made.
      items.append(QStringLiteral("\"") + w + QStringLiteral("\",\"") + w + QStringLiteral("\",") + flags +
                   QStringLiteral("\"") + w);
      continue;
    }
    items.append(item(w));
  }
  return items;
}

// The line's item and the number of its fields, or an error naming the line.
void CheckConversionItem(const CourseItem& item, int fieldCount, const QString& fileName, int lineNo) {
  if (fieldCount < 6) {
    throw DataFileError(fileName, lineNo, QStringLiteral("項目が足りません（6 項目以上必要です）"));
  }
  if (item.question.isEmpty() || item.reading.isEmpty()) {
    throw DataFileError(fileName, lineNo, QStringLiteral("問題か読みが空です"));
  }
  const bool converted = !item.readingOnly && !item.noConversion;
  if (converted && fieldCount < 7) {
    throw DataFileError(fileName, lineNo, QStringLiteral("変換候補がありません"));
  }
}

CourseItemList ConversionFromLines(const QStringList& lines, const QString& fileName) {
  CourseItemList items;
  // Only a line that has another line after it is taken.
  for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
    const QString& line = lines.at(i);
    if (line.startsWith(QLatin1Char('/')) || IsBlankLine(line)) continue;
    int fieldCount = 0;
    CourseItem item(line, &fieldCount);
    CheckConversionItem(item, fieldCount, fileName, static_cast<int>(i) + 1);
    items.append(std::move(item));
  }
  return items;
}

}  // namespace

CourseItemList LoadWordListFromText(const QString& text, const QString& fileName, const QString& flags) {
  return WordsFromLines(SplitTextLines(text), fileName, flags);
}

CourseItemList LoadConversionListFromText(const QString& text, const QString& fileName) {
  return ConversionFromLines(SplitTextLines(text), fileName);
}

}  // namespace shurencho
