// The settings file parser: any bytes read, every key looked up, a key set
// and the file rebuilt in memory.
#include <QByteArray>

#include "platform/ini_file.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  IniFile ini(QStringLiteral("/nonexistent/fuzz.ini"), bytes);
  for (const char* key : {"TradeMark", "KeySpeed", "CourseNo", "warmup", "x"}) {
    (void)ini.ReadString(QStringLiteral("Titile"), QString::fromLatin1(key), QStringLiteral("ERROR"));
    (void)ini.ReadInteger(QStringLiteral("Result"), QString::fromLatin1(key), -1);
  }
  ini.SetString(QStringLiteral("Result"), QStringLiteral("CourseNo"), QStringLiteral("2"));
  ini.SetString(QStringLiteral("New"), QStringLiteral("k"), QString::fromLatin1(bytes.left(64)));
  (void)ini.ReadString(QStringLiteral("new"), QStringLiteral("K"), QString());
  return 0;
}
