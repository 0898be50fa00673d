#include "data/course_item.h"

#include "text/comma_text.h"

namespace shurencho {

CourseItem::CourseItem(const QString& commaText) : CourseItem(commaText, nullptr) {}

CourseItem::CourseItem(const QString& commaText, int* fieldCount) {
  // Fields are taken as they are split: the word lists hold a thousand items.
  bool* const flags[] = {&hint, &showsReading, &readingOnly, &noConversion};
  int index = 0;
  ForEachCommaField(commaText, [&](QStringView field) {
    if (index == 0) {
      question = field.toString();
    } else if (index == 1) {
      reading = field.toString();
    } else if (index < 6) {
      *flags[index - 2] = field == QLatin1String("1");
    } else {
      candidates.append(field.toString());
    }
    ++index;
  });
  if (fieldCount != nullptr) *fieldCount = index;
}

WordItemMaker::WordItemMaker(const QString& flags)
    : m_flags(QStringLiteral("\"\",\"\",") + flags + QStringLiteral("\"\"")) {}

CourseItem WordItemMaker::operator()(const QString& word) const {
  CourseItem item = m_flags;
  item.question = word;
  item.reading = word;
  item.candidates = QStringList{word};
  return item;
}

}  // namespace shurencho
