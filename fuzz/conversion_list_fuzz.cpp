// Feeds arbitrary bytes to the conversion-list loader as a conversion file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/word_list.h"
#include "text/errors.h"
#include "text/text_file.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      DecodeCp932(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  CourseItemList items;
  try {
    items = LoadConversionListFromText(text, QStringLiteral("fuzz.dat"));
  } catch (const DataFileError&) {
    return 0;
  }
  // What is taken must be usable by the drill: six fields at least, a
  // question and a reading, and a candidate when it is to be converted.
  const qsizetype lines = SplitTextLines(text).size();
  if (items.size() >= lines && lines > 0) std::abort();
  for (const CourseItem& item : items) {
    if (item.question.isEmpty() || item.reading.isEmpty()) std::abort();
    if (!item.readingOnly && !item.noConversion && item.candidates.isEmpty()) std::abort();
  }
  return 0;
}
