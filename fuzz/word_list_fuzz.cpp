// Feeds arbitrary bytes to the word-list loader as a word file.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/word_list.h"
#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = DecodeCp932(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  CourseItemList items;
  try {
    items = LoadWordListFromText(text, QStringLiteral("fuzz.dat"), QString::fromLatin1(kKanaWordFlags));
  } catch (const DataFileError&) {
    return 0;
  }
  // Every word item splits back into seven fields: the word, the word, the
  // flags and the word again. A NUL ends a split early, as it ended a byte
  // string, so such words are not checked.
  for (const CourseItem& item : items) {
    if (item.contains(QChar(0))) continue;
    const QStringList fields = SplitCommaText(item);
    if (fields.size() != 7 || fields.at(0) != fields.at(1)) std::abort();
  }
  return 0;
}
