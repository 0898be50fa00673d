// Writes batches into a history file as a page would at the end of an item:
// one drill item of one keystroke with five refused keys. Every batch is
// whole or absent, so a test that kills the writer can check the file
// for half batches; two writers at once must lose none.
//
// history_writer FILE BATCHES TAG   (BATCHES < 0: until killed)
// Prints "open" once the store is open; exits 1 when a write fails.
#include <QCoreApplication>
#include <cstdio>

#include "history_sqlite/sqlite_history_store.h"

using namespace shurencho;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: history_writer FILE BATCHES TAG\n");
    return 2;
  }
  QString error;
  auto store = SqliteHistoryStore::Open(QString::fromLocal8Bit(argv[1]), &error);
  if (!store) {
    std::fprintf(stderr, "open failed: %s\n", qPrintable(error));
    return 1;
  }
  std::printf("open\n");
  std::fflush(stdout);
  const long batches = std::atol(argv[2]);
  const QString tag = QString::fromLocal8Bit(argv[3]);
  for (long n = 0; batches < 0 || n < batches; ++n) {
    HistoryBatch batch;
    batch.items.append(DrillItemRecord{n, 4, tag + QString::number(n), 2, 1, 5, 1.0});
    for (int k = 0; k < 5; ++k) {
      batch.misses.append(KeyMissRecord{n, 4, QStringLiteral("しゃ"), QStringLiteral("s"),
                                        QStringLiteral("a"), QStringLiteral("h")});
    }
    if (!store->Write(batch, &error)) {
      std::fprintf(stderr, "write failed: %s\n", qPrintable(error));
      return 1;
    }
  }
  return 0;
}
