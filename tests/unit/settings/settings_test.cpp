#include "settings/settings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <memory>

#include "platform/ini_file.h"
#include "settings/settings_session.h"
#include "support/test_files.h"
#include "text/text_file.h"

using namespace shurencho;

namespace {

QString ReadAll(const QString& path) { return DecodeCp932(ReadTestFile(path)); }

class SettingsFileTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path() const { return dir.filePath(QStringLiteral("shurencho.ini")); }
};

}  // namespace

TEST_F(SettingsFileTest, FirstStartWritesEveryDefault) {
  AppSettings s;
  LoadSettings(s, true, path());
  const QString text = ReadAll(path());
  for (const char* line :
       {"[Titile]\r\nTradeMark=\"打鍵修練帖　Ver1.0\"\r\nCompanyName=\"宙文舎\"\r\nCourseName01=",
        "[Result]\r\nKeySpeed=0,0,0,0,0,0\r\nRandom=0\r\nAutoCourse=0\r\nViewroma=1\r\nCourseNo=2\r\n"
        "M1CourseNo=0\r\nBGMState=0\r\n[Stat]\r\nwarmup=0:00:30\r\nCourse01=20,40\r\n",
        "Course06=10,15\r\n[Datafiles]\r\nKanaToRoma=\"roma01.dat\"\r\n", "HelpFile=\"readme.htm\"\r\n"}) {
    EXPECT_TRUE(text.contains(QString::fromUtf8(line))) << line;
  }
  EXPECT_EQ(s.WindowCaption, QStringLiteral("打鍵修練帖　Ver1.0 - 宙文舎"));
  // The file read back gives the same record.
  AppSettings again;
  LoadSettings(again, true, path());
  EXPECT_EQ(again.KeySpeed, s.KeySpeed);
  EXPECT_EQ(ReadAll(path()), text);
}

TEST_F(SettingsFileTest, SentinelsAndWrongFormsCountAsMissing) {
  WriteTestFile(
      path(), EncodeCp932(QStringLiteral(
                  "[titile]\r\nTRADEMARK = ERROR\r\ncompanyname='株式会社'\r\n"
                  "[Result]\r\nCourseNo=-1\r\nRandom=yes\r\nViewroma=0\r\nM1CourseNo=0x0A\r\nAutoCourse=5\r\n"
                  "[Stat]\r\nwarmup=half a minute\r\nCourse03=\r\nCourse05=\"5, 9\"\r\n")));
  AppSettings s;
  LoadSettings(s, true, path());
  EXPECT_EQ(s.TradeMark, QStringLiteral("打鍵修練帖　Ver1.0"));
  EXPECT_EQ(s.CompanyName, QStringLiteral("株式会社"));
  EXPECT_EQ(s.CourseNo, 2);
  EXPECT_FALSE(s.Random);
  EXPECT_FALSE(s.Viewroma);
  EXPECT_TRUE(s.AutoCourse);
  EXPECT_EQ(s.M1CourseNo, 10);
  EXPECT_DOUBLE_EQ(s.warmup, 30.0 / 86400.0);
  EXPECT_EQ(s.Course03, (QStringList{"15", "25"}));
  EXPECT_EQ(s.Course05, (QStringList{"5", "9"}));
  const QString text = ReadAll(path());
  // The sentinel is replaced in its own line, spelled as the file spells it.
  EXPECT_TRUE(text.contains(QStringLiteral("TRADEMARK = \"打鍵修練帖　Ver1.0\"\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("CourseNo=2\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("Random=0\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("Viewroma=0\r\n")));
  EXPECT_TRUE(text.contains(QStringLiteral("warmup=0:00:30\r\n")));
  // Present keys are not written again; a missing one lands in its section.
  EXPECT_TRUE(text.contains(QStringLiteral("Course03=\r\n")));
  EXPECT_TRUE(text.startsWith(QStringLiteral("[titile]\r\nTRADEMARK = ")));
}

TEST_F(SettingsFileTest, OutOfRangeCourseStaysInTheFileAndLongValuesAreClipped) {
  const QByteArray longValue(3000, 'x');
  WriteTestFile(path(), "[Result]\r\nCourseNo=7\r\n[Titile]\r\nCompanyName=" + longValue + "\r\n");
  AppSettings s;
  LoadSettings(s, true, path());
  EXPECT_EQ(s.CourseNo, 7);
  EXPECT_EQ(s.CompanyName.size(), IniFile::kMaxValueBytes);
  EXPECT_TRUE(ReadAll(path()).contains(QStringLiteral("CourseNo=7\r\n")));
}

TEST_F(SettingsFileTest, UnknownLinesAndGarbageSurviveASave) {
  const QByteArray garbage("\x01\xff\xfe\x80\x00junk", 10);
  WriteTestFile(path(), "; a note of the teacher\r\n[Other]\r\nkeep=me\r\n" + garbage +
                            "\r\n[Result]\r\nCourseNo=1\r\n");
  AppSettings s;
  LoadSettings(s, true, path());
  s.SetRecordedSpeed(1, 33);
  SaveSettings(s, path());
  const QByteArray raw = ReadTestFile(path());
  EXPECT_TRUE(raw.startsWith("; a note of the teacher\r\n[Other]\r\nkeep=me\r\n" + garbage +
                             "\r\n[Result]\r\nCourseNo=1\r\n"));
  EXPECT_TRUE(raw.contains("KeySpeed=33,0,0,0,0,0\r\n"));
}

TEST_F(SettingsFileTest, AFileThatIsNoRegularFileIsNeitherReadNorWritten) {
  // A folder and a device in the settings file's place: named in the start-up
  // warning, nothing written, and the close fails too.
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shurencho.ini")));
  const QString device = dir.filePath(QStringLiteral("device.ini"));
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), device));
  for (const QString& p : {path(), device}) {
    SettingsSession session(p);
    AppSettings s;
    const QStringList warnings = session.Load(s);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(QString::fromUtf8(kLoadFailedWarning)));
    EXPECT_TRUE(warnings[0].endsWith(p));
    EXPECT_EQ(s.WindowCaption, QStringLiteral("打鍵修練帖　Ver1.0-宙文舎"));
    EXPECT_THROW(session.Save(s), SettingsError);
    EXPECT_THROW(SaveSettings(s, p), SettingsError);
  }
  EXPECT_TRUE(QFileInfo(path()).isDir());
  EXPECT_TRUE(QFileInfo(device).isSymLink());

  // A file that is complete but cannot be replaced keeps its old content.
  const QString blocked = dir.filePath(QStringLiteral("blocker"));
  WriteTestFile(blocked, "not a folder");
  AppSettings s;
  EXPECT_THROW(SaveSettings(s, blocked + QStringLiteral("/shurencho.ini")), SettingsError);
  EXPECT_EQ(ReadTestFile(blocked), QByteArray("not a folder"));
}

TEST_F(SettingsFileTest, ListsKeepEveryValidItem) {
  WriteTestFile(path(), "[Result]\r\nKeySpeed=120,80,45\r\n[Stat]\r\nCourse01=x,50\r\nCourse02=30,40,99\r\n");
  AppSettings s;
  LoadSettings(s, true, path());
  EXPECT_EQ(s.KeySpeed, (QStringList{"120", "80", "45", "0", "0", "0"}));
  EXPECT_EQ(s.Course01, (QStringList{"20", "50"}));
  EXPECT_EQ(s.Course02, (QStringList{"30", "40", "99"}));
  SaveSettings(s, path());
  EXPECT_TRUE(ReadTestFile(path()).contains("KeySpeed=120,80,45,0,0,0\r\n"));
}

TEST_F(SettingsFileTest, AnUnchangedFileIsLeftByteForByteAndAChangeKeepsItsLine) {
  AppSettings s;
  LoadSettings(s, true, path());
  // The user's own spelling, blanks and LF line ends, and no line end at the end.
  QByteArray mine = ReadTestFile(path()).replace("\r\n", "\n");
  mine.replace("CourseNo=2", "  CourseNo = 2   ").replace("TradeMark=", "TRADEMARK=");
  mine.chop(1);
  WriteTestFile(path(), mine);
  LoadSettings(s, true, path());
  SaveSettings(s, path());
  EXPECT_EQ(ReadTestFile(path()), mine);

  s.CourseNo = 4;
  s.TradeMark = QStringLiteral("T");
  SaveSettings(s, path());
  mine.replace("  CourseNo = 2   ", "  CourseNo = 4")
      .replace("TRADEMARK=\"" + EncodeCp932(QStringLiteral("打鍵修練帖　Ver1.0")), "TRADEMARK=\"T");
  EXPECT_EQ(ReadTestFile(path()), mine);
}

TEST_F(SettingsFileTest, TheRomajiGuideIsWrittenOnlyOnceChosen) {
  AppSettings s;
  LoadSettings(s, true, path());
  const QByteArray before = ReadTestFile(path());
  LoadSettings(s, true, path());
  SaveSettings(s, path());
  EXPECT_EQ(ReadTestFile(path()), before);

  s.RomajiGuide = 2;
  s.RomajiGuideChosen = true;
  SaveSettings(s, path());
  EXPECT_EQ(ReadTestFile(path()), before + "[Romaji]\r\nGuide=2\r\n");
  LoadSettings(s, true, path());
  EXPECT_EQ(s.RomajiGuide, 2);
  WriteTestFile(path(), before + "[Romaji]\r\nGuide=7\r\n");
  LoadSettings(s, true, path());
  EXPECT_EQ(s.RomajiGuide, 0);  // no such notation: the table's hint
}

TEST_F(SettingsFileTest, ReadingChoicesAreWrittenOnlyOnceChosen) {
  AppSettings s;
  LoadSettings(s, true, path());
  const QByteArray before = ReadTestFile(path());
  s.Furigana = true;
  s.FuriganaChosen = true;
  s.TextScale = 125;
  s.TextScaleChosen = true;
  SaveSettings(s, path());
  EXPECT_EQ(ReadTestFile(path()), before + "[Reading]\r\nFurigana=1\r\nTextScale=1.25\r\n");
  AppSettings read;
  LoadSettings(read, true, path());
  EXPECT_TRUE(read.Furigana);
  EXPECT_EQ(read.TextScale, 125);
}

TEST_F(SettingsFileTest, KanaInputAndItsSpeedsAreWrittenOnlyOnceChosen) {
  AppSettings s;
  LoadSettings(s, true, path());
  s.SetDrillSpeed(4, 40);  // かな入力 off: a romaji record
  SaveSettings(s, path());
  EXPECT_FALSE(ReadTestFile(path()).contains("[Romaji]"));

  s.KanaInput = true;
  s.KanaInputChosen = true;
  s.SetDrillSpeed(3, 25);
  SaveSettings(s, path());
  LoadSettings(s, true, path());
  EXPECT_TRUE(ReadTestFile(path()).endsWith("[Romaji]\r\nKanaInput=1\r\nKanaSpeed=0,0,25,0,0,0\r\n"));
  EXPECT_TRUE(s.KanaInput);
  EXPECT_EQ(s.DrillSpeed(3), 25);
  EXPECT_EQ(s.DrillSpeed(4), 0);
  EXPECT_EQ(s.RecordedSpeed(4), 40);
}

TEST_F(SettingsFileTest, ABareKeyIsReplacedInItsOwnLine) {
  WriteTestFile(path(), "[Result]\r\nRandom\r\nCourseNo=1\r\n");
  AppSettings s;
  LoadSettings(s, true, path());
  EXPECT_TRUE(ReadTestFile(path()).startsWith("[Result]\r\nRandom=0\r\nCourseNo=1\r\n"));
}

TEST_F(SettingsFileTest, AByteOrderMarkFileIsRewrittenWholeInOneEncoding) {
  const QString text = QStringLiteral("[Titile]\r\nCompanyName=\"宙文舎２\"\r\n; メモ\r\n");
  WriteTestFile(path(), "\xEF\xBB\xBF" + text.toUtf8());
  AppSettings s;
  LoadSettings(s, true, path());  // writes the missing keys; then the program is killed
  LoadSettings(s, true, path());
  EXPECT_EQ(s.WindowCaption, QStringLiteral("打鍵修練帖　Ver1.0 - 宙文舎２"));
  EXPECT_TRUE(ReadTestFile(path()).startsWith(EncodeCp932(text)));

  // A line with no CP932 form keeps the whole file UTF-8, mark and all.
  WriteTestFile(path(), "\xEF\xBB\xBF" + text.toUtf8() + QStringLiteral("; café\r\n").toUtf8());
  LoadSettings(s, true, path());
  EXPECT_TRUE(ReadTestFile(path()).startsWith("\xEF\xBB\xBF" + text.toUtf8()));
  EXPECT_TRUE(ReadTestFile(path()).contains(QStringLiteral("\"打鍵修練帖　Ver1.0\"").toUtf8()));
}

TEST_F(SettingsFileTest, ASecondCopyIsToldAndWritesNothing) {
  WriteTestFile(path(), "[Result]\r\nKeySpeed=10,0,0,0,0,0\r\n");
  AppSettings first, second;
  auto firstCopy = std::make_unique<SettingsSession>(path());
  EXPECT_TRUE(firstCopy->Load(first).isEmpty());
  const QByteArray afterStart = ReadTestFile(path());
  SettingsSession secondCopy(path());
  EXPECT_EQ(secondCopy.Load(second), QStringList{QString::fromUtf8(kOtherCopyWarning)});
  EXPECT_EQ(second.RecordedSpeed(1), 10);
  second.SetRecordedSpeed(1, 99);
  secondCopy.Save(second);
  EXPECT_EQ(ReadTestFile(path()), afterStart);
  first.SetRecordedSpeed(1, 55);
  firstCopy->Save(first);
  EXPECT_TRUE(ReadTestFile(path()).contains("KeySpeed=55,0,0,0,0,0\r\n"));
  // Once the first copy is gone, the next one to start keeps its records.
  firstCopy.reset();
  SettingsSession next(path());
  EXPECT_TRUE(next.Load(second).isEmpty());
}

TEST_F(SettingsFileTest, ResetDefaultsAreWhatAFirstStartWrites) {
  AppSettings s;
  LoadSettings(s, true, path());
  s.CourseNo = 0;
  s.M1CourseNo = 4;
  s.SetRecordedSpeed(3, 90);
  SaveSettings(s, path());
  const QString first = ReadAll(path());
  LoadSettings(s, false, path());
  EXPECT_EQ(s.WindowCaption, QStringLiteral("打鍵修練帖　Ver1.0-宙文舎"));
  SaveSettings(s, path());
  const QString reset = ReadAll(path());
  EXPECT_TRUE(reset.contains(QStringLiteral("M1CourseNo=0\r\n")));
  EXPECT_TRUE(reset.contains(QStringLiteral("KeySpeed=0,0,0,0,0,0\r\n")));
  EXPECT_TRUE(reset.contains(QStringLiteral("CourseNo=2\r\n")));
  EXPECT_NE(first, reset);
}

TEST(SettingsPath, BesideAWritableProgramElseInTheConfigFolder) {
  EXPECT_EQ(SettingsFilePathFor("/opt/app/shurencho", true, "/home/u/.config"),
            QStringLiteral("/opt/app/shurencho.ini"));
  EXPECT_EQ(SettingsFilePathFor("/opt/app/shurencho", false, "/home/u/.config"),
            QStringLiteral("/home/u/.config/shurencho.ini"));
  EXPECT_EQ(SettingsFilePathFor("/opt/app/tool.v2.bin", true, "/x"), QStringLiteral("/opt/app/tool.v2.ini"));
  qputenv("XDG_CONFIG_HOME", "/tmp/cfg-test");
  EXPECT_EQ(UserConfigDir(), QStringLiteral("/tmp/cfg-test"));
  qputenv("XDG_CONFIG_HOME", "relative/ignored");
  qputenv("HOME", "/home/learner");
  EXPECT_EQ(UserConfigDir(), QStringLiteral("/home/learner/.config"));
  qunsetenv("XDG_CONFIG_HOME");
}

TEST(SpeedGrades, BoundsBelongToTheHigherMark) {
  EXPECT_EQ(SpeedGrade(19, 20, 40), QStringLiteral("×"));
  EXPECT_EQ(SpeedGrade(20, 20, 40), QStringLiteral("○"));
  EXPECT_EQ(SpeedGrade(39, 20, 40), QStringLiteral("○"));
  EXPECT_EQ(SpeedGrade(40, 20, 40), QStringLiteral("◎"));
  EXPECT_EQ(SpeedGrade(41, 20, 40), QStringLiteral("◎"));
}

TEST(TimeText, FormatsAndParsesTimesOfDay) {
  EXPECT_EQ(FormatTimeOfDay(30.0 / 86400), QStringLiteral("0:00:30"));
  EXPECT_EQ(FormatTimeOfDay(3725.0 / 86400), QStringLiteral("1:02:05"));
  double d = 0;
  ASSERT_TRUE(ParseTimeOfDay(QStringLiteral("0:01:00"), &d));
  EXPECT_DOUBLE_EQ(d, 60.0 / 86400);
  ASSERT_TRUE(ParseTimeOfDay(QStringLiteral("0:0:30"), &d));
  EXPECT_DOUBLE_EQ(d, 30.0 / 86400);
  EXPECT_FALSE(ParseTimeOfDay(QStringLiteral("30"), &d));
  EXPECT_FALSE(ParseTimeOfDay(QStringLiteral("0:61:00"), &d));
  EXPECT_FALSE(ParseTimeOfDay(QStringLiteral("a:b:c"), &d));
}

TEST(IniFileTest, CaseInsensitiveNamesQuotesAndAppending) {
  QTemporaryDir dir;
  const QString p = dir.filePath("t.ini");
  WriteTestFile(p, "[Sec]\r\nKey = \"  spaced  \"\r\nother='x'\r\n\r\n[Next]\r\na=1\r\n");
  IniFile ini(p);
  EXPECT_EQ(ini.ReadString("sec", "KEY", "d"), QStringLiteral("  spaced  "));
  EXPECT_EQ(ini.ReadString("SEC", "other", "d"), QStringLiteral("x"));
  EXPECT_EQ(ini.ReadString("sec", "none", "d"), QStringLiteral("d"));
  EXPECT_EQ(ini.ReadInteger("next", "a", -1), 1);
  ASSERT_TRUE(ini.WriteString("sec", "added", "2"));
  ASSERT_TRUE(ini.WriteString("New", "k", "v"));
  EXPECT_EQ(ReadTestFile(p),
            QByteArray("[Sec]\r\nKey = \"  spaced  \"\r\nother='x'\r\nadded=2\r\n\r\n[Next]\r\na=1\r\n"
                       "[New]\r\nk=v\r\n"));
  qint64 v = 0;
  EXPECT_TRUE(ParseIniInteger("$1F", &v));
  EXPECT_EQ(v, 31);
  EXPECT_FALSE(ParseIniInteger("12abc", &v));
  EXPECT_FALSE(ParseIniInteger("", &v));
}

TEST_F(SettingsFileTest, TheClassServerComesFromTheSystemFileAndNeverLandsInTheUsersFile) {
  QTemporaryDir system;
  const QByteArray oldDirs = qgetenv("XDG_CONFIG_DIRS");
  qputenv("XDG_CONFIG_DIRS", ("relative:" + system.path()).toLocal8Bit());
  WriteTestFile(system.filePath(QStringLiteral("shurencho.ini")),
                "[History]\r\nServer = postgresql://shurencho_learner@school/shurencho \r\n");
  AppSettings s;
  LoadSettings(s, true, path());
  const QByteArray first = ReadTestFile(path());
  EXPECT_EQ(s.HistoryServer, QStringLiteral("postgresql://shurencho_learner@school/shurencho"));
  SaveSettings(s, path());
  EXPECT_EQ(ReadTestFile(path()), first);
  EXPECT_FALSE(first.contains("Server"));

  // A user's own key, even empty, overrides the teacher's and is kept.
  WriteTestFile(path(), first + "[History]\r\nServer=\r\n");
  LoadSettings(s, true, path());
  EXPECT_EQ(s.HistoryServer, QString());
  SaveSettings(s, path());
  EXPECT_EQ(ReadTestFile(path()), first + "[History]\r\nServer=\r\n");
  qputenv("XDG_CONFIG_DIRS", oldDirs);
}

TEST_F(SettingsFileTest, PassItemsComeFromTheUsersFileOrTheSystemFileAndAreNeverWritten) {
  QTemporaryDir system;
  const QByteArray oldDirs = qgetenv("XDG_CONFIG_DIRS");
  qputenv("XDG_CONFIG_DIRS", system.path().toLocal8Bit());
  WriteTestFile(system.filePath(QStringLiteral("shurencho.ini")), "[Guide]\r\nPassItems=8\r\n");
  AppSettings s;
  LoadSettings(s, true, path());
  EXPECT_EQ(s.GuidePassItems, 8);
  EXPECT_FALSE(s.GuideShowInFile);
  const QByteArray first = ReadTestFile(path());
  EXPECT_FALSE(first.contains("PassItems"));
  // The learner's own file first; out of range is the default.
  WriteTestFile(path(), first + "[Guide]\r\nShow=0\r\nPassItems=12\r\n");
  LoadSettings(s, true, path());
  EXPECT_EQ(s.GuidePassItems, 12);
  EXPECT_TRUE(s.GuideShowInFile);
  WriteTestFile(path(), first + "[Guide]\r\nPassItems=300\r\n");
  LoadSettings(s, true, path());
  EXPECT_EQ(s.GuidePassItems, ZINIconf::kDefaultPassItems);
  qputenv("XDG_CONFIG_DIRS", oldDirs);
}

TEST_F(SettingsFileTest, OurOwnKeysStayAsWrittenThroughACloseThatChangedNothing) {
  AppSettings s;
  LoadSettings(s, true, path());
  const QByteArray hostile = ReadTestFile(path()) +
                             "[History]\r\nWeakDrill=maybe\r\nServer= postgresql://t@school/s \r\n"
                             "[Romaji]\r\nGuide=abc\r\nKanaInput=yes\r\nKanaSpeed=5,x\r\n"
                             "[Guide]\r\nShow=garbage\r\nPassItems=lots\r\nLayout=dvorak\r\n"
                             "[Reading]\r\nFurigana=x\r\nTextScale=2\r\n";
  WriteTestFile(path(), hostile);
  LoadSettings(s, true, path());
  EXPECT_EQ(s.RomajiGuide, 0);
  EXPECT_EQ(s.GuideLayout, QString());  // the keyboard map decides
  EXPECT_FALSE(s.KanaInput);
  SaveSettings(s, path());
  EXPECT_EQ(ReadTestFile(path()), hostile);
  // A choice made replaces the text it chose over.
  s.KanaInput = true;
  s.KanaInputChosen = true;
  s.GuideLayout = QStringLiteral("us");
  s.GuideLayoutChosen = true;
  SaveSettings(s, path());
  EXPECT_TRUE(ReadTestFile(path()).contains("KanaInput=1\r\n"));
  EXPECT_TRUE(ReadTestFile(path()).contains("Layout=us\r\n"));
  LoadSettings(s, true, path());
  EXPECT_EQ(s.GuideLayout, QStringLiteral("us"));
}
