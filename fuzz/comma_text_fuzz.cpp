// Comma-text: splitting never fails, and joining what was split splits back
// to the same fields.
#include <QString>
#include <cstdlib>

#include "text/comma_text.h"
#include "text/text_file.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString line =
      DecodeCp932(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  const QStringList fields = SplitCommaText(line);
  // Fields that hold a NUL cannot come back through comma-text, which ends at one.
  for (const QString& f : fields) {
    if (f.contains(QChar(0))) return 0;
  }
  if (!fields.isEmpty() && !(fields.size() == 1 && fields[0].isEmpty())) {
    if (SplitCommaText(JoinCommaText(fields)) != fields) std::abort();
  }
  return 0;
}
