#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/ini_file.h"

using namespace shurencho;

namespace {

QByteArray ReadRaw(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteRaw(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

TEST(IniFileSave, NeverWritesThroughAPlantedLinkNorLeavesATemporaryFile) {
  QTemporaryDir dir;
  const QString ini = dir.filePath(QStringLiteral("shurencho.ini"));
  const QString victim = dir.filePath(QStringLiteral("victim"));
  ASSERT_TRUE(WriteRaw(victim, "mine"));
  ASSERT_TRUE(QFile::link(victim, ini + QStringLiteral(".tmp")));
  ASSERT_TRUE(IniFile(ini).WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v")));
  EXPECT_EQ(ReadRaw(victim), QByteArray("mine"));
  EXPECT_EQ(ReadRaw(ini), QByteArray("[A]\r\nk=v\r\n"));
  EXPECT_FALSE(QFileInfo(ini).isSymLink());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 3);

  // A settings file the user made a link is written where it points.
  const QString real = dir.filePath(QStringLiteral("real.ini"));
  ASSERT_TRUE(QFile::rename(ini, real));
  ASSERT_TRUE(QFile::link(real, ini));
  ASSERT_TRUE(IniFile(ini).WriteString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("w")));
  EXPECT_TRUE(QFileInfo(ini).isSymLink());
  EXPECT_EQ(ReadRaw(real), QByteArray("[A]\r\nk=w\r\n"));
}
