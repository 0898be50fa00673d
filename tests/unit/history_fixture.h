#pragma once
// Shared by the history tests: a store in memory, and a fixture that gives
// each test its own $XDG_DATA_HOME (and the application object Qt SQL needs
// to find its drivers).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <memory>

#include "history/history_records.h"

namespace shurencho {

// Keeps every batch written; the weakest units are whatever the test says.
class MemoryStore final : public HistoryStore {
 public:
  QString LearnerName() const override { return QStringLiteral("taro"); }
  bool SetLearnerName(const QString&, QString*) override { return true; }
  bool Write(const HistoryBatch& batch, QString*) override {
    written.append(batch);
    return true;
  }
  LearnerHistory Read(int, QString*) override {
    LearnerHistory h;
    for (const QString& unit : weak) h.weakest.append(UnitWeakness{unit, 1, {}});
    return h;
  }
  // Everything written, as one batch.
  HistoryBatch All() const { return MergedBatches(written); }

  QList<HistoryBatch> written;
  QStringList weak;
};

class HistoryFileTest : public ::testing::Test {
 protected:
  HistoryFileTest() {
    if (!QCoreApplication::instance()) {
      static int argc = 1;
      static char name[] = "unit_tests";
      static char* argv[] = {name, nullptr};
      static QCoreApplication app(argc, argv);
    }
    m_hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    m_oldDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.path().toLocal8Bit());
  }
  ~HistoryFileTest() override {
    if (m_hadDataHome) {
      qputenv("XDG_DATA_HOME", m_oldDataHome);
    } else {
      qunsetenv("XDG_DATA_HOME");
    }
  }

  QTemporaryDir dir;

 private:
  bool m_hadDataHome = false;
  QByteArray m_oldDataHome;
};

}  // namespace shurencho
