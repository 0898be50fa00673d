// The real opener start: an argument vector, no shell in between.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>

#include "adapters/xdg_help_launcher.h"

using namespace shurencho;

namespace {

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_tmp.isValid()); }
  QString Script(const QString& name, const QByteArray& body, bool executable) {
    const QString path = m_tmp.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(body);
    f.close();
    if (executable) f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    return path;
  }
  QTemporaryDir m_tmp;
  XdgHelpLauncher launcher;
};

TEST_F(LauncherTest, ArgumentsReachTheProgramUntouched) {
  // Writes one argument a line, then renames, so a half-written record is never read.
  const QString opener = Script(QStringLiteral("opener"),
                                "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.tmp\"\n"
                                "mv \"$0.tmp\" \"$0.txt\"\n",
                                true);
  const QString doc =
      m_tmp.filePath(QStringLiteral("my docs/it's \"here\" $(touch pwned) `touch pwned2`;.htm"));
  ASSERT_EQ(launcher.Start(opener, {QStringLiteral("-h"), doc}), 0);
  QDeadlineTimer deadline(30000);
  while (!QFile::exists(opener + QStringLiteral(".txt")) && !deadline.hasExpired()) QThread::msleep(10);
  QFile f(opener + QStringLiteral(".txt"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "the opener did not run";
  EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("-h\n") + doc + QLatin1Char('\n'));
  EXPECT_FALSE(QFile::exists(m_tmp.filePath(QStringLiteral("pwned"))));
  EXPECT_FALSE(QFile::exists(QStringLiteral("pwned")));
  EXPECT_FALSE(QFile::exists(QStringLiteral("pwned2")));
}

TEST_F(LauncherTest, AStartThatFailsGivesTheSystemErrorNumber) {
  EXPECT_EQ(launcher.Start(m_tmp.filePath(QStringLiteral("missing")), {QStringLiteral("x")}), ENOENT);
  const QString plain = Script(QStringLiteral("not-executable"), "#!/bin/sh\n", false);
  EXPECT_EQ(launcher.Start(plain, {QStringLiteral("x")}), EACCES);
}

}  // namespace
