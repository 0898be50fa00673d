// Feeds arbitrary bytes to the table loader as a table file, then asks the
// two queries about readings and typed text cut from the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/kana_roma_table.h"
#include "text/errors.h"
#include "text/text_file.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text =
      DecodeCp932(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  KanaRomaTable table;
  try {
    table = LoadKanaRomaTableFromText(text, QStringLiteral("fuzz.dat"));
  } catch (const DataFileError&) {
    return 0;
  }
  if (table.count() < kKanaRomaTableMinLines || table.count() > kKanaRomaTableSlots) std::abort();
  const KanaKeyList keys = BuildKanaKeyList(table);
  if (keys.size() != table.count()) std::abort();
  if (BuildAlphabetLetterList(table).size() != kAlphabetLetterCount) std::abort();
  if (BuildKanaLetterList(table).size() != kKanaLetterCount) std::abort();

  // The whole text as one reading: every step must move on, and every unit
  // must be judged without trouble against a few of its own characters.
  const int length = CharCount(text);
  for (int p = 0; p < length && p < 60;) {
    const KanaUnitStep step = NextKanaUnit(keys, text, length, p);
    if (step.position <= p || step.position > p + 3) std::abort();
    const int r = MatchRomaji(table, keys, step.unit, MidChars(text, p, 1 + p % 5));
    if (r < -1 || r > 1) std::abort();
    KanaUnitLine(table, keys, step.unit);
    p = step.position;
  }
  // A claimed length beyond the text, and a negative position.
  NextKanaUnit(keys, text, length + 3, length);
  NextKanaUnit(keys, text, length, -2);
  return 0;
}
