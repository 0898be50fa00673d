// The real player on SDL's disk audio driver: what it mixes lands in a file,
// as fast as it can be made, so a minute of music takes a moment.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <functional>

#include "adapters/lazy_media_player.h"
#include "adapters/null_media_player.h"
#include "sdl_player/sdl_media_player.h"
#include "text/errors.h"

using namespace shurencho;

namespace {

QByteArray Be(quint32 v, int n) {
  QByteArray out;
  for (int i = n - 1; i >= 0; --i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

QByteArray Smf(int format, int division, const QList<QByteArray>& tracks) {
  QByteArray out = "MThd" + Be(6, 4) + Be(format, 2) + Be(tracks.size(), 2) + Be(division, 2);
  for (const QByteArray& t : tracks) out += "MTrk" + Be(t.size(), 4) + t;
  return out;
}

// The same data in a RIFF "RMID" wrapper, after a chunk of another kind.
QByteArray Rmi(const QByteArray& smf) {
  auto le = [](quint32 v) {
    QByteArray out;
    for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
  };
  const QByteArray body = "RMID" + QByteArray("INFO") + le(3) + "abc" + '\0' + "data" + le(smf.size()) + smf;
  return "RIFF" + le(body.size()) + body;
}

const QByteArray kEnd("\x00\xFF\x2F\x00", 4);

QByteArray VarLen(quint32 v) {
  QByteArray out(1, static_cast<char>(v & 0x7F));
  while (v >>= 7) out.prepend(static_cast<char>(0x80 | (v & 0x7F)));
  return out;
}

// One held chord of `beats` beats at 120 beats a minute, 480 ticks a beat.
QByteArray ChordTune(int beats) {
  QByteArray t("\x00\xC0\x00", 3);                                  // piano
  t += QByteArray("\x00\x90\x3C\x64\x00\x40\x64\x00\x43\x64", 10);  // running status for two keys
  t += VarLen(beats * 480) + QByteArray("\x80\x3C\x00\x00\x43\x00\x00\x40\x00", 9) + kEnd;
  return Smf(0, 480, {t});
}

TEST(MidiLength, TempoMapTimeCodeAndTheShippedTune) {
  QFile shipped(QStringLiteral(SHURENCHO_ASSETS_DIR "/shurencho.mid"));
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  EXPECT_DOUBLE_EQ(MidiFileSeconds(shipped.readAll()), 64.0);
  EXPECT_DOUBLE_EQ(MidiFileSeconds(ChordTune(4)), 2.0);

  // Two beats at 120, then 60 beats a minute for one more beat; the longer
  // of two tracks sets the end.
  const QByteArray conductor =
      QByteArray("\x87\x40\xFF\x51\x03\x0F\x42\x40", 8) + QByteArray("\x83\x60\xFF\x2F\x00", 5);
  const QByteArray shortTrack = kEnd;
  EXPECT_DOUBLE_EQ(MidiFileSeconds(Smf(1, 480, {conductor, shortTrack})), 2.0);
  // 25 frames a second, 40 ticks a frame: 1000 ticks is one second.
  const QByteArray timed = QByteArray("\x87\x68\xFF\x2F\x00", 5);
  EXPECT_DOUBLE_EQ(MidiFileSeconds(Smf(0, 0xE728, {timed})), 1.0);
  EXPECT_DOUBLE_EQ(MidiFileSeconds(Rmi(ChordTune(4))), 2.0);
}

TEST(MidiLength, MalformedFilesAreRejected) {
  const QByteArray good = ChordTune(2);
  EXPECT_EQ(MidiFileSeconds(QByteArray()), -1);
  EXPECT_EQ(MidiFileSeconds("RIFF....WAVEfmt "), -1);
  for (int cut = 1; cut < good.size(); cut += 3) {
    EXPECT_EQ(MidiFileSeconds(good.left(cut)), -1) << "cut at " << cut;
  }
  // Running status with no status byte before it; a five-byte length.
  EXPECT_EQ(MidiFileSeconds(Smf(0, 480, {QByteArray("\x00\x3C\x64", 3) + kEnd})), -1);
  EXPECT_EQ(MidiFileSeconds(Smf(0, 480, {QByteArray("\x80\x80\x80\x80\x00\x90\x3C\x64", 8) + kEnd})), -1);
  EXPECT_EQ(MidiFileSeconds(Smf(0, 0, {kEnd})), -1);
  EXPECT_EQ(MidiFileSeconds(Rmi(ChordTune(2)).left(40)), -1);
}

#ifdef SHURENCHO_HAVE_SDL_MIXER

// Pumps the event loop until done() holds; the long deadline only keeps a
// broken player from hanging the suite.
bool WaitFor(const std::function<bool()>& done) {
  QDeadlineTimer deadline(120000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

class RealPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    m_output = m_tmp.filePath(QStringLiteral("out.raw"));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(m_output));
    qputenv("SDL_DISKAUDIODELAY", "0");
    player = SdlMediaPlayer::Create();
    ASSERT_NE(player, nullptr) << "the disk audio driver must open";
    player->SetCompletionHandler([this] {
      ++reports;
      onGuiThread = onGuiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
      if (replay) {
        player->SetNotify(true);
        player->Play();
      }
    });
  }
  void TearDown() override { qputenv("SDL_AUDIODRIVER", "dummy"); }

  QString WriteFile(const QString& name, const QByteArray& bytes) {
    const QString path = m_tmp.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }
  qint64 OutputSize() const { return QFileInfo(m_output).size(); }
  // Closes the device and returns the samples it wrote (16-bit stereo).
  QList<qint16> Finish() {
    player.reset();
    QFile f(m_output);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QList<qint16> samples(bytes.size() / 2);
    memcpy(samples.data(), bytes.constData(), static_cast<size_t>(samples.size()) * 2);
    return samples;
  }
  static double Rms(const QList<qint16>& s, qsizetype from, qsizetype count) {
    double sum = 0;
    for (qsizetype i = from; i < from + count && i < s.size(); ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / std::max<qsizetype>(1, count));
  }

  QTemporaryDir m_tmp;
  QString m_output;
  std::unique_ptr<SdlMediaPlayer> player;
  int reports = 0;
  bool onGuiThread = true;
  bool replay = true;
};

TEST_F(RealPlayerTest, ShippedTuneSoundsLoopsWithoutAGapAndReportsItsEnds) {
  player->Open(QStringLiteral(SHURENCHO_ASSETS_DIR "/shurencho.mid"));
  const int rate = player->Frequency();
  EXPECT_EQ(player->LoopFrames(), 64LL * rate);
  player->SetNotify(true);
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return reports >= 1; })) << "no report at the end of the first pass";
  // A few more seconds of the second pass, then a stop, which reports once more.
  const qint64 atReport = OutputSize();
  ASSERT_TRUE(WaitFor([&] { return OutputSize() > atReport + 4LL * rate * 4; }));
  replay = false;
  const int before = reports;
  player->Stop();
  EXPECT_EQ(reports, before) << "the stop's report comes after the handler that stopped";
  ASSERT_TRUE(WaitFor([&] { return reports > before; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(reports, before + 1);
  EXPECT_TRUE(onGuiThread);

  const QList<qint16> s = Finish();
  qsizetype onset = 0;
  while (onset < s.size() && std::abs(s[onset]) < 64) ++onset;
  onset -= onset % 2;
  ASSERT_LT(onset + 67LL * rate * 2, s.size());
  qint16 peak = 0;
  for (qsizetype i = onset; i < onset + 64LL * rate * 2; ++i) peak = std::max<qint16>(peak, std::abs(s[i]));
  EXPECT_GT(peak, 2000);
  // Every tenth of a second around the loop point still sounds.
  for (int tenth = 620; tenth < 670; ++tenth) {
    const double rms = Rms(s, onset + qsizetype(tenth) * rate / 10 * 2, rate / 10 * 2);
    EXPECT_GT(rms, 150) << "quiet at " << tenth / 10.0 << " s";
  }
}

TEST_F(RealPlayerTest, APassNotPlayedAgainEndsTheMusicAndTheNextPlayStartsAnew) {
  player->Open(WriteFile(QStringLiteral("chord.mid"), ChordTune(2)));
  EXPECT_EQ(player->LoopFrames(), player->Frequency());
  replay = false;
  player->SetNotify(true);
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return reports >= 1; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(reports, 1);
  // Ended: a stop now interrupts nothing and reports nothing.
  player->SetNotify(true);
  player->Stop();
  player->SetNotify(false);
  player->Play();
  player->SetNotify(true);
  player->Play();  // already playing: goes on, now with a report armed
  ASSERT_TRUE(WaitFor([&] { return reports >= 2; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(reports, 2);
}

TEST_F(RealPlayerTest, RmiFilesPlayTheMidiTheyHold) {
  player->Open(WriteFile(QStringLiteral("chord.rmi"), Rmi(ChordTune(2))));
  EXPECT_EQ(player->LoopFrames(), player->Frequency());
  player->SetNotify(true);
  player->Play();
  ASSERT_TRUE(WaitFor([&] { return reports >= 2; }));
  replay = false;
  player->Close();
  const QList<qint16> s = Finish();
  qint16 peak = 0;
  for (qint16 v : s) peak = std::max<qint16>(peak, std::abs(v));
  EXPECT_GT(peak, 1000);
}

TEST_F(RealPlayerTest, WaveFilesLoopAndReportToo) {
  const int rate = 22050;
  QByteArray pcm;
  for (int i = 0; i < rate / 2; ++i) {
    const auto v = static_cast<qint16>(8000 * std::sin(2 * M_PI * 440.0 * i / rate));
    pcm.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
  }
  auto le = [](quint32 v, int n) {
    QByteArray out;
    for (int i = 0; i < n; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    return out;
  };
  const QByteArray wav = "RIFF" + le(36 + pcm.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) +
                         le(rate, 4) + le(rate * 2, 4) + le(2, 2) + le(16, 2) + "data" + le(pcm.size(), 4) +
                         pcm;
  player->Open(WriteFile(QStringLiteral("beep.wav"), wav));
  EXPECT_NEAR(double(player->LoopFrames()), player->Frequency() / 2.0, player->Frequency() / 100.0);
  player->SetNotify(true);
  player->Play();
  // Several passes may end between two looks at the event queue.
  ASSERT_TRUE(WaitFor([&] { return reports >= 3; }));
  replay = false;
  const int before = reports;
  player->Stop();
  // Ends of passes reported before the stop but not yet handled are dropped.
  ASSERT_TRUE(WaitFor([&] { return reports > before; }));
  QCoreApplication::processEvents();
  EXPECT_EQ(reports, before + 1);
  const QList<qint16> s = Finish();
  qint16 peak = 0;
  for (qint16 v : s) peak = std::max<qint16>(peak, std::abs(v));
  EXPECT_GT(peak, 4000);
}

TEST_F(RealPlayerTest, CommandsWithoutAFileAndFilesThatAreNoMusic) {
  const QString noDevice = QStringLiteral("MCI デバイスがありません");
  try {
    player->Play();
    FAIL();
  } catch (const AppError& e) {
    EXPECT_EQ(e.text(), noDevice);
  }
  EXPECT_THROW(player->Stop(), AppError);
  try {
    player->Open(WriteFile(QStringLiteral("notes.mid"), "not music at all"));
    FAIL();
  } catch (const AppError& e) {
    EXPECT_FALSE(e.text().isEmpty());
    EXPECT_NE(e.text(), noDevice);
  }
  EXPECT_FALSE(player->IsOpen());
  EXPECT_THROW(player->Play(), AppError);
  player->Close();  // closing twice is harmless
}

#endif

}  // namespace

namespace {

// Records what reaches the real player.
class RecordingPlayer final : public MediaPlayer {
 public:
  explicit RecordingPlayer(QStringList* log) : m_log(log) {}
  void Open(const QString& path) override {
    m_log->append(QStringLiteral("open ") + QFileInfo(path).fileName());
  }
  void Play() override { m_log->append(QStringLiteral("play")); }
  void Stop() override { m_log->append(QStringLiteral("stop")); }
  void Close() override { m_log->append(QStringLiteral("close")); }
  bool IsOpen() const override { return true; }
  void SetNotify(bool on) override { m_log->append(on ? QStringLiteral("notify") : QStringLiteral("quiet")); }
  void SetCompletionHandler(std::function<void()>) override {}

 private:
  QStringList* m_log;
};

// Start-up opens the tune and plays it before the window is shown; the real
// player, made afterwards, takes over the open file and the play.
TEST(LazyMediaPlayer, TheRealPlayerTakesOverTheOpenFileAndThePlayUnderWay) {
  QStringList log;
  LazyMediaPlayer lazy([&log] { return std::make_unique<RecordingPlayer>(&log); });
  EXPECT_THROW(lazy.Play(), AppError);
  lazy.Open(QStringLiteral(SHURENCHO_ASSETS_DIR "/shurencho.mid"));
  lazy.SetNotify(true);
  lazy.Play();
  EXPECT_TRUE(log.isEmpty());
  lazy.Start();
  EXPECT_EQ(log, (QStringList{"open shurencho.mid", "notify", "play"}));
  lazy.Stop();
  EXPECT_EQ(log.last(), QStringLiteral("stop"));

  // Music off when the window comes up: the real player is made at the
  // first play. With no module or no audio device it is the silent one.
  bool made = false;
  LazyMediaPlayer silent([&made] {
    made = true;
    return nullptr;
  });
  silent.Open(QStringLiteral(SHURENCHO_ASSETS_DIR "/shurencho.mid"));
  silent.Ready();
  EXPECT_FALSE(made);
  silent.Play();
  EXPECT_TRUE(made);
  EXPECT_TRUE(silent.IsOpen());
  silent.Stop();
}

}  // namespace
