#include "history/history_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <algorithm>
#include <cerrno>

namespace shurencho {

namespace {

// Each batch: the marker, the payload's length and its CRC-32, then the payload.
constexpr quint32 kMarker = 0x4a524853;  // "SHRJ"
constexpr int kHeaderBytes = 12;
constexpr quint32 kFormat = 1;

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

bool WriteAt(int fd, const QByteArray& bytes, qint64 offset) {
  const char* p = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::pwrite(fd, p, static_cast<size_t>(left), offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
    offset += n;
  }
  return true;
}

// Where the whole batches end: reading stops here. Writing it needs no new
// room, so emptying the journal keeps the room it had.
const QByteArray kEnd(12, '\0');

}  // namespace

HistoryJournal::~HistoryJournal() { Close(); }

void HistoryJournal::Close() {
  if (m_fd < 0) return;
  // The reserved room goes back to the disk; only what waits stays.
  [[maybe_unused]] const int r = ::ftruncate(m_fd, m_size);
  [[maybe_unused]] const int h =
      ::fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, m_size, kMaxBytes + kReservedBytes);
  ::close(m_fd);
  m_fd = -1;
}

bool HistoryJournal::Open() {
  if (m_fd >= 0) return true;
  QDir().mkpath(QFileInfo(m_path).absolutePath());
  const QByteArray name = QFile::encodeName(m_path);
  // No link is followed and nothing but a regular file is used.
  const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  m_fd = fd;
  m_size = st.st_size;
  Reserve();
  return true;
}

void HistoryJournal::Reserve() {
  // Blocks past the end, not counted in the size: a full disk later still
  // takes this many bytes of appends. Where the file system cannot, the
  // journal works without.
  [[maybe_unused]] const int r = ::fallocate(m_fd, FALLOC_FL_KEEP_SIZE, 0, kReservedBytes);
}

QList<HistoryBatch> HistoryJournal::ReadAll() {
  QList<HistoryBatch> batches;
  if (m_fd < 0) return batches;
  QByteArray all(static_cast<qsizetype>(std::min(m_size, kMaxBytes + kHeaderBytes)), Qt::Uninitialized);
  qsizetype read = 0;
  while (read < all.size()) {
    const ssize_t n = ::pread(m_fd, all.data() + read, static_cast<size_t>(all.size() - read), read);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    read += n;
  }
  qsizetype at = 0;
  while (read - at >= kHeaderBytes) {
    const char* p = all.constData() + at;
    const quint32 length = GetU32(p + 4);
    if (GetU32(p) != kMarker || length > static_cast<quint32>(read - at - kHeaderBytes)) break;
    const QByteArray payload = all.mid(at + kHeaderBytes, length);
    HistoryBatch batch;
    if (Crc32(payload) != GetU32(p + 8) || !Decode(payload, &batch)) break;
    batches.append(std::move(batch));
    at += kHeaderBytes + length;
  }
  // Later appends go after the whole batches, over a torn tail if any.
  m_size = at;
  return batches;
}

bool HistoryJournal::Append(const HistoryBatch& batch) {
  if (m_fd < 0) return false;
  const QByteArray payload = Encode(batch);
  QByteArray record;
  record.reserve(kHeaderBytes + payload.size());
  PutU32(record, kMarker);
  PutU32(record, static_cast<quint32>(payload.size()));
  PutU32(record, Crc32(payload));
  record.append(payload);
  if (m_size + record.size() > kMaxBytes) return false;
  // The end mark after the record keeps older bytes further on from being read.
  if (!WriteAt(m_fd, record + kEnd, m_size) || ::fdatasync(m_fd) != 0) {
    // Whatever part of it was written ends the journal where it was.
    [[maybe_unused]] const bool ended = WriteAt(m_fd, kEnd, m_size);
    return false;
  }
  m_size += record.size();
  return true;
}

bool HistoryJournal::Clear() {
  if (m_fd < 0) return false;
  if (m_size == 0) return true;
  // Overwritten, not cut: the file keeps its blocks for the next appends,
  // which a disk that has filled up meanwhile could not give again.
  if (!WriteAt(m_fd, kEnd, 0) || ::fdatasync(m_fd) != 0) return false;
  m_size = 0;
  return true;
}

QByteArray HistoryJournal::Encode(const HistoryBatch& batch) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  out << kFormat << qint32(batch.items.size());
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

bool HistoryJournal::Decode(const QByteArray& bytes, HistoryBatch* batch) {
  QDataStream in(bytes);
  in.setVersion(QDataStream::Qt_6_0);
  quint32 format = 0;
  in >> format;
  if (format != kFormat) return false;
  // Counts are checked against what is left, so a damaged one cannot ask for gigabytes.
  const auto count = [&](qint32* n) {
    in >> *n;
    return in.status() == QDataStream::Ok && *n >= 0 && *n <= bytes.size();
  };
  qint32 n = 0;
  if (!count(&n)) return false;
  for (qint32 i = 0; i < n; ++i) {
    DrillItemRecord r;
    qint32 course, characters, keystrokes, refused;
    in >> r.at >> course >> r.item >> characters >> keystrokes >> refused >> r.seconds;
    r.course = course, r.characters = characters, r.keystrokes = keystrokes, r.refused = refused;
    batch->items.append(r);
  }
  if (!count(&n)) return false;
  for (qint32 i = 0; i < n; ++i) {
    TypingRunRecord r;
    qint32 course, characters, keystrokes, refused, cpm, kpm;
    in >> r.at >> course >> r.textName >> characters >> keystrokes >> refused >> r.seconds >> cpm >> kpm >>
        r.accuracy >> r.grade;
    r.course = course, r.characters = characters, r.keystrokes = keystrokes, r.refused = refused;
    r.charsPerMinute = cpm, r.keysPerMinute = kpm;
    batch->runs.append(r);
  }
  if (!count(&n)) return false;
  for (qint32 i = 0; i < n; ++i) {
    KeyMissRecord r;
    qint32 course;
    in >> r.at >> course >> r.unit >> r.typed >> r.key >> r.expected;
    r.course = course;
    batch->misses.append(r);
  }
  if (!count(&n)) return false;
  for (qint32 i = 0; i < n; ++i) {
    MouseRecord r;
    qint32 game, stage, misses, moves;
    in >> r.at >> game >> stage >> misses >> moves >> r.seconds;
    r.game = static_cast<MouseGame>(game), r.stage = stage, r.misses = misses, r.moves = moves;
    batch->mouse.append(r);
  }
  return in.status() == QDataStream::Ok && in.atEnd();
}

}  // namespace shurencho
