#include "adapters/history_path.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "history/history_schema.h"

namespace shurencho {

namespace {

void SetError(QString* error, const QString& text) {
  if (error) *error = text;
}

}  // namespace

namespace history_reason {

QString Damaged() { return QStringLiteral("ファイルが壊れているか、学習履歴のファイルではありません。"); }
QString ReadOnly() { return QStringLiteral("ファイルまたはフォルダが書込禁止です。"); }
QString CannotOpen() { return QStringLiteral("ファイルを開けません。アクセス権を確認してください。"); }
QString Newer() { return QStringLiteral("新しい版の打鍵修練帖で作られたファイルです。"); }
QString Foreign() { return QStringLiteral("ほかのプログラムのデータベースです。"); }

}  // namespace history_reason

QString DefaultHistoryPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/shurencho/history.sqlite");
}

bool CheckHistoryFile(const QString& path, QString* error, bool* foreign) {
  if (foreign) *foreign = false;
  const QFileInfo file(path);
  if (!QDir().mkpath(file.absolutePath())) {
    SetError(error, QStringLiteral("フォルダを作成できません: ") + file.absolutePath());
    return false;
  }
  if (!QFileInfo(file.absolutePath()).isWritable() || (file.exists() && !file.isWritable())) {
    SetError(error, history_reason::ReadOnly());
    return false;
  }
  // A link to nothing: SQLite would make a file wherever it points, or fail
  // in words that blame the permissions.
  if (file.isSymLink() && !file.exists()) {
    SetError(error, QStringLiteral("リンク先のファイルがありません: ") + file.symLinkTarget());
    return false;
  }
  if (!file.exists()) return true;
  if (!file.isFile()) {
    SetError(error, QStringLiteral("通常のファイルではありません。"));
    return false;
  }
  QFile f(file.absoluteFilePath());
  if (!f.open(QIODevice::ReadOnly)) {
    SetError(error, history_reason::CannotOpen());
    return false;
  }
  // An empty file is a new database; any other starts with SQLite's
  // 100-byte header, whose bytes 60..63 hold the user_version and 68..71
  // the application_id.
  const QByteArray header = f.read(100);
  if (header.isEmpty()) return true;
  if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0"))) {
    SetError(error, history_reason::Damaged());
    return false;
  }
  const auto byte = [&](int i) { return static_cast<quint32>(static_cast<uchar>(header[i])); };
  const auto word = [&](int i) { return byte(i) << 24 | byte(i + 1) << 16 | byte(i + 2) << 8 | byte(i + 3); };
  // A file cut short, or one whose page size is none SQLite writes, is
  // damaged whatever the rest says: the page size (bytes 16..17, 1 for
  // 65536) is a power of two from 512, and the file is whole pages.
  const quint32 pageSize = byte(16) << 8 | byte(17);
  const qint64 page = pageSize == 1 ? 65536 : pageSize;
  if (page < 512 || (page & (page - 1)) != 0 || file.size() < page || file.size() % page != 0) {
    SetError(error, history_reason::Damaged());
    return false;
  }
  const quint32 version = word(60);
  const quint32 marker = word(68);
  // Every file of ours past the first version carries the marker: one
  // without it at a later version, or with another, is another program's.
  if ((marker != 0 && marker != static_cast<quint32>(history_schema::kApplicationId)) ||
      (marker == 0 && version > static_cast<quint32>(history_schema::kVersion))) {
    if (foreign) *foreign = true;
    SetError(error, history_reason::Foreign());
    return false;
  }
  if (version > static_cast<quint32>(history_schema::kVersion)) {
    SetError(error, history_reason::Newer());
    return false;
  }
  return true;
}

}  // namespace shurencho
