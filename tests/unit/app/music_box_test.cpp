#include "app/music_box.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "platform/ini_file.h"
#include "support/fake_platform.h"
#include "support/test_files.h"
#include "text/errors.h"
#include "text/text_file.h"

using namespace shurencho;

namespace {

const QString kNoDevice = QStringLiteral("MCI デバイスがありません");

// A program folder with two tunes, a folder elsewhere with a third, and the
// program started from its own folder (bare music names are looked up there).
class MusicBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    QDir(m_tmp.path()).mkpath(QStringLiteral("prog"));
    QDir(m_tmp.path()).mkpath(QStringLiteral("music"));
    prog = m_tmp.filePath(QStringLiteral("prog"));
    touch(prog + QStringLiteral("/shurencho.mid"));
    touch(prog + QStringLiteral("/other.mid"));
    elsewhere = m_tmp.filePath(QStringLiteral("music/far.wav"));
    touch(elsewhere);
    platform.programPath = prog + QStringLiteral("/shurencho");
    m_cwd.emplace(prog);
    settings.BackGroundMusic = QStringLiteral("shurencho.mid");
  }
  static void touch(const QString& path) { WriteTestFile(path); }
  // FormCreate and FormShow as the window runs them.
  void start(bool bgm) {
    settings.BGMState = bgm;
    box.FormCreate();
    box.FormShow();
  }

  QTemporaryDir m_tmp;
  std::optional<ScopedWorkingFolder> m_cwd;
  QString prog;
  QString elsewhere;
  FakePlatform platform;
  AppSettings settings;
  int focusReturns = 0;
  MusicBox box{settings, platform, [this] { ++focusReturns; }};
};

TEST_F(MusicBoxTest, StartOpensTheStoredFileAndPlaysAsStored) {
  start(true);
  EXPECT_EQ(box.Label15.caption, QStringLiteral("shurencho.mid"));
  EXPECT_EQ(platform.media.openFile, QStringLiteral("shurencho.mid"));
  EXPECT_TRUE(box.CheckBox3.checked());
  EXPECT_TRUE(box.CheckBox3.enabled);
  EXPECT_TRUE(platform.media.playing);
  EXPECT_TRUE(platform.media.notify);
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(MusicBoxTest, MissingFileLeavesTheBoxEmptyAndDisabledWithoutAWord) {
  settings.BackGroundMusic = QStringLiteral("gone.mid");
  start(true);
  EXPECT_TRUE(box.Label15.caption.isEmpty());
  EXPECT_FALSE(box.CheckBox3.enabled);
  EXPECT_FALSE(box.CheckBox3.checked());
  EXPECT_TRUE(platform.media.calls.isEmpty());
  EXPECT_TRUE(platform.boxes.empty());
  // A bare name is looked up in the working folder, not the program's.
  QDir::setCurrent(m_tmp.path());
  settings.BackGroundMusic = QStringLiteral("shurencho.mid");
  box.FormCreate();
  EXPECT_TRUE(box.Label15.caption.isEmpty());
}

TEST_F(MusicBoxTest, MusicLoopsAfterANaturalEndAndStopsForGoodWhenUnticked) {
  start(true);
  EXPECT_EQ(focusReturns, 1);  // the tick by FormShow runs the click handler
  for (int pass = 0; pass < 3; ++pass) {
    platform.media.FinishNaturally();
    EXPECT_TRUE(platform.media.playing) << "pass " << pass;
    EXPECT_TRUE(platform.media.notify);
  }
  box.CheckBox3.click();
  EXPECT_FALSE(settings.BGMState);
  EXPECT_FALSE(platform.media.playing);
  // The interrupted play's report came and did not restart the music.
  EXPECT_EQ(platform.media.calls.count(QStringLiteral("play")), 4);
  EXPECT_EQ(platform.media.calls.last(), QStringLiteral("stop"));
  EXPECT_EQ(focusReturns, 2);
  box.CheckBox3.click();
  EXPECT_TRUE(settings.BGMState);
  EXPECT_TRUE(platform.media.playing);
  EXPECT_EQ(focusReturns, 3);
}

TEST_F(MusicBoxTest, UnopenableFileShowsThePlayersTextAndThenTheNoDeviceError) {
  platform.media.unopenable[QStringLiteral("shurencho.mid")] = QStringLiteral("bad tune");
  settings.BGMState = true;
  try {
    box.FormCreate();
    FAIL() << "the open error must leave FormCreate";
  } catch (const AppError& e) {
    EXPECT_EQ(e.text(), QStringLiteral("bad tune"));
  }
  EXPECT_EQ(box.Label15.caption, QStringLiteral("shurencho.mid"));
  try {
    box.FormShow();
    FAIL() << "playing with nothing open must fail";
  } catch (const AppError& e) {
    EXPECT_EQ(e.text(), kNoDevice);
  }
  EXPECT_TRUE(box.CheckBox3.checked());
  RunHandler(platform, [&] { box.CheckBox3.click(); });
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].text, kNoDevice);
}

TEST_F(MusicBoxTest, DialogIsPresetFromTheStoredChoice) {
  start(false);
  platform.dialogAnswers.push_back(std::nullopt);
  box.Label15Click();
  ASSERT_EQ(platform.dialogs.size(), 1u);
  EXPECT_EQ(platform.dialogs[0].filter, MusicBox::kFilter);
  EXPECT_EQ(platform.dialogs[0].defaultExt, QStringLiteral("mid"));
  EXPECT_EQ(platform.dialogs[0].fileName, QStringLiteral("shurencho.mid"));
  EXPECT_EQ(platform.dialogs[0].initialDir, prog);  // a bare name: the program's folder
  EXPECT_EQ(focusReturns, 1);
  EXPECT_EQ(platform.media.openFile, QStringLiteral("shurencho.mid"));

  settings.BackGroundMusic = elsewhere;
  box.FormCreate();
  platform.dialogAnswers.push_back(std::nullopt);
  box.Label15Click();
  EXPECT_EQ(platform.dialogs[1].fileName, elsewhere);
  EXPECT_EQ(platform.dialogs[1].initialDir, m_tmp.filePath(QStringLiteral("music")));

  settings.BackGroundMusic = QStringLiteral("gone.mid");
  box.FormCreate();
  platform.dialogAnswers.push_back(std::nullopt);
  box.Label15Click();
  EXPECT_TRUE(platform.dialogs[2].fileName.isEmpty());
  EXPECT_EQ(platform.dialogs[2].initialDir, prog);
}

TEST_F(MusicBoxTest, ChoosingWhileMusicPlaysSwitchesToTheNewFileWhichLoops) {
  start(true);
  platform.dialogAnswers.push_back(elsewhere);
  box.Label15Click();
  EXPECT_EQ(platform.media.openFile, elsewhere);
  EXPECT_TRUE(platform.media.playing);
  EXPECT_EQ(box.Label15.caption, QStringLiteral("far.wav"));
  EXPECT_EQ(settings.BackGroundMusic, elsewhere);  // outside the program's folder: full path
  EXPECT_TRUE(settings.BGMState);
  EXPECT_TRUE(box.CheckBox3.checked());
  // The old file was never played again on its way out.
  const qsizetype closeAt = platform.media.calls.indexOf(QStringLiteral("close"));
  ASSERT_GE(closeAt, 0);
  EXPECT_EQ(
      platform.media.calls.mid(closeAt),
      (QStringList{QStringLiteral("close"), QStringLiteral("open ") + elsewhere, QStringLiteral("play")}));
  platform.media.FinishNaturally();
  EXPECT_TRUE(platform.media.playing);
  EXPECT_EQ(platform.media.openFile, elsewhere);
}

TEST_F(MusicBoxTest, ChoosingWithMusicOffStartsItAndStoresABareNameForTheProgramFolder) {
  start(false);
  platform.dialogAnswers.push_back(prog + QStringLiteral("/other.mid"));
  box.Label15Click();
  EXPECT_EQ(settings.BackGroundMusic, QStringLiteral("other.mid"));
  EXPECT_TRUE(settings.BGMState);
  EXPECT_TRUE(box.CheckBox3.checked());
  EXPECT_TRUE(platform.media.playing);
  EXPECT_EQ(platform.media.openFile, prog + QStringLiteral("/other.mid"));
  // The same folder reached through "..": still the program's folder.
  platform.dialogAnswers.push_back(prog + QStringLiteral("/../prog/shurencho.mid"));
  box.Label15Click();
  EXPECT_EQ(settings.BackGroundMusic, QStringLiteral("shurencho.mid"));
}

TEST_F(MusicBoxTest, ChoosingEnablesADisabledBoxAndRecoversFromAFailedOpen) {
  settings.BackGroundMusic = QStringLiteral("gone.mid");
  start(false);
  ASSERT_FALSE(box.CheckBox3.enabled);
  platform.media.unopenable[elsewhere] = QStringLiteral("bad tune");
  platform.dialogAnswers.push_back(elsewhere);
  EXPECT_THROW(box.Label15Click(), AppError);
  // The failed choice is named and stored, the music stays off.
  EXPECT_EQ(box.Label15.caption, QStringLiteral("far.wav"));
  EXPECT_EQ(settings.BackGroundMusic, elsewhere);
  EXPECT_FALSE(platform.media.playing);
  // Nothing is open, yet the next choice goes through instead of failing on the stop.
  platform.dialogAnswers.push_back(prog + QStringLiteral("/other.mid"));
  box.Label15Click();
  EXPECT_TRUE(box.CheckBox3.enabled);
  EXPECT_TRUE(box.CheckBox3.checked());
  EXPECT_TRUE(platform.media.playing);
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(MusicBoxTest, ANameTheSettingsFileCannotHoldIsPlayedButNotStored) {
  start(false);
  for (const QString& name : {QStringLiteral("über 😀.mid"), QStringLiteral("two\nlines.mid")}) {
    const QString path = m_tmp.filePath(name);
    touch(path);
    platform.boxes.clear();
    platform.dialogAnswers.push_back(path);
    box.Label15Click();
    EXPECT_EQ(settings.BackGroundMusic, QStringLiteral("shurencho.mid")) << name.toStdString();
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].kind, FakePlatform::Box::Information);
    EXPECT_EQ(platform.media.openFile, path);
    EXPECT_TRUE(platform.media.playing);
    EXPECT_EQ(box.Label15.caption, QFileInfo(path).fileName());
  }
  EXPECT_TRUE(SettingsCanHold(QStringLiteral("C:/曲/練習 ～.mid")));
  EXPECT_FALSE(SettingsCanHold(QString(1100, QChar(0x3042))));  // 2200 bytes in CP932
}

// The reset: defaults back, then FormCreate and FormShow again.
TEST_F(MusicBoxTest, ResetStopsTheMusicWhetherOrNotTheDefaultIsThere) {
  settings.BackGroundMusic = elsewhere;
  start(true);
  ASSERT_TRUE(platform.media.playing);
  settings.BackGroundMusic = QStringLiteral("shurencho.mid");
  start(false);
  EXPECT_FALSE(platform.media.playing);
  EXPECT_EQ(platform.media.openFile, QStringLiteral("shurencho.mid"));
  EXPECT_FALSE(box.CheckBox3.checked());
  EXPECT_EQ(box.Label15.caption, QStringLiteral("shurencho.mid"));

  // Music on again, then a reset that finds no default file.
  box.CheckBox3.click();
  ASSERT_TRUE(platform.media.playing);
  QFile::remove(prog + QStringLiteral("/shurencho.mid"));
  start(false);
  EXPECT_FALSE(platform.media.playing);
  EXPECT_FALSE(platform.media.IsOpen());
  EXPECT_FALSE(box.CheckBox3.enabled);
  EXPECT_TRUE(box.Label15.caption.isEmpty());
  EXPECT_TRUE(platform.boxes.empty());
}

}  // namespace

// Half-width katakana take one byte each in the settings file: a name the
// box accepts as fitting comes back from the file whole.
TEST(MusicBoxName, AHalfWidthNameThatFitsIsReadBackWhole) {
  const QString name = QString(2000, QChar(0xFF71)) + QStringLiteral(".mid");  // ｱｱｱ….mid, 2004 bytes
  ASSERT_TRUE(SettingsCanHold(name));
  const IniFile file(QStringLiteral("unused.ini"), "[Sounds]\r\nBGM=" + EncodeCp932(name) + "\r\n");
  EXPECT_EQ(file.ReadString(QStringLiteral("Sounds"), QStringLiteral("BGM"), QString()), name);
}
