#include "data/course_item.h"

#include "text/comma_text.h"

namespace shurencho {

CourseItem::CourseItem(const QString& commaText) {
  const QStringList f = SplitCommaText(commaText);
  const auto flag = [&f](int i) { return f.value(i) == QLatin1String("1"); };
  question = f.value(0);
  reading = f.value(1);
  hint = flag(2);
  showsReading = flag(3);
  readingOnly = flag(4);
  noConversion = flag(5);
  candidates = f.mid(6);
}

}  // namespace shurencho
