#pragma once
// Batches that could not reach the database wait in a file of their own
// beside it, so a locked file, a full disk or a crash loses none of them.
// Every append is flushed to the disk before it counts; room is reserved in
// advance, so the last appends at close still fit on a disk that has just
// filled up. The file is locked: a second copy of the program keeps its own
// batches in memory instead of replaying the first one's.
//
// Only a file the journal knows as its own is ever changed: a regular file
// of one link that is empty or starts with the journal's marks. Anything
// else at the name (a user's file, a hard link, a later program's journal)
// is left as it is, and the journal goes beside it under another name. A
// batch damaged on the disk is copied to "<journal>.damaged" before the
// journal is used, and the intact batches around it are read as ever.

#include <QList>
#include <QString>

#include "history/history_records.h"

namespace shurencho {

class HistoryJournal final {
 public:
  // Beyond this the journal takes no more batches.
  static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
  // Kept allocated beyond the file's end while it is open: at most this,
  // and never more than a quarter of what the disk has free.
  static constexpr qint64 kReservedBytes = 256 * 1024;
  // Other names tried beside a file that is not the journal's: <name>.1 …
  static constexpr int kOtherNames = 9;

  explicit HistoryJournal(QString path) : m_asked(std::move(path)), m_path(m_asked) {}
  ~HistoryJournal();
  HistoryJournal(const HistoryJournal&) = delete;
  HistoryJournal& operator=(const HistoryJournal&) = delete;

  // The history file's journal: history.sqlite.pending (never one of the
  // database's own -journal, -wal or -shm names).
  static QString PathFor(const QString& historyFile) { return historyFile + QStringLiteral(".pending"); }
  static QString DamagedPathFor(const QString& journal) { return journal + QStringLiteral(".damaged"); }

  // Chooses the file (the name asked, else the first other name that is
  // free or the journal's, preferring one that holds batches), makes it
  // when missing, locks it and reads it. False when none can be used: no
  // folder, no right, another copy holds it. Reserves nothing.
  bool Open();
  bool isOpen() const { return m_fd >= 0; }
  // Lets the file go (its lock and its reserved room).
  void Close();
  // The file in use once open; the name asked before.
  const QString& path() const { return m_path; }
  // What the learner is told once: another file at the name, a later
  // program's journal, damaged batches kept aside. Empty when none of it.
  const QString& note() const { return m_note; }

  // Room for later appends; once per opening, and only when asked, so that
  // the history file itself is made first on a nearly full disk.
  void Reserve();

  // What the file holds, oldest first: every intact batch. A batch damaged
  // on the disk, and a last append cut short by a crash, are left out.
  QList<HistoryBatch> ReadAll();
  // Appends one batch and flushes it to the disk; false (and the file as it
  // was) when it does not fit or cannot be written.
  bool Append(const HistoryBatch& batch);
  // Empties the file, its batches being in the database. Keeps the blocks
  // the file has, for the next appends.
  bool Clear();

  // The batch's bytes as the file keeps them, and back. A batch written by
  // a later program is told apart from a damaged one.
  enum class Decoded { Ok, Damaged, Later };
  static QByteArray Encode(const HistoryBatch& batch);
  static Decoded Decode(const QByteArray& bytes, HistoryBatch* batch);

 private:
  struct Scan;
  enum class Verdict { Free, Ours, NotOurs, Busy };
  static void Parse(const QByteArray& all, Scan* scan);
  static Decoded DecodeInto(const QByteArray& bytes, HistoryBatch* batch);
  Verdict Try(const QString& name, int* fd, Scan* scan, QStringList* notes);
  bool KeepDamaged(const Scan& scan, const QString& name);
  static void MarkKept(int fd, Scan* scan);

  QString m_asked;
  QString m_path;
  QString m_note;
  int m_fd = -1;
  qint64 m_base = 0;  // where batches start: after the file's marks, or 0 in a file from before them
  qint64 m_size = 0;  // where the whole batches end
  bool m_reserved = false;
};

}  // namespace shurencho
