// Writes the CP932 tables the program decodes and encodes with, as constant
// data, from the toolkit's converter: run once at build time, so the program
// never starts the converter (and the conversion library's data) itself.
// Usage: make_cp932_tables OUT.cpp
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextStream>
#include <cstdio>

namespace {

bool IsLeadByte(int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(int b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// The converter maps three control characters the IBM way; the program
// swaps them back before encoding, so the table is made the same way.
char16_t ToIbmControl(char16_t c) {
  switch (c) {
    case 0x1A:
      return 0x1C;
    case 0x1C:
      return 0x7F;
    case 0x7F:
      return 0x1A;
    default:
      return c;
  }
}

QStringDecoder Decoder() {
  QStringDecoder decoder("CP932");
  if (!decoder.isValid()) decoder = QStringDecoder("Shift_JIS");
  return decoder;
}

QStringEncoder Encoder() {
  QStringEncoder encoder("CP932");
  if (!encoder.isValid()) encoder = QStringEncoder("Shift_JIS");
  return encoder;
}

QString Bytes(const QByteArray& bytes) {
  QString out;
  for (char b : bytes) out += QStringLiteral("'\\x%1', ").arg(static_cast<uchar>(b), 2, 16, QLatin1Char('0'));
  return out;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_cp932_tables OUT.cpp\n");
    return 2;
  }
  QString out;
  QTextStream s(&out);
  s << "// Made at build time by make_cp932_tables; do not edit.\n"
       "#include \"text/cp932_tables.h\"\n\nnamespace shurencho::cp932 {\n\n";

  // Every double-byte pair in one pass, each followed by a line feed, so
  // that a pair the converter refuses cannot shift the ones after it.
  QByteArray all;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (!IsTrailByte(trail)) continue;
      all += static_cast<char>(lead);
      all += static_cast<char>(trail);
      all += '\n';
    }
  }
  QStringDecoder decoder = Decoder();
  if (!decoder.isValid()) {
    std::fprintf(stderr, "make_cp932_tables: the toolkit has no CP932 converter\n");
    return 1;
  }
  const QStringList pieces = QString(decoder.decode(all)).split(QLatin1Char('\n'));
  s << "const char16_t kPairs[kLeadCount * kTrailCount] = {";
  qsizetype k = 0;
  int column = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      char16_t c = 0xFFFD;
      if (IsTrailByte(trail)) {
        const QString piece = pieces.value(k++);
        if (piece.size() == 1 && piece[0].unicode() >= 0x80) c = piece[0].unicode();
      }
      s << (column++ % 12 == 0 ? "\n    " : " ") << QStringLiteral("0x%1,").arg(c, 4, 16, QLatin1Char('0'));
    }
  }
  s << "\n};\n\n";

  // Each character of the basic plane the converter encodes, in order; and
  // those it has no code for but drops without a substitute.
  QString encodings;
  QString ignored;
  QTextStream e(&encodings);
  QTextStream g(&ignored);
  int count = 0;
  int ignoredCount = 0;
  for (int u = 0; u <= 0xFFFF; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    QStringEncoder encoder = Encoder();
    const QChar c(ToIbmControl(static_cast<char16_t>(u)));
    const QByteArray bytes = encoder.encode(QStringView(&c, 1));
    if (encoder.hasError()) {
      if (bytes.isEmpty()) {
        g << (ignoredCount++ % 12 == 0 ? "\n    " : " ")
          << QStringLiteral("0x%1,").arg(u, 4, 16, QLatin1Char('0'));
      }
      continue;
    }
    if (bytes.size() > 2) continue;
    // A few format characters are dropped without fault.
    const int code = bytes.isEmpty()     ? 0xFFFF
                     : bytes.size() == 1 ? static_cast<uchar>(bytes[0])
                                         : (static_cast<uchar>(bytes[0]) << 8) | static_cast<uchar>(bytes[1]);
    e << (count++ % 6 == 0 ? "\n    " : " ")
      << QStringLiteral("{0x%1, 0x%2},").arg(u, 4, 16, QLatin1Char('0')).arg(code, 0, 16);
  }
  e.flush();
  g.flush();
  s << "const Encoding kEncodings[] = {" << encodings << "\n};\nconst int kEncodingCount = " << count
    << ";\n\n";
  s << "const char16_t kIgnored[] = {" << ignored << "\n};\nconst int kIgnoredCount = " << ignoredCount
    << ";\n\n";

  // What the converter writes for a character it has no code for.
  QStringEncoder encoder = Encoder();
  const QByteArray substitute = encoder.encode(QString(QChar(0x0100)));
  s << "const char kSubstitute[] = {" << Bytes(substitute) << "};\n";
  s << "const int kSubstituteSize = " << substitute.size() << ";\n\n}  // namespace shurencho::cp932\n";

  QFile file(QString::fromLocal8Bit(argv[1]));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(out.toUtf8()) < 0) {
    std::fprintf(stderr, "make_cp932_tables: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
