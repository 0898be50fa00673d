#pragma once
// The background-music player on the audio device (SDL_mixer): MIDI through
// the FluidSynth synthesizer and Debian's General MIDI soundfont, WAV as it
// is. A piece of known length loops inside the mixer without a gap; at each
// pass over its end the player reports the end on the GUI thread, and keeps
// looping only when the report's handler plays again, so the outside sees
// the plain open/play/stop/close player with its completion reports.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

#include "platform/midi_file.h"
#include "platform/platform.h"

#ifdef SHURENCHO_HAVE_SDL_MIXER
typedef struct _Mix_Music Mix_Music;
#endif

namespace shurencho {

#ifdef SHURENCHO_HAVE_SDL_MIXER

class SdlMediaPlayer final : public MediaPlayer {
 public:
  // Opens the audio device; nullptr when there is none (or a player exists:
  // the mixer's end hook has room for one).
  static std::unique_ptr<SdlMediaPlayer> Create();
  ~SdlMediaPlayer() override;
  SdlMediaPlayer(const SdlMediaPlayer&) = delete;
  SdlMediaPlayer& operator=(const SdlMediaPlayer&) = delete;

  void Open(const QString& path) override;
  void Play() override;
  void Stop() override;
  void Close() override;
  bool IsOpen() const override { return m_state != State::Closed; }
  void SetNotify(bool on) override { m_notify = on; }
  void SetCompletionHandler(std::function<void()> handler) override { m_done = std::move(handler); }

  // Output frames a second, and the length of one pass of the open piece in
  // frames (0 when it is not known and the piece plays once per Play).
  int Frequency() const { return m_frequency; }
  qint64 LoopFrames() const { return m_loopFrames.load(); }

 private:
  enum class State { Closed, Stopped, Playing, Paused };

  SdlMediaPlayer(int frequency, int bytesPerFrame);
  static void MixedHook(void* self, unsigned char* stream, int len);
  static void MusicFinishedHook();

  void OnMixed(int frames);          // audio thread
  void OnMusicFinished();            // audio thread
  void OnEnded(quint64 generation);  // GUI thread: a pass reached its end
  void PostEnded();
  void PostReport();
  void CallHandler();
  // Hands an opened MIDI file to the mixer (which loads the soundfont) on first play.
  void LoadPendingMidi();
  // Takes an opened piece: the mixer's, or MIDI data it gets at the first play.
  void Opened(Mix_Music* music, QByteArray midi, double seconds);
  // Stops the mixer's music and forgets where it was.
  void HaltToStart();

  const int m_frequency;
  const int m_bytesPerFrame;
  std::unique_ptr<QObject> m_context;  // lives on the GUI thread; reports are queued to it
  Mix_Music* m_music = nullptr;
  QByteArray m_musicBytes;  // the MIDI data, which the piece reads from (loaded at the first play)
  State m_state = State::Closed;
  bool m_notify = false;
  bool m_inReport = false;
  bool m_playedInReport = false;
  qint64 m_resumeLeft = 0;  // frames left in the pass when a stop paused it
  std::function<void()> m_done;

  // Shared with the audio thread.
  std::atomic<qint64> m_mixed{0};    // frames mixed since the device opened
  std::atomic<qint64> m_wrapDue{0};  // m_mixed at the end of this pass; 0 when not playing
  std::atomic<qint64> m_loopFrames{0};
  std::atomic<quint64> m_generation{0};  // bumped whenever earlier end reports go stale
  std::atomic<bool> m_halting{false};
};

#endif

}  // namespace shurencho
