#pragma once
// Files and folders for tests: written whole or the test fails, read back as
// bytes, and the working folder changed for a scope.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

namespace shurencho {

// Writes bytes to path (an empty file when none are given).
inline void WriteTestFile(const QString& path, const QByteArray& bytes = {}) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
    ADD_FAILURE() << "cannot write " << path.toStdString();
}

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadTestFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The working folder is `folder` while this lives.
class ScopedWorkingFolder {
 public:
  explicit ScopedWorkingFolder(const QString& folder) : m_old(QDir::currentPath()) {
    QDir::setCurrent(folder);
  }
  ~ScopedWorkingFolder() { QDir::setCurrent(m_old); }
  ScopedWorkingFolder(const ScopedWorkingFolder&) = delete;
  ScopedWorkingFolder& operator=(const ScopedWorkingFolder&) = delete;

 private:
  QString m_old;
};

}  // namespace shurencho
