#include "adapters/null_media_player.h"

#include <QFileInfo>

#include "text/errors.h"

namespace shurencho {

void NullMediaPlayer::Open(const QString& path) {
  m_open = false;
  if (!QFileInfo(path).isFile()) throw AppError(QStringLiteral("ファイルを開けません: ") + path);
  m_open = true;
}

void NullMediaPlayer::Play() {
  if (!m_open) throw AppError(QStringLiteral("MCI デバイスがありません"));
  m_playing = true;
}

void NullMediaPlayer::Stop() {
  if (!m_open) throw AppError(QStringLiteral("MCI デバイスがありません"));
  // A stop interrupts the play, which reports its completion once.
  if (m_playing && m_notify && m_done) {
    m_playing = false;
    m_notify = false;
    m_done();
  }
  m_playing = false;
}

}  // namespace shurencho
