// The MIDI reader on arbitrary bytes, as any file the user picks as music
// reaches it: it answers -1 or a length, never faults, and a length is a
// real number of seconds.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/midi_file.h"

using namespace shurencho;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const double seconds = MidiFileSeconds(bytes);
  if (seconds != -1 && !(seconds >= 0 && std::isfinite(seconds))) std::abort();
  const QByteArray inner = MidiInsideRmi(bytes);
  if (inner.size() > bytes.size()) std::abort();
  return 0;
}
