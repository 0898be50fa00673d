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

CourseList CourseList::Later(Maker make) {
  CourseList list;
  list.m_make = std::move(make);
  return list;
}

const CourseItemList& CourseList::items() const {
  if (m_make) {
    m_items = m_make();
    m_make = nullptr;
  }
  return m_items;
}

void CourseList::clear() {
  m_make = nullptr;
  m_items.clear();
}

void CourseList::append(const CourseItem& item) {
  items();
  m_items.append(item);
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
