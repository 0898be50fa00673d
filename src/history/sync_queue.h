#pragma once
// Sending the local history to the class server. The local file always
// records; the queue reads what the server has not had yet, sends it in one
// server transaction and only then marks it sent. Every row carries an id
// that stays the same however often it is sent (the file's own identity and
// the row's number), and the server keeps the first copy of each id, so a
// crash between the send and the mark only sends the rows again, never
// keeps them twice.

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <atomic>

#include "history/assignment.h"
#include "history/history_records.h"

namespace shurencho {

// A local row with the number it has in its table.
template <typename Record>
struct QueuedRow {
  qint64 localId = 0;
  qint64 learner = 0;  // local learner number, a key of SyncBatch::learners
  Record record;
};

struct SyncBatch {
  QString origin;                                   // the local file's identity: rows are "origin/localId"
  QHash<qint64, QPair<QString, QString>> learners;  // local number -> name, machine
  QHash<qint64, QString> years;                     // local number -> school year, empty when none
  QHash<qint64, LearnerClass> places;               // local number -> class and number, none when absent
  QList<QueuedRow<DrillItemRecord>> items;          // each list in local order
  QList<QueuedRow<TypingRunRecord>> runs;
  QList<QueuedRow<KeyMissRecord>> misses;
  QList<QueuedRow<MouseRecord>> mouse;

  qsizetype size() const { return items.size() + runs.size() + misses.size() + mouse.size(); }
  bool empty() const { return size() == 0; }
};

// What the learner's program is doing, sent beside the rows so that the
// teacher sees who is practising and who has stopped.
struct Presence {
  QString name;  // the learner, as the rows name them
  QString machine;
  QString page;           // what the learner has open, as the class window shows it ("コース2", "実践")
  int course = -1;        // the course's history number; -1 outside the drill
  qint64 itemAgeMs = -1;  // since an item, run or stage last ended (or the program started)

  bool empty() const { return name.isEmpty(); }
};

// The rows on this side: the local file.
class SyncSource {
 public:
  virtual ~SyncSource() = default;
  // Up to `limit` rows not yet marked sent, oldest first in each table.
  virtual bool Pending(int limit, SyncBatch* batch, QString* error) = 0;
  // Marks every row of a batch Pending returned as sent.
  virtual bool MarkSent(const SyncBatch& batch, QString* error) = 0;
  // The class of the learner this machine writes for now; empty for none.
  virtual bool CurrentClass(QString* code, QString* /*error*/) {
    code->clear();
    return true;
  }
  // Keeps these in place of the assignments kept before, so that a lesson
  // without the network still shows the last ones read.
  virtual bool KeepAssignments(const QList<Assignment>& /*assignments*/, QString* /*error*/) { return true; }
};

// The server: keeps a batch whole or not at all, and a row whose id it
// already holds is left as it is.
class SyncSender {
 public:
  virtual ~SyncSender() = default;
  virtual bool Send(const SyncBatch& batch, QString* error) = 0;
  // From any thread, while Send may be running: makes a call under way fail
  // soon, so the program's end never waits for a server that stopped
  // answering. The sender is of no further use afterwards.
  virtual void Interrupt() {}
  // Where the learner is now; a server that keeps no presence takes it as
  // sent.
  virtual bool SendPresence(const Presence& presence, QString* error) {
    (void)presence;
    (void)error;
    return true;
  }
  // The class's assignments not yet past their end at nowMs.
  virtual bool ReadAssignments(const QString& /*classCode*/, HistoryTime /*nowMs*/, QList<Assignment>* out,
                               QString* /*error*/) {
    out->clear();
    return true;
  }
};

class SyncQueue final {
 public:
  // Rows sent in one server transaction.
  static constexpr int kBatchRows = 2000;

  SyncQueue(SyncSource& source, SyncSender& sender) : m_source(source), m_sender(sender) {}

  struct Result {
    bool ok = true;
    qint64 sent = 0;                  // rows the server confirmed in this call
    bool assignmentsChanged = false;  // the class's assignments kept in the file changed
    QString error;
  };
  // Sends batches until nothing is left, something fails or *stop is set
  // (looked at between batches, so a long queue never holds the program's
  // end); what was not sent stays queued for the next call.
  Result Run(int batchRows = kBatchRows, const std::atomic<bool>* stop = nullptr);
  // Reads the current learner's class's assignments from the server and
  // keeps them in the file, also into *read; a learner of no class keeps none.
  bool FetchAssignments(HistoryTime nowMs, QList<Assignment>* read, QString* error);

 private:
  SyncSource& m_source;
  SyncSender& m_sender;
};

}  // namespace shurencho
