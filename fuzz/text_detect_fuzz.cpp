// Encoding detection and the practice text form on arbitrary bytes: the
// UTF-8 check agrees with Qt's own strict decoder, and the normal form has
// only whole CR LF breaks, no Ctrl-Z, and stays as it is when normalised again.
#include <QStringDecoder>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "typing/text_detect.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // Stateless: a sequence cut short at the end is an error, not held for more.
  QStringDecoder strict(QStringConverter::Utf8,
                        QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
  const QString strictText = strict.decode(bytes);  // decoding happens on conversion
  if (IsValidUtf8(bytes) != !strict.hasError()) std::abort();

  const QString text = NormalizePracticeText(DecodePlainText(bytes));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c == QLatin1Char('\r') && (i + 1 == text.size() || text.at(i + 1) != QLatin1Char('\n'))) std::abort();
    if (c == QLatin1Char('\n') && (i == 0 || text.at(i - 1) != QLatin1Char('\r'))) std::abort();
    if (c.unicode() == 0x1A || c.unicode() == 0xA0) std::abort();
  }
  if (NormalizePracticeText(text) != text) std::abort();
  return 0;
}
