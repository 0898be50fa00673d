#include "sdl_player/sdl_media_player.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#include <unistd.h>

#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

#include "text/errors.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

const char kNoDevice[] = "MCI デバイスがありません";

// The mixer's end hook takes no context: it reaches the one player through here.
std::atomic<SdlMediaPlayer*> g_player{nullptr};

// Shorter pieces play once per Play instead of looping in the mixer.
constexpr double kShortestLoopSeconds = 0.25;
// MIDI files are read whole; real ones are well under a megabyte.
constexpr qint64 kMaxMidiFileBytes = 16LL * 1024 * 1024;
}  // namespace

std::unique_ptr<SdlMediaPlayer> SdlMediaPlayer::Create() {
  if (g_player.load() != nullptr) return nullptr;
  // The program handles its own termination signals (it saves the records
  // first); SDL would otherwise take them over and ignore them.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
  // Without the MIDI synthesizer wave files still play.
  Mix_Init(MIX_INIT_MID);
  if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  int frequency = 0, channels = 0;
  Uint16 format = 0;
  Mix_QuerySpec(&frequency, &format, &channels);
  const int bytesPerFrame = std::max(1, static_cast<int>(SDL_AUDIO_BITSIZE(format) / 8) * channels);
  std::unique_ptr<SdlMediaPlayer> player(new SdlMediaPlayer(frequency, bytesPerFrame));
  g_player.store(player.get());
  Mix_SetPostMix(&SdlMediaPlayer::MixedHook, player.get());
  Mix_HookMusicFinished(&SdlMediaPlayer::MusicFinishedHook);
  return player;
}

SdlMediaPlayer::SdlMediaPlayer(int frequency, int bytesPerFrame)
    : m_frequency(frequency), m_bytesPerFrame(bytesPerFrame), m_context(std::make_unique<QObject>()) {}

SdlMediaPlayer::~SdlMediaPlayer() {
  // Both hooks are taken off under the mixer's lock: none runs after this.
  Mix_HookMusicFinished(nullptr);
  Mix_SetPostMix(nullptr, nullptr);
  m_done = nullptr;
  Close();
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  g_player.store(nullptr);
}

void SdlMediaPlayer::MixedHook(void* self, unsigned char*, int len) {
  auto* player = static_cast<SdlMediaPlayer*>(self);
  player->OnMixed(len / player->m_bytesPerFrame);
}

void SdlMediaPlayer::MusicFinishedHook() {
  if (SdlMediaPlayer* player = g_player.load()) player->OnMusicFinished();
}

void SdlMediaPlayer::OnMixed(int frames) {
  const qint64 mixed = m_mixed.fetch_add(frames) + frames;
  qint64 due = m_wrapDue.load();
  // Only the thread that moves the mark on reports the pass; a stop that
  // cleared the mark meanwhile wins.
  if (due > 0 && mixed >= due && m_wrapDue.compare_exchange_strong(due, due + m_loopFrames.load()))
    PostEnded();
}

void SdlMediaPlayer::OnMusicFinished() {
  // Our own halts call the hook on our thread; they are no end of the piece.
  if (!m_halting.load()) PostEnded();
}

void SdlMediaPlayer::PostEnded() {
  const quint64 generation = m_generation.load();
  QMetaObject::invokeMethod(
      m_context.get(), [this, generation] { OnEnded(generation); }, Qt::QueuedConnection);
}

void SdlMediaPlayer::PostReport() {
  QMetaObject::invokeMethod(
      m_context.get(), [this] { CallHandler(); }, Qt::QueuedConnection);
}

void SdlMediaPlayer::CallHandler() {
  if (m_done) m_done();
}

void SdlMediaPlayer::OnEnded(quint64 generation) {
  if (generation != m_generation.load() || m_state != State::Playing) return;
  const bool looping = m_loopFrames.load() > 0;
  // A piece played once has stopped at its end: the next Play starts it anew.
  if (!looping) m_state = State::Stopped;
  if (m_notify) {
    m_notify = false;
    m_inReport = true;
    m_playedInReport = false;
    CallHandler();
    m_inReport = false;
    // The mixer is already into the next pass: it goes on only when the
    // handler asked for another play.
    if (looping && !m_playedInReport && m_state == State::Playing && generation == m_generation.load()) {
      HaltToStart();
    }
  } else if (looping) {
    HaltToStart();
  }
}

void SdlMediaPlayer::HaltToStart() {
  ++m_generation;
  m_wrapDue.store(0);
  m_halting.store(true);
  Mix_HaltMusic();
  m_halting.store(false);
  m_resumeLeft = 0;
  if (m_state != State::Closed) m_state = State::Stopped;
}

namespace {

// The first bytes of an opened file, which tell MIDI from the rest.
QByteArray ReadHead(int fd) {
  char head[12] = {};
  ssize_t got = 0;
  do {
    got = ::pread(fd, head, sizeof head, 0);
  } while (got < 0 && errno == EINTR);
  return QByteArray(head, got > 0 ? static_cast<qsizetype>(got) : 0);
}

// A MIDI file's data, bare: the synthesizer reads no RIFF wrapper.
QByteArray ReadMidi(const QString& path, bool rmi) {
  QByteArray bytes;
  FileFault fault = FileFault::None;
  if (!ReadRegularFile(path, kMaxMidiFileBytes, &bytes, &fault)) throw AppError(FileFaultText(fault, path));
  if (rmi) {
    bytes = MidiInsideRmi(bytes);
    if (bytes.isEmpty()) throw AppError(QStringLiteral("MIDI データが見つかりません: ") + path);
  }
  return bytes;
}

// Anything but MIDI streams from the file already opened (fd, taken over),
// so the mixer never opens the name itself.
Mix_Music* LoadStream(int fd, const QString& path) {
  FILE* stream = ::fdopen(fd, "rb");
  if (stream == nullptr) {
    ::close(fd);
    throw AppError(FileFaultText(FileFault::ReadFailed, path));
  }
  SDL_RWops* source = SDL_RWFromFP(stream, SDL_TRUE);
  if (source == nullptr) {
    std::fclose(stream);
    throw AppError(QString::fromUtf8(SDL_GetError()));
  }
  Mix_Music* music = Mix_LoadMUS_RW(source, 1);
  if (music == nullptr) throw AppError(QString::fromUtf8(Mix_GetError()));
  // MIDI is read apart; the mixer's own reading of a piece it takes for one
  // would end at once, every time it is played again.
  if (Mix_GetMusicType(music) == MUS_MID) {
    Mix_FreeMusic(music);
    throw AppError(QStringLiteral("MIDI データとして読めません: ") + path);
  }
  return music;
}

}  // namespace

void SdlMediaPlayer::Open(const QString& path) {
  Close();
  // Only a regular file is opened, and without blocking: a FIFO or a device
  // chosen as music would otherwise hang the window or play without end.
  FileFault fault = FileFault::None;
  const int fd = OpenRegularFile(path, &fault);
  if (fd < 0) throw AppError(FileFaultText(fault, path));
  const QByteArray start = ReadHead(fd);
  const bool rmi = start.startsWith("RIFF") && start.mid(8, 4) == "RMID";
  if (!rmi && !start.startsWith("MThd")) {
    Mix_Music* music = LoadStream(fd, path);
    Opened(music, {}, Mix_MusicDuration(music));
    return;
  }
  ::close(fd);
  // MIDI: the synthesizer loads its large soundfont with the piece, which
  // takes a good half second. The file is checked now and handed to the
  // mixer at the first Play, so a start with the music off stays quick.
  QByteArray bytes = ReadMidi(path, rmi);
  const double seconds = MidiFileSeconds(bytes);
  if (seconds < 0) throw AppError(QStringLiteral("MIDI データとして読めません: ") + path);
  Opened(nullptr, std::move(bytes), seconds);
}

void SdlMediaPlayer::Opened(Mix_Music* music, QByteArray midi, double seconds) {
  m_musicBytes = std::move(midi);
  m_loopFrames.store(seconds >= kShortestLoopSeconds ? std::llround(seconds * m_frequency) : 0);
  m_music = music;
  m_state = State::Stopped;
}

void SdlMediaPlayer::LoadPendingMidi() {
  if (m_music != nullptr) return;
  m_music = Mix_LoadMUSType_RW(
      SDL_RWFromConstMem(m_musicBytes.constData(), static_cast<int>(m_musicBytes.size())), MUS_MID, 1);
  if (m_music == nullptr) throw AppError(QString::fromUtf8(Mix_GetError()));
}

void SdlMediaPlayer::Play() {
  switch (m_state) {
    case State::Closed:
      throw AppError(QString::fromUtf8(kNoDevice));
    case State::Playing:
      // Playing on: inside an end report this keeps the loop going.
      if (m_inReport) m_playedInReport = true;
      return;
    case State::Paused: {
      ++m_generation;
      Mix_ResumeMusic();
      const qint64 loop = m_loopFrames.load();
      if (loop > 0) m_wrapDue.store(m_mixed.load() + (m_resumeLeft > 0 ? m_resumeLeft : loop));
      m_state = State::Playing;
      return;
    }
    case State::Stopped: {
      LoadPendingMidi();
      ++m_generation;
      const qint64 loop = m_loopFrames.load();
      if (Mix_PlayMusic(m_music, loop > 0 ? -1 : 0) != 0) throw AppError(QString::fromUtf8(Mix_GetError()));
      if (loop > 0) m_wrapDue.store(m_mixed.load() + loop);
      m_resumeLeft = 0;
      m_state = State::Playing;
      return;
    }
  }
}

void SdlMediaPlayer::Stop() {
  if (m_state == State::Closed) throw AppError(QString::fromUtf8(kNoDevice));
  if (m_state != State::Playing) return;
  ++m_generation;
  const qint64 due = m_wrapDue.exchange(0);
  m_resumeLeft = due > 0 ? std::max<qint64>(0, due - m_mixed.load()) : 0;
  Mix_PauseMusic();
  m_state = State::Paused;
  // The interrupted play reports once, after the handler that stopped it.
  if (m_notify) {
    m_notify = false;
    PostReport();
  }
}

void SdlMediaPlayer::Close() {
  if (m_state == State::Closed) return;
  m_notify = false;
  HaltToStart();
  if (m_music != nullptr) Mix_FreeMusic(m_music);
  m_music = nullptr;
  m_musicBytes.clear();
  m_loopFrames.store(0);
  m_state = State::Closed;
}

}  // namespace shurencho
