// CP932 decoding and the line reader: no line holds a CR, nothing after a
// Ctrl-Z is read, and every character is counted once.
#include <QString>
#include <cstdlib>

#include "text/text_file.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString text = DecodeCp932(bytes);
  const QStringList lines = SplitTextLines(text);
  for (const QString& line : lines) {
    if (line.contains(QLatin1Char('\r')) || line.contains(QChar(0x1A))) std::abort();
    const int n = CharCount(line);
    if (CharCount(LeftChars(line, n)) != n) std::abort();
    if (!MidChars(line, n, 3).isEmpty()) std::abort();
  }
  bool ok = false;
  (void)EncodeCp932(text, &ok);
  return 0;
}
