#include "text/text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include "text/errors.h"

QString DecodeCp932(const QByteArray& bytes) {
  QStringDecoder decoder("CP932");
  if (!decoder.isValid()) decoder = QStringDecoder("Shift_JIS");
  return decoder.decode(bytes);
}

QByteArray EncodeCp932(const QString& text, bool* ok) {
  QStringEncoder encoder("CP932");
  if (!encoder.isValid()) encoder = QStringEncoder("Shift_JIS");
  QByteArray out = encoder.encode(text);
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
