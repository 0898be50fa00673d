#include "platform/midi_file.h"

#include <algorithm>
#include <map>

namespace shurencho {

namespace {

// Reads the bytes of a standard MIDI file with bounds checks throughout.
class SmfReader {
 public:
  explicit SmfReader(const QByteArray& bytes) : m_bytes(bytes) {}
  bool Has(qsizetype n) const { return n >= 0 && m_pos + n <= m_bytes.size(); }
  qsizetype pos() const { return m_pos; }
  void Seek(qsizetype pos) { m_pos = pos; }
  bool Skip(qsizetype n) {
    if (!Has(n)) return false;
    m_pos += n;
    return true;
  }
  bool Byte(quint32* v) {
    if (!Has(1)) return false;
    *v = static_cast<quint8>(m_bytes[m_pos++]);
    return true;
  }
  bool Big(int n, quint32* v) {
    if (!Has(n)) return false;
    quint32 r = 0;
    for (int i = 0; i < n; ++i) r = (r << 8) | static_cast<quint8>(m_bytes[m_pos++]);
    *v = r;
    return true;
  }
  bool Little(int n, quint32* v) {
    if (!Has(n)) return false;
    quint32 r = 0;
    for (int i = 0; i < n; ++i) r |= static_cast<quint32>(static_cast<quint8>(m_bytes[m_pos++])) << (8 * i);
    *v = r;
    return true;
  }
  // A variable-length quantity: at most four bytes.
  bool VarLen(quint32* v) {
    quint32 r = 0;
    for (int i = 0; i < 4; ++i) {
      quint32 b = 0;
      if (!Byte(&b)) return false;
      r = (r << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) {
        *v = r;
        return true;
      }
    }
    return false;
  }
  bool Tag(const char* tag) {
    if (!Has(4) || m_bytes.mid(m_pos, 4) != QByteArray(tag, 4)) return false;
    m_pos += 4;
    return true;
  }

 private:
  const QByteArray& m_bytes;
  qsizetype m_pos = 0;
};

// Walks one track: its end tick (the end-of-track event, or its last event)
// and its tempo changes. False when the track is malformed.
bool ReadTrack(SmfReader& r, qsizetype end, quint64* endTick, std::multimap<quint64, quint32>* tempos) {
  quint64 tick = 0;
  quint32 status = 0;
  while (r.pos() < end) {
    quint32 delta = 0;
    if (!r.VarLen(&delta)) return false;
    tick += delta;
    quint32 b = 0;
    if (!r.Byte(&b)) return false;
    if (b == 0xFF) {
      quint32 type = 0, len = 0;
      if (!r.Byte(&type) || !r.VarLen(&len) || !r.Has(len)) return false;
      if (type == 0x51 && len == 3) {
        quint32 micros = 0;
        r.Big(3, &micros);
        tempos->emplace(tick, micros);
      } else {
        r.Skip(len);
      }
      if (type == 0x2F) break;
      continue;
    }
    if (b == 0xF0 || b == 0xF7) {
      quint32 len = 0;
      if (!r.VarLen(&len) || !r.Skip(len)) return false;
      continue;
    }
    quint32 first = b;
    if (b & 0x80) {
      status = b;
      if (!r.Byte(&first)) return false;
    } else if (status == 0) {
      return false;  // running status without a status byte before it
    }
    const quint32 kind = status & 0xF0;
    if (kind != 0xC0 && kind != 0xD0 && !r.Skip(1)) return false;
    if (first & 0x80) return false;
  }
  *endTick = tick;
  return true;
}

}  // namespace

QByteArray MidiInsideRmi(const QByteArray& bytes) {
  if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "RMID") return {};
  SmfReader r(bytes);
  r.Seek(12);
  while (r.Has(8)) {
    const bool data = r.Tag("data");
    if (!data) r.Skip(4);
    quint32 len = 0;
    r.Little(4, &len);
    if (!r.Has(len)) return {};
    if (data) return bytes.mid(r.pos(), len);
    r.Skip(len + (len & 1));
  }
  return {};
}

double MidiFileSeconds(const QByteArray& file) {
  const QByteArray inner = MidiInsideRmi(file);
  const QByteArray& smf = inner.isEmpty() ? file : inner;
  SmfReader r(smf);
  quint32 headerLen = 0, format = 0, tracks = 0, division = 0;
  if (!r.Tag("MThd") || !r.Big(4, &headerLen) || headerLen < 6) return -1;
  const qsizetype headerEnd = r.pos() + headerLen;
  if (!r.Big(2, &format) || !r.Big(2, &tracks) || !r.Big(2, &division) || format > 2 || tracks == 0 ||
      division == 0 || !r.Has(headerEnd - r.pos())) {
    return -1;
  }
  r.Seek(headerEnd);

  quint64 lastTick = 0;
  std::multimap<quint64, quint32> tempos;
  quint32 found = 0;
  while (found < tracks && r.Has(8)) {
    const bool isTrack = r.Tag("MTrk");
    if (!isTrack) r.Skip(4);  // an unknown chunk is skipped whole
    quint32 len = 0;
    r.Big(4, &len);
    if (!r.Has(len)) return -1;
    const qsizetype end = r.pos() + len;
    if (isTrack) {
      quint64 endTick = 0;
      if (!ReadTrack(r, end, &endTick, &tempos)) return -1;
      lastTick = std::max(lastTick, endTick);
      ++found;
    }
    r.Seek(end);
  }
  if (found == 0) return -1;

  if (division & 0x8000) {
    // Time code: frames a second (as a negative byte) times ticks a frame.
    const int fps = -static_cast<qint8>(division >> 8);
    const int perFrame = static_cast<int>(division & 0xFF);
    if (fps <= 0 || perFrame == 0) return -1;
    return static_cast<double>(lastTick) / (fps * perFrame);
  }
  double seconds = 0;
  quint64 at = 0;
  quint32 micros = 500000;  // 120 beats a minute until told otherwise
  for (const auto& [tick, tempo] : tempos) {
    if (tick >= lastTick) break;
    seconds += static_cast<double>(tick - at) * micros / (1e6 * division);
    at = tick;
    micros = tempo;
  }
  seconds += static_cast<double>(lastTick - at) * micros / (1e6 * division);
  return seconds;
}

}  // namespace shurencho
