#include "text/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <cerrno>

#include "text/cp932_tables.h"
#include "text/errors.h"

namespace shurencho {

namespace {

// In the Windows code page every byte below 0x80 stands for itself and a
// Ctrl-Z ends a text (the converter behind Qt maps three control bytes the
// IBM way and marks bytes it cannot decode with a Ctrl-Z), so single bytes
// are decoded here and the double-byte characters come from the tables.
bool IsLeadByte(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(uchar b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

QChar PairChar(uchar lead, uchar trail) {
  const int l = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + (0x9F - 0x81 + 1);
  return QChar(cp932::kPairs[l * cp932::kTrailCount + (trail - 0x40)]);
}

// The code of c, or -1 when it has none.
int CodeOf(char16_t c) {
  const cp932::Encoding* begin = cp932::kEncodings;
  const cp932::Encoding* end = begin + cp932::kEncodingCount;
  const cp932::Encoding* it =
      std::lower_bound(begin, end, c, [](const cp932::Encoding& e, char16_t u) { return e.unicode < u; });
  return it != end && it->unicode == c ? it->code : -1;
}

}  // namespace

QString DecodeCp932(const QByteArray& bytes) {
  // Never more characters than bytes: written in place, then cut to size.
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n; ++i) {
    const uchar b = static_cast<uchar>(bytes[i]);
    if (b < 0x80) {
      *out++ = QChar(b);
    } else if (b >= 0xA1 && b <= 0xDF) {
      *out++ = QChar(0xFF61 + (b - 0xA1));  // half-width katakana
    } else if (IsLeadByte(b) && i + 1 < n && IsTrailByte(static_cast<uchar>(bytes[i + 1]))) {
      *out++ = PairChar(b, static_cast<uchar>(bytes[i + 1]));
      ++i;
    } else {
      *out++ = QChar(0xFFFD);
    }
  }
  text.truncate(out - text.constData());
  return text;
}

QByteArray EncodeCp932(const QString& text, bool* ok) {
  QByteArray out;
  out.reserve(text.size() * 2);
  bool all = true;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t c = text.at(i).unicode();
    const int code = text.at(i).isSurrogate() ? -1 : CodeOf(c);
    if (code < 0) {
      all = false;
      if (!text.at(i).isSurrogate() &&
          std::binary_search(cp932::kIgnored, cp932::kIgnored + cp932::kIgnoredCount, c))
        continue;
      out.append(cp932::kSubstitute, cp932::kSubstituteSize);
      // A pair of surrogates is one character.
      if (text.at(i).isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) ++i;
    } else if (code == cp932::kDropped) {
      continue;
    } else if (code > 0xFF) {
      out.append(static_cast<char>(code >> 8));
      out.append(static_cast<char>(code & 0xFF));
    } else {
      out.append(static_cast<char>(code));
    }
  }
  if (ok) *ok = all;
  return out;
}

bool IsCp932Encodable(const QString& text) {
  bool ok = false;
  EncodeCp932(text, &ok);
  return ok;
}

QStringList SplitTextLines(const QString& text) {
  QStringList lines;
  // An end-of-file mark ends the text.
  qsizetype n = text.indexOf(QChar(0x1A));
  if (n < 0) n = text.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    if (text.at(i) != QLatin1Char('\r')) continue;
    lines.append(text.mid(start, i - start));
    if (i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < n) lines.append(text.mid(start, n - start));
  return lines;
}

int OpenRegularFile(const QString& path, FileFault* fault) {
  *fault = FileFault::None;
  const QByteArray name = QFile::encodeName(path);
  if (name.isEmpty()) {
    *fault = FileFault::Missing;
    return -1;
  }
  int fd = -1;
  do {
    fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *fault = (errno == ENOENT || errno == ENOTDIR) ? FileFault::Missing : FileFault::ReadFailed;
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *fault = FileFault::NotRegular;
    ::close(fd);
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

namespace {

// Reads fd into data from *got on, until data is full or the file ends;
// false on a read error.
bool Fill(int fd, QByteArray& data, qint64* got) {
  while (*got < data.size()) {
    const ssize_t n = ::read(fd, data.data() + *got, static_cast<size_t>(data.size() - *got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *got += n;
  }
  return true;
}

}  // namespace

bool ReadRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, FileFault* fault) {
  bytes->clear();
  const int fd = OpenRegularFile(path, fault);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > maxBytes) {
    ::close(fd);
    *fault = FileFault::TooLarge;
    return false;
  }
  // The size is only a hint (files under /proc say 0): read to the end, one
  // byte past the limit at most.
  QByteArray data;
  data.resize(static_cast<qsizetype>(std::min<qint64>(std::max<qint64>(st.st_size, 4096), maxBytes) + 1));
  qint64 got = 0;
  bool ok = true;
  while ((ok = Fill(fd, data, &got)) && got == data.size() && got <= maxBytes) {
    data.resize(static_cast<qsizetype>(std::min<qint64>(got * 2, maxBytes + 1)));
  }
  ::close(fd);
  if (!ok || got > maxBytes) {
    *fault = ok ? FileFault::TooLarge : FileFault::ReadFailed;
    return false;
  }
  data.resize(static_cast<qsizetype>(got));
  *bytes = std::move(data);
  return true;
}

bool ReadRegularFileHead(const QString& path, qsizetype headBytes, QByteArray* head, FileFault* fault) {
  head->clear();
  const int fd = OpenRegularFile(path, fault);
  if (fd < 0) return false;
  QByteArray data(headBytes, Qt::Uninitialized);
  qint64 got = 0;
  const bool ok = Fill(fd, data, &got);
  ::close(fd);
  if (!ok) {
    *fault = FileFault::ReadFailed;
    return false;
  }
  data.resize(static_cast<qsizetype>(got));
  *head = std::move(data);
  return true;
}

QString FileFaultText(FileFault fault) {
  switch (fault) {
    case FileFault::None:
      return {};
    case FileFault::Missing:
      return QStringLiteral("ファイルが見つかりません");
    case FileFault::NotRegular:
      return QStringLiteral("通常のファイルではありません");
    case FileFault::TooLarge:
      return QStringLiteral("ファイルが大きすぎます");
    case FileFault::ReadFailed:
      break;
  }
  return QStringLiteral("ファイルを読み込めません");
}

QString FileFaultText(FileFault fault, const QString& path) {
  return FileFaultText(fault) + QStringLiteral(": ") + path;
}

QString ReadTextFile(const QString& path) {
  QByteArray bytes;
  FileFault fault = FileFault::None;
  if (!ReadRegularFile(path, kMaxDataFileBytes, &bytes, &fault))
    throw DataFileError(path, 0, FileFaultText(fault));
  return DecodeCp932(bytes);
}

QStringList ReadTextFileLines(const QString& path) { return SplitTextLines(ReadTextFile(path)); }

int Cp932Width(QChar c) {
  const char16_t u = c.unicode();
  return (u < 0x80 || (u >= 0xFF61 && u <= 0xFF9F)) ? 1 : 2;
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

}  // namespace shurencho
