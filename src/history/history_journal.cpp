#include "history/history_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <algorithm>
#include <cerrno>
#include <utility>

#include "text/file_save.h"

namespace shurencho {

namespace {

// Each batch: the marker, the payload's length and its CRC-32, then the payload.
constexpr quint32 kMarker = 0x4a524853;  // "SHRJ"
// A stretch of damaged bytes already kept aside: read past, never again kept.
constexpr quint32 kKeptMarker = 0x58524853;  // "SHRX"
constexpr int kHeaderBytes = 12;
// 2: a batch carries its id. A batch of format 1 is known by its bytes.
constexpr quint32 kFormat = 2;

quint32 Crc32(const QByteArray& bytes) {
  quint32 crc = 0xffffffffu;
  for (const char c : bytes) {
    crc ^= static_cast<quint8>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutU32(QByteArray& out, quint32 v) {
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xff));
}
quint32 GetU32(const char* p) {
  quint32 v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<quint8>(p[i]);
  return v;
}

// Where the whole batches end: reading stops here. Writing it needs no new
// room, so emptying the journal keeps the room it had.
const QByteArray kEnd(12, '\0');
// The file's own marks, before its first batch. A file from before them
// starts with a batch's marker or with the end.
const QByteArray kFileHead("\x89SHRJNL\n", 8);

bool ReadAt(int fd, QByteArray* bytes, qint64 offset) {
  qsizetype read = 0;
  while (read < bytes->size()) {
    const ssize_t n =
        ::pread(fd, bytes->data() + read, static_cast<size_t>(bytes->size() - read), offset + read);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    read += n;
  }
  bytes->resize(read);
  return true;
}

bool SyncedWrite(int fd, const QByteArray& bytes, qint64 offset) {
  return WriteAt(fd, bytes, offset) && ::fdatasync(fd) == 0;
}

QString Shown(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

// What one file holds, as the journal reads it.
struct HistoryJournal::Scan {
  bool ours = false;   // empty, or marked as the journal's
  bool later = false;  // holds a batch of a later program
  qint64 base = 0;
  qint64 end = 0;  // after the last intact batch
  QList<HistoryBatch> batches;
  QByteArray damaged;                      // the bytes of every damaged stretch, in order
  QList<QPair<qint64, qint64>> stretches;  // where each is in the file, and its length
};

namespace {

// A whole record at `at`: its marker, a length that fits and a checksum
// that matches. Sets the payload.
bool RecordAt(const QByteArray& all, qsizetype at, QByteArray* payload) {
  if (all.size() - at < kHeaderBytes) return false;
  const char* p = all.constData() + at;
  const quint32 length = GetU32(p + 4);
  if (GetU32(p) != kMarker || length > static_cast<quint32>(all.size() - at - kHeaderBytes)) return false;
  *payload = all.mid(at + kHeaderBytes, length);
  return Crc32(*payload) == GetU32(p + 8);
}

// The end mark where a batch would start, or too little left for one.
bool EndAt(const QByteArray& all, qsizetype at) {
  return all.size() - at < kHeaderBytes ||
         QByteArrayView(all.constData() + at, kHeaderBytes) == QByteArrayView(kEnd);
}

}  // namespace

HistoryJournal::~HistoryJournal() { Close(); }

void HistoryJournal::Close() {
  if (m_fd < 0) return;
  // The reserved room goes back to the disk; only what waits stays, and a
  // journal that holds nothing is left empty.
  const qint64 keep = m_size > m_base ? m_size : 0;
  [[maybe_unused]] const int r = ::ftruncate(m_fd, keep);
  [[maybe_unused]] const int h =
      ::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, keep, kMaxBytes + kReservedBytes);
  ::close(m_fd);
  m_fd = -1;
  m_reserved = false;
}

void HistoryJournal::Parse(const QByteArray& all, Scan* scan) {
  *scan = Scan{};
  if (all.isEmpty()) {
    scan->ours = true;
  } else if (all.startsWith(kFileHead)) {
    scan->ours = true;
    scan->base = kFileHead.size();
  } else {
    // A journal from before the marks: a batch first, or the end.
    QByteArray payload;
    scan->ours = RecordAt(all, 0, &payload) || (all.size() >= kHeaderBytes && all.startsWith(kEnd));
  }
  if (!scan->ours) return;
  qsizetype at = scan->base;
  scan->end = at;
  while (!EndAt(all, at)) {
    QByteArray payload;
    HistoryBatch batch;
    if (const quint32 length = GetU32(all.constData() + at + 4);
        GetU32(all.constData() + at) == kKeptMarker &&
        length <= static_cast<quint32>(all.size() - at - kHeaderBytes)) {
      at += kHeaderBytes + length;
      scan->end = at;
      continue;
    }
    const Decoded d = RecordAt(all, at, &payload) ? Decode(payload, &batch) : Decoded::Damaged;
    if (d == Decoded::Later) {
      scan->later = true;
      break;
    }
    if (d == Decoded::Ok) {
      scan->batches.append(std::move(batch));
      at += kHeaderBytes + payload.size();
      scan->end = at;
      continue;
    }
    // Damaged: up to the next intact batch, wherever it starts. A run of
    // zeros inside a batch's bytes may look like the end, so none is
    // looked for here.
    qsizetype next = at + 1;
    for (;;) {
      const qsizetype marker = all.indexOf(QByteArrayView("SHRJ", 4), next);
      if (marker < 0) {
        next = all.size();
        break;
      }
      if (RecordAt(all, marker, &payload)) {
        next = marker;
        break;
      }
      next = marker + 1;
    }
    QByteArray stretch = all.mid(at, next - at);
    while (stretch.endsWith('\0')) stretch.chop(1);
    if (!stretch.isEmpty()) {
      scan->damaged += stretch;
      // Before an intact batch the whole stretch, zeros and all, is read
      // past; at the end only its bytes, so later appends take the rest.
      const qint64 span = next < all.size() ? next - at : std::max<qint64>(stretch.size(), kHeaderBytes);
      scan->stretches.append({at, span});
    }
    at = next;
  }
}

HistoryJournal::Verdict HistoryJournal::Try(const QString& name, int* fd, Scan* scan, QStringList* notes) {
  const QByteArray encoded = QFile::encodeName(name);
  // No link is followed, and opening never makes a file here.
  *fd = ::open(encoded.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (*fd < 0) {
    if (errno == ENOENT) return Verdict::Free;
    notes->append((errno == ELOOP
                       ? QStringLiteral("学習履歴の控えの名前がリンクなので、そのままにしました: %1")
                       : QStringLiteral("学習履歴の控え %1 を開けないので、そのままにしました。"))
                      .arg(Shown(name)));
    return Verdict::NotOurs;
  }
  const auto notOurs = [&](const QString& note) {
    ::close(*fd);
    *fd = -1;
    notes->append(note.arg(Shown(name)));
    return Verdict::NotOurs;
  };
  struct stat st {};
  if (::fstat(*fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1)
    return notOurs(QStringLiteral("学習履歴の控えの名前にほかのファイルがあるので、そのままにしました: %1"));
  QByteArray all(
      static_cast<qsizetype>(std::min<qint64>(st.st_size, kMaxBytes + kHeaderBytes + kFileHead.size())),
      Qt::Uninitialized);
  ReadAt(*fd, &all, 0);
  Parse(all, scan);
  if (!scan->ours)
    return notOurs(QStringLiteral("学習履歴の控えの名前にほかのファイルがあるので、そのままにしました: %1"));
  if (scan->later) {
    return notOurs(
        QStringLiteral("学習履歴の控えは新しい版の打鍵修練帖のものなので、そのままにしました: %1"));
  }
  // One copy at a time: the other keeps its batches in memory.
  if (::flock(*fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(*fd);
    *fd = -1;
    return Verdict::Busy;
  }
  return Verdict::Ours;
}

bool HistoryJournal::KeepDamaged(const Scan& scan, const QString& name) {
  // Added to what earlier starts kept there; never emptied by the program.
  const QString aside = DamagedPathFor(name);
  const int fd = ::open(QFile::encodeName(aside).constData(),
                        O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return false;
  struct stat st {};
  bool kept = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
  kept = kept && WriteAt(fd, scan.damaged, st.st_size) && ::fdatasync(fd) == 0;
  ::close(fd);
  return kept;
}

void HistoryJournal::MarkKept(int fd, Scan* scan) {
  // Each stretch becomes one to read past, so the next start neither keeps
  // nor tells it again. Its bytes stay until the journal is emptied.
  for (const auto& [offset, length] : scan->stretches) {
    if (length < kHeaderBytes) continue;  // no room for the mark: kept again next time
    QByteArray mark;
    PutU32(mark, kKeptMarker);
    PutU32(mark, static_cast<quint32>(length - kHeaderBytes));
    PutU32(mark, 0);
    if (!WriteAt(fd, mark, offset)) return;
    scan->end = std::max(scan->end, offset + length);
  }
  [[maybe_unused]] const int synced = ::fdatasync(fd);
}

bool HistoryJournal::Open() {
  if (m_fd >= 0) return true;
  QDir().mkpath(QFileInfo(m_asked).absolutePath());
  QStringList notes;
  QString chosen;
  QString firstFree;
  int fd = -1;
  Scan scan;
  for (int k = 0; k <= kOtherNames && chosen.isEmpty(); ++k) {
    const QString name = k == 0 ? m_asked : QStringLiteral("%1.%2").arg(m_asked).arg(k);
    int candidate = -1;
    Scan found;
    switch (Try(name, &candidate, &found, &notes)) {
      case Verdict::Busy:
        if (fd >= 0) ::close(fd);
        return false;
      case Verdict::Free:
        if (firstFree.isEmpty() && fd < 0) firstFree = name;
        break;
      case Verdict::NotOurs:
        break;
      case Verdict::Ours:
        if (!found.damaged.isEmpty() && !KeepDamaged(found, name)) {
          // Used as it is, its damaged bytes would be lost at the next emptying.
          notes.append(
              QStringLiteral(
                  "学習履歴の控えの壊れた部分を別のファイルに残せないので、控えをそのままにしました: %1")
                  .arg(Shown(name)));
          ::close(candidate);
          break;
        }
        if (!found.damaged.isEmpty()) {
          MarkKept(candidate, &found);
          notes.append(QStringLiteral("学習履歴の控えの壊れた部分を %1 に残しました。")
                           .arg(Shown(DamagedPathFor(name))));
        }
        // One that holds batches is taken at once; an empty one only when
        // no earlier name was free.
        if (!found.batches.isEmpty() || (fd < 0 && firstFree.isEmpty())) {
          if (fd >= 0) ::close(fd);
          fd = candidate;
          scan = std::move(found);
          m_path = name;
          if (!scan.batches.isEmpty()) chosen = name;
        } else {
          ::close(candidate);
        }
        break;
    }
  }
  if (fd < 0) {
    if (firstFree.isEmpty()) return false;
    fd = ::open(QFile::encodeName(firstFree).constData(),
                O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (fd >= 0) ::close(fd);
      return false;
    }
    scan = Scan{};
    m_path = firstFree;
  }
  if (m_path != m_asked) notes.append(QStringLiteral("学習履歴の控えは %1 に置きます。").arg(Shown(m_path)));
  m_note = notes.join(QLatin1Char('\n'));
  m_fd = fd;
  m_base = scan.base;
  m_size = scan.end;
  return true;
}

void HistoryJournal::Reserve() {
  if (m_fd < 0 || m_reserved) return;
  m_reserved = true;
  // Blocks past the end, not counted in the size: a full disk later still
  // takes this many bytes of appends. Never so much that the history
  // itself runs out; where the file system cannot, the journal works without.
  struct statvfs disk {};
  if (::fstatvfs(m_fd, &disk) != 0) return;
  const qint64 free = static_cast<qint64>(disk.f_bavail) * static_cast<qint64>(disk.f_frsize);
  const qint64 room = std::min(kReservedBytes, free / 4);
  if (room > 0) [[maybe_unused]]
    const int r = ::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, m_size, room);
}

QList<HistoryBatch> HistoryJournal::ReadAll() {
  if (m_fd < 0) return {};
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return {};
  QByteArray all(
      static_cast<qsizetype>(std::min<qint64>(st.st_size, kMaxBytes + kHeaderBytes + kFileHead.size())),
      Qt::Uninitialized);
  ReadAt(m_fd, &all, 0);
  Scan scan;
  Parse(all, &scan);
  // Later appends go after the whole batches, over a torn tail if any.
  m_size = std::max(scan.end, m_base);
  return scan.batches;
}

bool HistoryJournal::Append(const HistoryBatch& batch) {
  if (m_fd < 0) return false;
  const QByteArray payload = Encode(batch);
  QByteArray record;
  // A journal that is empty gets its marks with its first batch.
  const bool marked = m_size > 0 || m_base > 0;
  record.reserve(kFileHead.size() + kHeaderBytes + payload.size() + kEnd.size());
  if (!marked) record.append(kFileHead);
  PutU32(record, kMarker);
  PutU32(record, static_cast<quint32>(payload.size()));
  PutU32(record, Crc32(payload));
  record.append(payload);
  if (m_size + record.size() > kMaxBytes) return false;
  // The end mark after the record keeps older bytes further on from being read.
  if (!SyncedWrite(m_fd, record + kEnd, m_size)) {
    // Whatever part of it was written ends the journal where it was.
    [[maybe_unused]] const bool ended = WriteAt(m_fd, marked ? kEnd : kFileHead + kEnd, m_size);
    if (!marked) m_base = kFileHead.size(), m_size = m_base;
    return false;
  }
  if (!marked) m_base = kFileHead.size();
  m_size += record.size();
  return true;
}

bool HistoryJournal::Clear() {
  if (m_fd < 0) return false;
  if (m_size <= m_base) return true;
  // Overwritten, not cut: the file keeps its blocks for the next appends,
  // which a disk that has filled up meanwhile could not give again.
  if (!SyncedWrite(m_fd, kFileHead + kEnd, 0)) return false;
  m_base = kFileHead.size();
  m_size = m_base;
  return true;
}

QByteArray HistoryJournal::Encode(const HistoryBatch& batch) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  out << kFormat << batch.id << qint32(batch.items.size());
  for (const DrillItemRecord& r : batch.items)
    out << r.at << qint32(r.course) << r.item << qint32(r.characters) << qint32(r.keystrokes)
        << qint32(r.refused) << r.seconds;
  out << qint32(batch.runs.size());
  for (const TypingRunRecord& r : batch.runs)
    out << r.at << qint32(r.course) << r.textName << qint32(r.characters) << qint32(r.keystrokes)
        << qint32(r.refused) << r.seconds << qint32(r.charsPerMinute) << qint32(r.keysPerMinute) << r.accuracy
        << r.grade;
  out << qint32(batch.misses.size());
  for (const KeyMissRecord& r : batch.misses)
    out << r.at << qint32(r.course) << r.unit << r.typed << r.key << r.expected;
  out << qint32(batch.mouse.size());
  for (const MouseRecord& r : batch.mouse)
    out << r.at << qint32(static_cast<int>(r.game)) << qint32(r.stage) << qint32(r.misses) << qint32(r.moves)
        << r.seconds;
  return bytes;
}

HistoryJournal::Decoded HistoryJournal::Decode(const QByteArray& bytes, HistoryBatch* batch) {
  *batch = HistoryBatch{};
  const Decoded d = DecodeInto(bytes, batch);
  if (d != Decoded::Ok) *batch = HistoryBatch{};
  return d;
}

HistoryJournal::Decoded HistoryJournal::DecodeInto(const QByteArray& bytes, HistoryBatch* batch) {
  QDataStream in(bytes);
  in.setVersion(QDataStream::Qt_6_0);
  quint32 format = 0;
  in >> format;
  if (in.status() != QDataStream::Ok || format == 0) return Decoded::Damaged;
  if (format > kFormat) return Decoded::Later;
  if (format >= 2) {
    in >> batch->id;
  } else {
    // Written before batches had ids: its bytes stand for it.
    batch->id =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(32));
  }
  // Counts are checked against what is left, so a damaged one cannot ask for gigabytes.
  const auto count = [&](qint32* n) {
    in >> *n;
    return in.status() == QDataStream::Ok && *n >= 0 && *n <= bytes.size();
  };
  qint32 n = 0;
  if (!count(&n)) return Decoded::Damaged;
  for (qint32 i = 0; i < n; ++i) {
    DrillItemRecord r;
    qint32 course, characters, keystrokes, refused;
    in >> r.at >> course >> r.item >> characters >> keystrokes >> refused >> r.seconds;
    r.course = course, r.characters = characters, r.keystrokes = keystrokes, r.refused = refused;
    batch->items.append(r);
  }
  if (!count(&n)) return Decoded::Damaged;
  for (qint32 i = 0; i < n; ++i) {
    TypingRunRecord r;
    qint32 course, characters, keystrokes, refused, cpm, kpm;
    in >> r.at >> course >> r.textName >> characters >> keystrokes >> refused >> r.seconds >> cpm >> kpm >>
        r.accuracy >> r.grade;
    r.course = course, r.characters = characters, r.keystrokes = keystrokes, r.refused = refused;
    r.charsPerMinute = cpm, r.keysPerMinute = kpm;
    batch->runs.append(r);
  }
  if (!count(&n)) return Decoded::Damaged;
  for (qint32 i = 0; i < n; ++i) {
    KeyMissRecord r;
    qint32 course;
    in >> r.at >> course >> r.unit >> r.typed >> r.key >> r.expected;
    r.course = course;
    batch->misses.append(r);
  }
  if (!count(&n)) return Decoded::Damaged;
  for (qint32 i = 0; i < n; ++i) {
    MouseRecord r;
    qint32 game, stage, misses, moves;
    in >> r.at >> game >> stage >> misses >> moves >> r.seconds;
    r.game = static_cast<MouseGame>(game), r.stage = stage, r.misses = misses, r.moves = moves;
    batch->mouse.append(r);
  }
  return in.status() == QDataStream::Ok && in.atEnd() ? Decoded::Ok : Decoded::Damaged;
}

}  // namespace shurencho
