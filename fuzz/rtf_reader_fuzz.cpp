// The RTF reader on arbitrary bytes: it never fails, and what it gives is a
// text the typing page can use as it is: every line break a whole CR LF, no
// half surrogate pair, and looks that stay inside the text in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "typing/rtf_reader.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const RichText rich =
      ReadRtf(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  const QString& t = rich.text;
  for (qsizetype i = 0; i < t.size(); ++i) {
    const QChar c = t.at(i);
    if (c == QLatin1Char('\r') && (i + 1 == t.size() || t.at(i + 1) != QLatin1Char('\n'))) std::abort();
    if (c == QLatin1Char('\n') && (i == 0 || t.at(i - 1) != QLatin1Char('\r'))) std::abort();
    if (c.isHighSurrogate() && (i + 1 == t.size() || !t.at(i + 1).isLowSurrogate())) std::abort();
    if (c.isLowSurrogate() && (i == 0 || !t.at(i - 1).isHighSurrogate())) std::abort();
    if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1 || c.unicode() == 0xA0) std::abort();
  }
  int end = 0;
  for (const TextRun& r : rich.runs) {
    if (r.start < end || r.length <= 0 || r.start + r.length > t.size() || r.IsPlain()) std::abort();
    end = r.start + r.length;
  }
  return 0;
}
