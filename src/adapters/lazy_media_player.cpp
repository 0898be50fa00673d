#include "adapters/lazy_media_player.h"

namespace shurencho {

void LazyMediaPlayer::Start() {
  if (m_real) return;
  std::unique_ptr<MediaPlayer> real = m_factory ? m_factory() : nullptr;
  if (!real) real = std::make_unique<NullMediaPlayer>();
  m_real = std::move(real);
  m_standIn.SetCompletionHandler(nullptr);
  m_real->SetCompletionHandler(m_handler);
  if (!m_standIn.IsOpen()) return;
  m_standIn.Close();
  m_real->Open(m_path);
  if (m_playing) {
    m_real->SetNotify(m_notify);
    m_real->Play();
  }
}

void LazyMediaPlayer::Open(const QString& path) {
  if (m_real) return m_real->Open(path);
  m_playing = false;
  m_path = path;
  m_standIn.Open(path);
}

void LazyMediaPlayer::Ready() {
  if (m_playing) {
    Start();
  } else {
    m_startOnPlay = true;
  }
}

void LazyMediaPlayer::Play() {
  if (m_real) return m_real->Play();
  m_standIn.Play();  // refuses a play with no file open, as the real one does
  m_playing = true;
  if (m_startOnPlay) Start();
}

void LazyMediaPlayer::Stop() {
  if (m_real) return m_real->Stop();
  // A stop reports the play it interrupts, which takes the request with it.
  if (m_playing) m_notify = false;
  m_playing = false;
  m_standIn.Stop();
}

void LazyMediaPlayer::Close() {
  m_playing = false;
  Current().Close();
}

bool LazyMediaPlayer::IsOpen() const { return m_real ? m_real->IsOpen() : m_standIn.IsOpen(); }

void LazyMediaPlayer::SetNotify(bool on) {
  if (!m_real) m_notify = on;
  Current().SetNotify(on);
}

void LazyMediaPlayer::SetCompletionHandler(std::function<void()> handler) {
  m_handler = handler;
  Current().SetCompletionHandler(std::move(handler));
}

}  // namespace shurencho
