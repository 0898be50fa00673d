// The trainer's history worker in a program of its own, for the full-disk
// test: opens FILE, says "open" (or the fault), waits for a line on stdin,
// hands over BATCHES batches (one drill item and five refused keys each)
// and stops as the trainer does at close, printing what it left unwritten.
//
// history_service_writer FILE BATCHES
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <cstdio>
#include <iostream>
#include <string>

#include "history/history_journal.h"
#include "history/history_service.h"
#include "history_sqlite/sqlite_history_store.h"

using namespace shurencho;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: history_service_writer FILE BATCHES\n");
    return 2;
  }
  const QString file = QString::fromLocal8Bit(argv[1]);
  const long batches = std::atol(argv[2]);
  HistoryService service(
      [file](const BusyWait& wait) { return SqliteHistoryStore::OpenForTrainer(file, wait); },
      HistoryJournal::PathFor(file));
  HistoryStatus last;
  bool told = false;
  QObject context;
  service.SetListeners(&context,
                       [&](const HistoryStatus& s) {
                         last = s;
                         told = true;
                       },
                       {});
  service.Start();
  const QDeadlineTimer deadline(30000);
  while (!(told && (last.state != HistoryStatus::State::Opening)) && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  std::printf("open %s\n", last.reason.isEmpty() ? "ok" : qPrintable(last.reason));
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);
  for (long n = 0; n < batches; ++n) {
    HistoryBatch batch;
    batch.items.append(DrillItemRecord{n, 4, QStringLiteral("きしゃ"), 3, 6, 5, 1.0});
    for (int k = 0; k < 5; ++k) {
      batch.misses.append(KeyMissRecord{n, 4, QStringLiteral("しゃ"), QStringLiteral("s"),
                                        QStringLiteral("a"), QStringLiteral("h")});
    }
    service.Submit(batch);
  }
  // The trainer gives the worker 1.5 s at close; a loaded test machine gets
  // more, since what is checked here is where the records go, not how fast.
  const HistoryService::Closing closing = service.Stop(10000);
  std::printf("unwritten=%d kept=%d\n", closing.unwrittenRows, closing.kept ? 1 : 0);
  return 0;
}
