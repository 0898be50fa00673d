#pragma once
// Batches that could not reach the database wait in a file of their own
// beside it, so a locked file, a full disk or a crash loses none of them.
// Every append is flushed to the disk before it counts; room is reserved in
// advance, so the last appends at close still fit on a disk that has just
// filled up. The file is locked: a second copy of the program keeps its own
// batches in memory instead of replaying the first one's.

#include <QList>
#include <QString>

#include "history/history_records.h"

namespace shurencho {

class HistoryJournal final {
 public:
  // Beyond this the journal takes no more batches.
  static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
  // Kept allocated beyond the file's end while it is open.
  static constexpr qint64 kReservedBytes = 1024 * 1024;

  explicit HistoryJournal(QString path) : m_path(std::move(path)) {}
  ~HistoryJournal();
  HistoryJournal(const HistoryJournal&) = delete;
  HistoryJournal& operator=(const HistoryJournal&) = delete;

  // The history file's journal: history.sqlite.pending (never one of the
  // database's own -journal, -wal or -shm names).
  static QString PathFor(const QString& historyFile) { return historyFile + QStringLiteral(".pending"); }

  // Opens the file (made when missing), locks it and reserves room. False
  // when it cannot be used: no folder, no right, another copy holds it.
  bool Open();
  bool isOpen() const { return m_fd >= 0; }
  // Lets the file go (its lock and its reserved room).
  void Close();
  const QString& path() const { return m_path; }

  // What the file holds, oldest first. A last append cut short by a crash
  // is left out, and so is anything after it.
  QList<HistoryBatch> ReadAll();
  // Appends one batch and flushes it to the disk; false (and the file as it
  // was) when it does not fit or cannot be written.
  bool Append(const HistoryBatch& batch);
  // Empties the file, its batches being in the database, and reserves room again.
  bool Clear();

  // The batch's bytes as the file keeps them, and back (false when damaged).
  static QByteArray Encode(const HistoryBatch& batch);
  static bool Decode(const QByteArray& bytes, HistoryBatch* batch);

 private:
  void Reserve();

  QString m_path;
  int m_fd = -1;
  qint64 m_size = 0;  // bytes of whole batches
};

}  // namespace shurencho
