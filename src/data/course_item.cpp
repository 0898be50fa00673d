#include "data/course_item.h"

#include "text/comma_text.h"

namespace shurencho {

CourseItem::CourseItem(const QString& commaText) {
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
}

}  // namespace shurencho
