#include "platform/data_dirs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "app/help_about.h"
#include "support/test_files.h"

using namespace shurencho;

namespace {

// An installed layout (prefix/bin/shurencho, prefix/share/shurencho/…) and an
// empty working folder elsewhere, as when the program is started from a terminal.
class DataDirsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    m_oldXdg = qgetenv("XDG_DATA_DIRS");
    QDir root(m_tmp.path());
    root.mkpath(QStringLiteral("prefix/bin"));
    root.mkpath(QStringLiteral("prefix/share/shurencho/texts"));
    root.mkpath(QStringLiteral("xdg/shurencho"));
    root.mkpath(QStringLiteral("work"));
    program = root.filePath(QStringLiteral("prefix/bin/shurencho"));
    installed = root.filePath(QStringLiteral("prefix/share/shurencho"));
    xdg = root.filePath(QStringLiteral("xdg/shurencho"));
    qputenv("XDG_DATA_DIRS", root.filePath(QStringLiteral("xdg")).toLocal8Bit() + ":relative/dir");
    m_cwd.emplace(root.filePath(QStringLiteral("work")));
  }
  void TearDown() override { qputenv("XDG_DATA_DIRS", m_oldXdg); }
  static void touch(const QString& path) { WriteTestFile(path); }

  QTemporaryDir m_tmp;
  std::optional<ScopedWorkingFolder> m_cwd;
  QByteArray m_oldXdg;
  QString program, installed, xdg;
};

TEST_F(DataDirsTest, BareNameSearchOrderWorkingFolderThenInstalledThenXdg) {
  touch(installed + QStringLiteral("/roma01.dat"));
  touch(xdg + QStringLiteral("/roma01.dat"));
  touch(xdg + QStringLiteral("/tmap01.dat"));
  EXPECT_EQ(InstalledDataDirs(program), (QStringList{installed, xdg}));

  EXPECT_EQ(FindDataFile(QStringLiteral("roma01.dat"), program), installed + QStringLiteral("/roma01.dat"));
  EXPECT_EQ(FindDataFile(QStringLiteral("tmap01.dat"), program), xdg + QStringLiteral("/tmap01.dat"));
  // Found nowhere, or named with a folder: the name stays as given, so an
  // error message names what the settings say.
  EXPECT_EQ(FindDataFile(QStringLiteral("tango.dat"), program), QStringLiteral("tango.dat"));
  EXPECT_EQ(FindDataFile(QStringLiteral("sub/roma01.dat"), program), QStringLiteral("sub/roma01.dat"));

  touch(QStringLiteral("roma01.dat"));
  EXPECT_EQ(FindDataFile(QStringLiteral("roma01.dat"), program), QStringLiteral("roma01.dat"));
}

TEST_F(DataDirsTest, HelpAndPracticeTextsOfAnInstalledCopy) {
  AppSettings settings;
  LoadSettings(settings, false, QString());
  touch(installed + QStringLiteral("/readme.htm"));
  EXPECT_EQ(HelpDocumentPath(settings, program), installed + QStringLiteral("/readme.htm"));
  EXPECT_EQ(PracticeTextFolder(program), installed + QStringLiteral("/texts"));

  // Beside the program (the build folder) wins.
  QDir(QFileInfo(program).absolutePath()).mkpath(QStringLiteral("texts"));
  touch(QFileInfo(program).absolutePath() + QStringLiteral("/readme.htm"));
  EXPECT_EQ(PracticeTextFolder(program), QFileInfo(program).absolutePath() + QStringLiteral("/texts"));
  EXPECT_EQ(HelpDocumentPath(settings, program),
            QFileInfo(program).absolutePath() + QStringLiteral("/readme.htm"));
}

}  // namespace
