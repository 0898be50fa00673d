#pragma once
// The media player used when no audio device can be opened: it accepts files
// and commands so the music box behaves as usual, and plays nothing.

#include "platform/platform.h"

namespace shurencho {

class NullMediaPlayer final : public MediaPlayer {
 public:
  void Open(const QString& path) override;
  void Play() override;
  void Stop() override;
  void Close() override { m_open = false; }
  bool IsOpen() const override { return m_open; }
  void SetNotify(bool on) override { m_notify = on; }
  void SetCompletionHandler(std::function<void()> handler) override { m_done = std::move(handler); }

 private:
  bool m_open = false;
  bool m_notify = false;
  bool m_playing = false;
  std::function<void()> m_done;
};

}  // namespace shurencho
