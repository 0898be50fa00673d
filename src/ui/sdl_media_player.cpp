#include "ui/sdl_media_player.h"

#include <QFile>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <map>

#include "text/errors.h"
#include "ui/null_media_player.h"

#ifdef SHURENCHO_HAVE_SDL_MIXER
#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>
#endif

namespace {

const char kNoDevice[] = "MCI デバイスがありません";

// Reads the bytes of a standard MIDI file with bounds checks throughout.
class SmfReader {
 public:
  explicit SmfReader(const QByteArray& bytes) : m_bytes(bytes) {}
  bool Has(qsizetype n) const { return n >= 0 && m_pos + n <= m_bytes.size(); }
  qsizetype pos() const { return m_pos; }
  void Seek(qsizetype pos) { m_pos = pos; }
  bool Skip(qsizetype n) {
    if (!Has(n)) return false;
    m_pos += n;
    return true;
  }
  bool Byte(quint32* v) {
    if (!Has(1)) return false;
    *v = static_cast<quint8>(m_bytes[m_pos++]);
    return true;
  }
  bool Big(int n, quint32* v) {
    if (!Has(n)) return false;
    quint32 r = 0;
    for (int i = 0; i < n; ++i) r = (r << 8) | static_cast<quint8>(m_bytes[m_pos++]);
    *v = r;
    return true;
  }
  bool Little(int n, quint32* v) {
    if (!Has(n)) return false;
    quint32 r = 0;
    for (int i = 0; i < n; ++i) r |= static_cast<quint32>(static_cast<quint8>(m_bytes[m_pos++])) << (8 * i);
    *v = r;
    return true;
  }
  // A variable-length quantity: at most four bytes.
  bool VarLen(quint32* v) {
    quint32 r = 0;
    for (int i = 0; i < 4; ++i) {
      quint32 b = 0;
      if (!Byte(&b)) return false;
      r = (r << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) {
        *v = r;
        return true;
      }
    }
    return false;
  }
  bool Tag(const char* tag) {
    if (!Has(4) || m_bytes.mid(m_pos, 4) != QByteArray(tag, 4)) return false;
    m_pos += 4;
    return true;
  }

 private:
  const QByteArray& m_bytes;
  qsizetype m_pos = 0;
};

// Walks one track: its end tick (the end-of-track event, or its last event)
// and its tempo changes. False when the track is malformed.
bool ReadTrack(SmfReader& r, qsizetype end, quint64* endTick, std::multimap<quint64, quint32>* tempos) {
  quint64 tick = 0;
  quint32 status = 0;
  while (r.pos() < end) {
    quint32 delta = 0;
    if (!r.VarLen(&delta)) return false;
    tick += delta;
    quint32 b = 0;
    if (!r.Byte(&b)) return false;
    if (b == 0xFF) {
      quint32 type = 0, len = 0;
      if (!r.Byte(&type) || !r.VarLen(&len) || !r.Has(len)) return false;
      if (type == 0x51 && len == 3) {
        quint32 micros = 0;
        r.Big(3, &micros);
        tempos->emplace(tick, micros);
      } else {
        r.Skip(len);
      }
      if (type == 0x2F) break;
      continue;
    }
    if (b == 0xF0 || b == 0xF7) {
      quint32 len = 0;
      if (!r.VarLen(&len) || !r.Skip(len)) return false;
      continue;
    }
    quint32 first = b;
    if (b & 0x80) {
      status = b;
      if (!r.Byte(&first)) return false;
    } else if (status == 0) {
      return false;  // running status without a status byte before it
    }
    const quint32 kind = status & 0xF0;
    if (kind != 0xC0 && kind != 0xD0 && !r.Skip(1)) return false;
    if (first & 0x80) return false;
  }
  *endTick = tick;
  return true;
}

// The MIDI data inside a RIFF "RMID" file, or empty when bytes is not one.
QByteArray MidiInsideRmi(const QByteArray& bytes) {
  if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "RMID") return {};
  SmfReader r(bytes);
  r.Seek(12);
  while (r.Has(8)) {
    const bool data = r.Tag("data");
    if (!data) r.Skip(4);
    quint32 len = 0;
    r.Little(4, &len);
    if (!r.Has(len)) return {};
    if (data) return bytes.mid(r.pos(), len);
    r.Skip(len + (len & 1));
  }
  return {};
}

}  // namespace

double MidiFileSeconds(const QByteArray& file) {
  const QByteArray inner = MidiInsideRmi(file);
  const QByteArray& smf = inner.isEmpty() ? file : inner;
  SmfReader r(smf);
  quint32 headerLen = 0, format = 0, tracks = 0, division = 0;
  if (!r.Tag("MThd") || !r.Big(4, &headerLen) || headerLen < 6) return -1;
  const qsizetype headerEnd = r.pos() + headerLen;
  if (!r.Big(2, &format) || !r.Big(2, &tracks) || !r.Big(2, &division) || format > 2 || tracks == 0 ||
      division == 0 || !r.Has(headerEnd - r.pos())) {
    return -1;
  }
  r.Seek(headerEnd);

  quint64 lastTick = 0;
  std::multimap<quint64, quint32> tempos;
  quint32 found = 0;
  while (found < tracks && r.Has(8)) {
    const bool isTrack = r.Tag("MTrk");
    if (!isTrack) r.Skip(4);  // an unknown chunk is skipped whole
    quint32 len = 0;
    r.Big(4, &len);
    if (!r.Has(len)) return -1;
    const qsizetype end = r.pos() + len;
    if (isTrack) {
      quint64 endTick = 0;
      if (!ReadTrack(r, end, &endTick, &tempos)) return -1;
      lastTick = std::max(lastTick, endTick);
      ++found;
    }
    r.Seek(end);
  }
  if (found == 0) return -1;

  if (division & 0x8000) {
    // Time code: frames a second (as a negative byte) times ticks a frame.
    const int fps = -static_cast<qint8>(division >> 8);
    const int perFrame = static_cast<int>(division & 0xFF);
    if (fps <= 0 || perFrame == 0) return -1;
    return static_cast<double>(lastTick) / (fps * perFrame);
  }
  double seconds = 0;
  quint64 at = 0;
  quint32 micros = 500000;  // 120 beats a minute until told otherwise
  for (const auto& [tick, tempo] : tempos) {
    if (tick >= lastTick) break;
    seconds += static_cast<double>(tick - at) * micros / (1e6 * division);
    at = tick;
    micros = tempo;
  }
  seconds += static_cast<double>(lastTick - at) * micros / (1e6 * division);
  return seconds;
}

#ifndef SHURENCHO_HAVE_SDL_MIXER

std::unique_ptr<MediaPlayer> CreateMediaPlayer() { return std::make_unique<NullMediaPlayer>(); }

#else

namespace {
// The mixer's end hook takes no context: it reaches the one player through here.
std::atomic<SdlMediaPlayer*> g_player{nullptr};

// Shorter pieces play once per Play instead of looping in the mixer.
constexpr double kShortestLoopSeconds = 0.25;
}  // namespace

std::unique_ptr<MediaPlayer> CreateMediaPlayer() {
  if (auto player = SdlMediaPlayer::Create()) return player;
  qWarning("shurencho: no audio device could be opened; the music stays silent");
  return std::make_unique<NullMediaPlayer>();
}

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

void SdlMediaPlayer::Open(const QString& path) {
  Close();
  QByteArray head;
  {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) head = file.read(12);
  }
  const bool rmi = head.startsWith("RIFF") && head.mid(8, 4) == "RMID";
  if (rmi || head.startsWith("MThd")) {
    // MIDI: the synthesizer loads its large soundfont with the piece, which
    // takes a good half second. The file is checked now and handed to the
    // mixer at the first Play, so a start with the music off stays quick.
    QFile file(path);
    QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (rmi) {
      // The synthesizer reads bare MIDI data only: hand it what the RIFF wrapper holds.
      bytes = MidiInsideRmi(bytes);
      if (bytes.isEmpty()) throw AppError(QStringLiteral("MIDI データが見つかりません: ") + path);
    }
    const double seconds = MidiFileSeconds(bytes);
    if (seconds < 0) throw AppError(QStringLiteral("MIDI データとして読めません: ") + path);
    m_musicBytes = std::move(bytes);
    m_loopFrames.store(seconds >= kShortestLoopSeconds ? std::llround(seconds * m_frequency) : 0);
    m_music = nullptr;
    m_state = State::Stopped;
    return;
  }

  Mix_Music* music = Mix_LoadMUS(QFile::encodeName(path).constData());
  if (music == nullptr) throw AppError(QString::fromUtf8(Mix_GetError()));
  // The mixer takes any file named .mid for MIDI; one that is none would
  // end at once, every time it is played again.
  if (Mix_GetMusicType(music) == MUS_MID) {
    Mix_FreeMusic(music);
    throw AppError(QStringLiteral("MIDI データとして読めません: ") + path);
  }
  const double seconds = Mix_MusicDuration(music);
  m_musicBytes.clear();
  m_loopFrames.store(seconds >= kShortestLoopSeconds ? std::llround(seconds * m_frequency) : 0);
  m_music = music;
  m_state = State::Stopped;
}

void SdlMediaPlayer::LoadPendingMidi() {
  if (m_music != nullptr) return;
  m_music = Mix_LoadMUSType_RW(SDL_RWFromConstMem(m_musicBytes.constData(), static_cast<int>(m_musicBytes.size())),
                               MUS_MID, 1);
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

#endif
