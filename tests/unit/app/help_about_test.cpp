#include "app/help_about.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "support/fake_platform.h"
#include "support/test_files.h"

using namespace shurencho;

namespace {

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    m_cwd.emplace(m_tmp.path());
    QDir().mkpath(QStringLiteral("prog"));
    QDir().mkpath(QStringLiteral("doc dir"));
    prog = m_tmp.filePath(QStringLiteral("prog"));
    platform.programPath = prog + QStringLiteral("/shurencho");
    platform.help.opener = QStringLiteral("/usr/bin/xdg-open");
    touch(prog + QStringLiteral("/readme.htm"));
    touch(QStringLiteral("doc dir/help.htm"));
  }
  static void touch(const QString& path) { WriteTestFile(path); }

  QTemporaryDir m_tmp;
  std::optional<ScopedWorkingFolder> m_cwd;
  QString prog;
  FakePlatform platform;
  AppSettings settings;
};

TEST_F(HelpTest, BareNameIsTakenFromTheProgramFolderAFolderPartAsGiven) {
  settings.HelpFile = QStringLiteral("readme.htm");
  OpenHelpDocument(settings, platform);
  ASSERT_EQ(platform.help.started.size(), 1u);
  EXPECT_EQ(platform.help.started[0].first, QStringLiteral("/usr/bin/xdg-open"));
  EXPECT_EQ(platform.help.started[0].second, QStringList{prog + QStringLiteral("/readme.htm")});

  // Relative to the working folder, blank and all; a backslash separates folders too.
  for (const QString& name : {QStringLiteral("doc dir/help.htm"), QStringLiteral("doc dir\\help.htm")}) {
    settings.HelpFile = name;
    OpenHelpDocument(settings, platform);
    EXPECT_EQ(platform.help.started.back().second, QStringList{QStringLiteral("doc dir/help.htm")});
  }
  EXPECT_EQ(platform.help.started.size(), 3u);
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(HelpTest, NothingHappensWithoutTheDocumentOrAnOpener) {
  settings.HelpFile = QStringLiteral("gone.htm");
  OpenHelpDocument(settings, platform);
  settings.HelpFile = QString();  // the program's folder itself is no document
  OpenHelpDocument(settings, platform);
  settings.HelpFile = QStringLiteral("readme.htm");
  platform.help.opener.clear();
  OpenHelpDocument(settings, platform);
  EXPECT_TRUE(platform.help.started.empty());
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(HelpTest, NetscapeInAnyLetterCaseGetsTheHelpSwitch) {
  settings.HelpFile = QStringLiteral("readme.htm");
  const QString doc = prog + QStringLiteral("/readme.htm");
  for (const QString& opener : {QStringLiteral("/opt/b/netscape.exe"), QStringLiteral("/opt/b/NETSCAPE.EXE"),
                                QStringLiteral("/opt/b/NetScape.Exe")}) {
    platform.help.opener = opener;
    OpenHelpDocument(settings, platform);
    EXPECT_EQ(platform.help.started.back().second, (QStringList{QStringLiteral("-h"), doc}))
        << opener.toStdString();
  }
  for (const QString& opener :
       {QStringLiteral("/opt/b/netscape"), QStringLiteral("/opt/netscape.exe/open")}) {
    platform.help.opener = opener;
    OpenHelpDocument(settings, platform);
    EXPECT_EQ(platform.help.started.back().second, QStringList{doc}) << opener.toStdString();
  }
}

TEST_F(HelpTest, AFailedStartShowsTheErrorNumberAndTheCommandLine) {
  settings.HelpFile = QStringLiteral("readme.htm");
  platform.help.startResult = 2;
  OpenHelpDocument(settings, platform);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].kind, FakePlatform::Box::Information);
  EXPECT_EQ(platform.boxes[0].text,
            QStringLiteral("Exec Error 2\r\n/usr/bin/xdg-open ") + prog + QStringLiteral("/readme.htm"));
  platform.help.opener = QStringLiteral("/b/Netscape.exe");
  platform.help.startResult = 13;
  OpenHelpDocument(settings, platform);
  EXPECT_EQ(platform.boxes[1].text,
            QStringLiteral("Exec Error 13\r\n/b/Netscape.exe -h ") + prog + QStringLiteral("/readme.htm"));
}

TEST_F(HelpTest, ADocumentNamedLikeAnOptionIsPassedAsAPath) {
  QDir().mkpath(QStringLiteral("-x"));
  touch(QStringLiteral("-x/readme.htm"));
  settings.HelpFile = QStringLiteral("-x/readme.htm");
  OpenHelpDocument(settings, platform);
  ASSERT_EQ(platform.help.started.size(), 1u);
  EXPECT_EQ(platform.help.started[0].second, QStringList{QStringLiteral("./-x/readme.htm")});
}

TEST(About, CaptionBlankLineAndNotice) {
  FakePlatform platform;
  AppSettings settings;
  settings.WindowCaption = QStringLiteral("打鍵修練帖　Ver1.0 - 宙文舎");
  ShowAbout(settings, platform);
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].kind, FakePlatform::Box::Information);
  EXPECT_EQ(platform.boxes[0].text,
            settings.WindowCaption + QStringLiteral("\r\n\r\n") + QString::fromUtf8(kAboutNotice));
  EXPECT_FALSE(QString::fromUtf8(kAboutNotice).contains(QLatin1Char('\n')));
}

}  // namespace
