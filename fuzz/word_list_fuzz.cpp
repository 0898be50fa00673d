// Feeds arbitrary bytes to the word-list loader as a word file.

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
    items = LoadWordListFromText(text, QStringLiteral("fuzz.dat"), QString::fromLatin1(kKanaWordFlags));
  } catch (const DataFileError&) {
    return 0;
  }
  // Every word item is the word, the word and the word again as its one
  // candidate, typed alone. A NUL ends the fields early, as it ended a byte
  // string, so such texts are not checked.
  if (text.contains(QChar(0))) return 0;
  for (const CourseItem& item : items) {
    if (item.question != item.reading || item.candidates.size() != 1 || !item.noConversion) std::abort();
  }
  return 0;
}
