#include "typing/text_detect.h"

#include <QStringDecoder>

#include "text/text_file.h"

namespace shurencho {

bool IsValidUtf8(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype n = bytes.size();
  qsizetype i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra = 0;
    unsigned lowest = 0;
    unsigned cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      lowest = 0x80;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      lowest = 0x800;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      lowest = 0x10000;
      cp = c & 0x07;
    } else {
      return false;  // a stray continuation byte, an overlong lead or 0xF5 and up
    }
    if (n - i <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char t = p[i + k];
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

QString DecodePlainText(const QByteArray& file) {
  if (file.startsWith("\xFF\xFE") || file.startsWith("\xFE\xFF")) {
    QStringDecoder decoder(file.startsWith("\xFF") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    QString text = decoder.decode(file.mid(2));
    const qsizetype end = text.indexOf(QChar(0x1A));
    if (end >= 0) text.truncate(end);
    return text;
  }
  // In UTF-8 and CP932 a 0x1A byte is always a Ctrl-Z of its own.
  const qsizetype end = file.indexOf('\x1A');
  const QByteArray bytes = end >= 0 ? file.left(end) : file;
  if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
  if (IsValidUtf8(bytes)) return QString::fromUtf8(bytes);
  // The CP932 decoder puts a Ctrl-Z where a byte is no character; it is not
  // the end of the text there.
  return DecodeCp932(bytes).replace(QChar(0x1A), QChar(0xFFFD));
}

QString NormalizePracticeText(const QString& text) {
  QString out;
  out.reserve(text.size() + text.size() / 16);
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = text.at(i).unicode();
    switch (c) {
      case u'\r':
        if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
        out.append(QStringLiteral("\r\n"));
        break;
      case u'\n':
      case 0x2028:
      case 0x2029:
        out.append(QStringLiteral("\r\n"));
        break;
      case 0x00A0:
        out.append(QLatin1Char(' '));
        break;
      case 0xFDD0:  // the text panes take these two as frame marks
      case 0xFDD1:
        out.append(QChar(0xFFFD));
        break;
      default:
        out.append(QChar(c));
    }
  }
  return out;
}

}  // namespace shurencho
