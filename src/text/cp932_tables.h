#pragma once
// CP932 as constant data, made at build time from the toolkit's converter
// (tools/cp932): the program reads and writes its Shift_JIS files without
// starting the converter.

#include <cstdint>

namespace shurencho::cp932 {

// Double-byte pairs: lead bytes 0x81-0x9F and 0xE0-0xFC, trail bytes
// 0x40-0xFC; a pair with no character holds U+FFFD.
constexpr int kLeadCount = (0x9F - 0x81 + 1) + (0xFC - 0xE0 + 1);
constexpr int kTrailCount = 0xFC - 0x40 + 1;
extern const char16_t kPairs[kLeadCount * kTrailCount];

// Each encodable character of the basic plane with its code (one byte, or
// lead << 8 | trail, or kDropped for a character written as nothing),
// ordered by character.
constexpr std::uint16_t kDropped = 0xFFFF;
struct Encoding {
  char16_t unicode;
  std::uint16_t code;
};
extern const Encoding kEncodings[];
extern const int kEncodingCount;

// Characters with no code that are dropped rather than stood in for.
extern const char16_t kIgnored[];
extern const int kIgnoredCount;

// What stands for any other character with no code.
extern const char kSubstitute[];
extern const int kSubstituteSize;

}  // namespace shurencho::cp932
