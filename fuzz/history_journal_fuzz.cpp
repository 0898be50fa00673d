// The history journal as a start finds it: any bytes at its name are read,
// a batch appended and the journal emptied, and whatever is not the
// journal's own is left as it was.
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdlib>

#include "history/history_journal.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QString folder =
      QDir::tempPath() + QStringLiteral("/shurencho-journal-fuzz-%1").arg(::getpid());
  static const struct Tidy {
    ~Tidy() { QDir(folder).removeRecursively(); }
  } tidy;
  QDir(folder).removeRecursively();
  QDir().mkpath(folder);
  const QString path = folder + QStringLiteral("/history.sqlite.pending");
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return 0;
  }
  HistoryJournal journal(path);
  if (journal.Open()) {
    (void)journal.ReadAll();
    HistoryBatch batch;
    batch.id = QStringLiteral("fuzz");
    batch.items.append(DrillItemRecord{1, 1, QStringLiteral("かな"), 2, 2, 0, 1.0});
    if (journal.Append(batch) && journal.ReadAll().isEmpty())
      std::abort();  // an append that is not read back
    (void)journal.Clear();
    journal.Close();
    if (journal.path() != path) {
      QFile f(path);
      if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes) std::abort();  // not ours, yet changed
    }
  }
  return 0;
}
