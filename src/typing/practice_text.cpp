#include "typing/practice_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "text/errors.h"
#include "typing/rtf_reader.h"
#include "typing/text_detect.h"

namespace {
AppError FileError(const QString& message, const QString& path) {
  return AppError(message + QStringLiteral(": ") + QDir::toNativeSeparators(path));
}
}  // namespace

RichText LoadPracticeText(const QString& path) {
  const QFileInfo info(path);
  if (!info.exists()) throw FileError(QStringLiteral("ファイルが見つかりません"), path);
  if (info.size() > kMaxPracticeFileBytes) throw FileError(QStringLiteral("ファイルが大きすぎます"), path);
  QFile file(path);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
    throw FileError(QStringLiteral("ファイルを読み込めません"), path);
  }
  const QByteArray bytes = file.read(kMaxPracticeFileBytes + 1);
  if (file.error() != QFileDevice::NoError) throw FileError(QStringLiteral("ファイルを読み込めません"), path);
  if (bytes.size() > kMaxPracticeFileBytes) throw FileError(QStringLiteral("ファイルが大きすぎます"), path);
  if (LooksLikeRtf(bytes)) return ReadRtf(bytes);
  return RichText{NormalizePracticeText(DecodePlainText(bytes)), {}};
}
