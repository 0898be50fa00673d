#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "report/export_folder.h"

using namespace shurencho;

TEST(ExportFolder, TheLastFolderWhileItLastsThenDocumentsThenHome) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("last")));
  ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("documents")));
  const QString last = dir.filePath(QStringLiteral("last")),
                documents = dir.filePath(QStringLiteral("documents"));
  const QString home = dir.path();
  EXPECT_EQ(ChooseExportFolder(last, documents, home), last);
  EXPECT_EQ(ChooseExportFolder(QString(), documents, home), documents);
  // A folder taken away since (a USB stick pulled out) is passed over.
  ASSERT_TRUE(QDir(last).removeRecursively());
  EXPECT_EQ(ChooseExportFolder(last, documents, home), documents);
  // No documents folder on this desktop.
  ASSERT_TRUE(QDir(documents).removeRecursively());
  EXPECT_EQ(ChooseExportFolder(last, documents, home), home);
}
