#include "typing/practice_text.h"

#include <QDir>

#include "text/errors.h"
#include "text/text_file.h"
#include "typing/rtf_reader.h"
#include "typing/text_detect.h"

namespace shurencho {

namespace {
AppError FileError(const QString& message, const QString& path) {
  return AppError(message + QStringLiteral(": ") + QDir::toNativeSeparators(path));
}

// The pane lays out a paragraph in time that grows with the square of its
// looks: a paragraph with a new look on every character of a long line takes
// minutes. Such a paragraph is shown in the plain look; its text is kept.
void DropCrowdedLooks(RichText& content) {
  std::vector<TextRun> kept;
  kept.reserve(content.runs.size());
  std::size_t first = 0;  // first run of the current paragraph
  qsizetype paragraphEnd = -1;
  const auto flush = [&](std::size_t end) {
    if (end - first <= kMaxLooksPerParagraph) {
      kept.insert(kept.end(), content.runs.begin() + static_cast<std::ptrdiff_t>(first),
                  content.runs.begin() + static_cast<std::ptrdiff_t>(end));
    }
    first = end;
  };
  for (std::size_t i = 0; i < content.runs.size(); ++i) {
    const int start = content.runs[i].start;
    if (start > paragraphEnd) {
      flush(i);
      paragraphEnd = content.text.indexOf(QStringLiteral("\r\n"), start);
      if (paragraphEnd < 0) paragraphEnd = content.text.size();
    }
  }
  flush(content.runs.size());
  content.runs = std::move(kept);
}
}  // namespace

RichText LoadPracticeText(const QString& path) {
  QByteArray bytes;
  FileFault fault = FileFault::None;
  if (!ReadRegularFile(path, kMaxPracticeFileBytes, &bytes, &fault)) {
    if (fault == FileFault::TooLarge)
      throw FileError(QStringLiteral("ファイルが大きすぎます（1 MB まで）"), path);
    throw FileError(FileFaultText(fault), path);
  }
  RichText content =
      LooksLikeRtf(bytes) ? ReadRtf(bytes) : RichText{NormalizePracticeText(DecodePlainText(bytes)), {}};
  // A break that ends the text ends its last line; it starts none.
  const qsizetype breaks = content.text.count(QStringLiteral("\r\n"));
  const qsizetype lines = breaks + (content.text.endsWith(QStringLiteral("\r\n")) ? 0 : 1);
  if (lines > kMaxPracticeLines) {
    throw FileError(QStringLiteral("行が多すぎます（%1 行まで）").arg(kMaxPracticeLines), path);
  }
  DropCrowdedLooks(content);
  return content;
}

}  // namespace shurencho
