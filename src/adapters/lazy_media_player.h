#pragma once
// The music player the program starts with. The real player (the audio
// device and the synthesizer, with some forty libraries behind them) is made
// only once the window is on the screen; until then a silent stand-in takes
// the commands with the same contract, and Start hands the real player the
// open file and a play under way. Without music it is never made at all.

#include <functional>
#include <memory>

#include "adapters/null_media_player.h"
#include "platform/platform.h"

namespace shurencho {

class LazyMediaPlayer final : public MediaPlayer {
 public:
  using Factory = std::function<std::unique_ptr<MediaPlayer>()>;
  explicit LazyMediaPlayer(Factory factory) : m_factory(std::move(factory)) {}

  // Makes the real player (the silent one when the factory gives none) and
  // passes on what was asked so far. Throws the player's error when the open
  // file cannot be opened by it.
  void Start();
  // The window is up: start now if music is playing, else at the first play,
  // so that a session without music never loads the audio libraries.
  void Ready();

  void Open(const QString& path) override;
  void Play() override;
  void Stop() override;
  void Close() override;
  bool IsOpen() const override;
  void SetNotify(bool on) override;
  void SetCompletionHandler(std::function<void()> handler) override;

 private:
  MediaPlayer& Current() { return m_real ? *m_real : static_cast<MediaPlayer&>(m_standIn); }

  Factory m_factory;
  std::unique_ptr<MediaPlayer> m_real;
  NullMediaPlayer m_standIn;
  QString m_path;
  bool m_playing = false;
  bool m_notify = false;
  bool m_startOnPlay = false;
  std::function<void()> m_handler;
};

}  // namespace shurencho
