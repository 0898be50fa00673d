#include "text/text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include "text/errors.h"

namespace {

// The converter behind Qt maps three control bytes the IBM way (0x1A, 0x1C
// and 0x7F trade places) and marks bytes it cannot decode with a Ctrl-Z. In
// the Windows code page every byte below 0x80 stands for itself and a Ctrl-Z
// ends a text, so single bytes are decoded here and only the double-byte
// characters come from the converter, once, into a table.
bool IsLeadByte(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(uchar b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
constexpr int kTrailCount = 0xFC - 0x40 + 1;

int PairIndex(uchar lead, uchar trail) {
  const int l = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0x9F - 0x81 + 1);
  return l * kTrailCount + (trail - 0x40);
}

class DoubleByteTable {
 public:
  DoubleByteTable() : m_chars(PairIndex(0xFC, 0xFC) + 1, QChar(0xFFFD)) {
    // All pairs in one pass, each followed by a line feed, so that a pair the
    // converter refuses cannot shift the ones after it.
    QByteArray all;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<uchar>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrailByte(static_cast<uchar>(trail))) continue;
        all += static_cast<char>(lead);
        all += static_cast<char>(trail);
        all += '\n';
      }
    }
    QStringDecoder decoder("CP932");
    if (!decoder.isValid()) decoder = QStringDecoder("Shift_JIS");
    const QStringList pieces = QString(decoder.decode(all)).split(QLatin1Char('\n'));
    qsizetype k = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<uchar>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsTrailByte(static_cast<uchar>(trail))) continue;
        const QString piece = pieces.value(k++);
        if (piece.size() == 1 && piece[0].unicode() >= 0x80) {
          m_chars[PairIndex(static_cast<uchar>(lead), static_cast<uchar>(trail))] = piece[0];
        }
      }
    }
  }
  QChar At(uchar lead, uchar trail) const { return m_chars[PairIndex(lead, trail)]; }

 private:
  QList<QChar> m_chars;
};

QChar ToIbmControl(QChar c) {
  switch (c.unicode()) {
    case 0x1A: return QChar(0x1C);
    case 0x1C: return QChar(0x7F);
    case 0x7F: return QChar(0x1A);
    default: return c;
  }
}

}  // namespace

QString DecodeCp932(const QByteArray& bytes) {
  static const DoubleByteTable table;
  QString text;
  text.reserve(bytes.size());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n; ++i) {
    const uchar b = static_cast<uchar>(bytes[i]);
    if (b < 0x80) {
      text.append(QChar(b));
    } else if (b >= 0xA1 && b <= 0xDF) {
      text.append(QChar(0xFF61 + (b - 0xA1)));  // half-width katakana
    } else if (IsLeadByte(b) && i + 1 < n && IsTrailByte(static_cast<uchar>(bytes[i + 1]))) {
      text.append(table.At(b, static_cast<uchar>(bytes[i + 1])));
      ++i;
    } else {
      text.append(QChar(0xFFFD));
    }
  }
  return text;
}

QByteArray EncodeCp932(const QString& text, bool* ok) {
  QStringEncoder encoder("CP932");
  if (!encoder.isValid()) encoder = QStringEncoder("Shift_JIS");
  QString swapped = text;
  for (QChar& c : swapped) c = ToIbmControl(c);
  QByteArray out = encoder.encode(swapped);
  if (ok) *ok = !encoder.hasError();
  return out;
}

bool IsCp932Encodable(const QString& text) {
  bool ok = false;
  EncodeCp932(text, &ok);
  return ok;
}

QStringList SplitTextLines(const QString& text) {
  QStringList lines;
  QString current;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text.at(i);
    if (c == QChar(0x1A)) break;
    if (c == QLatin1Char('\r')) {
      lines.append(current);
      current.clear();
      if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
      continue;
    }
    current.append(c);
  }
  if (!current.isEmpty()) lines.append(current);
  return lines;
}

QStringList ReadTextFileLines(const QString& path) {
  QFile file(path);
  if (!QFileInfo::exists(path) || QFileInfo(path).isDir()) {
    throw DataFileError(path, 0, QStringLiteral("ファイルが見つかりません"));
  }
  if (!file.open(QIODevice::ReadOnly)) {
    throw DataFileError(path, 0, QStringLiteral("ファイルを読み込めません"));
  }
  return SplitTextLines(DecodeCp932(file.readAll()));
}

int CharCount(const QString& text) {
  int count = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (!(text.at(i).isLowSurrogate() && i > 0 && text.at(i - 1).isHighSurrogate())) ++count;
  }
  return count;
}

namespace {
// Index in UTF-16 units of the 0-based character index ch (clamped).
qsizetype UnitIndex(const QString& text, int ch) {
  qsizetype i = 0;
  for (int k = 0; k < ch && i < text.size(); ++k) {
    i += (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
  }
  return i;
}
}  // namespace

QString LeftChars(const QString& text, int n) {
  if (n <= 0) return {};
  return text.left(UnitIndex(text, n));
}

QString MidChars(const QString& text, int from, int n) {
  if (n <= 0 || from < 0) return {};
  const qsizetype start = UnitIndex(text, from);
  const qsizetype end = UnitIndex(text, from + n);
  return text.mid(start, end - start);
}
