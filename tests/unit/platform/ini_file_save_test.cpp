#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/ini_file.h"
#include "support/test_files.h"

using namespace shurencho;

namespace {}  // namespace

TEST(IniFileSave, NeverWritesThroughAPlantedLinkNorLeavesATemporaryFile) {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("shurencho.ini"));
  const QString victim = dir.filePath(QStringLiteral("victim"));
  WriteTestFile(victim, "mine");
  ASSERT_TRUE(QFile::link(victim, ini + QStringLiteral(".tmp")));
  ASSERT_TRUE(IniFile(ini).WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v")));
  EXPECT_EQ(ReadTestFile(victim), QByteArray("mine"));
  EXPECT_EQ(ReadTestFile(ini), QByteArray("[A]\r\nk=v\r\n"));
  EXPECT_FALSE(QFileInfo(ini).isSymLink());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 3);

  // A settings file the user made a link is written where it points.
  const QString real = dir.filePath(QStringLiteral("real.ini"));
  ASSERT_TRUE(QFile::rename(ini, real));
  ASSERT_TRUE(QFile::link(real, ini));
  ASSERT_TRUE(IniFile(ini).WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("w")));
  EXPECT_TRUE(QFileInfo(ini).isSymLink());
  EXPECT_EQ(ReadTestFile(real), QByteArray("[A]\r\nk=w\r\n"));
}
