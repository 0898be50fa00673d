// Font files are read, not mapped.
//
// FreeType opens a font by mapping the whole file. The kernel then maps
// 64 KB of the file around every byte first read, so the few dozen glyphs
// of the first window keep 1.7–2 MB of each Japanese font (6–8 MB files)
// resident in the program. The toolkit opens every font through
// FT_New_Face; the program's own definition below takes its place and gives
// FreeType the file as a stream read with pread: FreeType keeps the tables
// it asks for (the character map, the glyph locations, the metrics) and
// reads each glyph's outline once, when the toolkit first draws it.
//
// FreeType keeps the whole character map table, every subtable in it, but
// looks characters up in one: the full Unicode one where the font has it.
// The IPA fonts carry that one (124 KB) and two older copies of its first
// plane (56 KB each), so the stream shows FreeType a table holding only
// the subtables it would use.
#include <fcntl.h>
#include <ft2build.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include FT_FREETYPE_H

namespace {

unsigned long PRead(int fd, unsigned long offset, unsigned char* buffer, unsigned long count) {
  unsigned long done = 0;
  while (done < count) {
    const ssize_t n = pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
    if (n <= 0) break;  // the end of the file, or a read error: FreeType sees the short read
    done += static_cast<unsigned long>(n);
  }
  return done;
}

unsigned long Big(const unsigned char* p, int bytes) {
  unsigned long v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | p[i];
  return v;
}

void PutBig(unsigned char* p, unsigned long v, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<unsigned char>(v);
}

// A stretch of the file shown in place of another: `size` bytes at `at` are
// read from `from`, or taken from `bytes` where it is not empty.
struct Piece {
  unsigned long at = 0, size = 0, from = 0;
  std::vector<unsigned char> bytes;
};

struct FontStream : FT_StreamRec {
  std::vector<Piece> pieces;
};

bool IsUnicode(unsigned long platform, unsigned long encoding) {
  return (platform == 0 && encoding != 5) || (platform == 3 && (encoding == 1 || encoding == 10));
}

// The character map with only the full Unicode subtable (and the variation
// sequences, where there are any), as pieces over the file. None when the
// font has no such subtable, or one of another kind that the toolkit might
// choose instead, or the table does not read as it should.
std::vector<Piece> TrimmedCharacterMap(int fd, unsigned long fileSize) {
  unsigned char head[12];
  if (PRead(fd, 0, head, 12) != 12) return {};
  const unsigned long version = Big(head, 4);
  if (version != 0x00010000 && version != 0x74727565 && version != 0x4F54544F) return {};  // no collections
  const unsigned long tables = Big(head + 4, 2);
  std::vector<unsigned char> dir(tables * 16);
  if (PRead(fd, 12, dir.data(), dir.size()) != dir.size()) return {};
  unsigned long entry = 0, start = 0, length = 0;
  for (unsigned long i = 0; i < tables; ++i) {
    if (std::memcmp(&dir[i * 16], "cmap", 4) != 0) continue;
    entry = 12 + i * 16;
    start = Big(&dir[i * 16 + 8], 4);
    length = Big(&dir[i * 16 + 12], 4);
  }
  if (entry == 0 || length < 4 || start > fileSize || length > fileSize - start) return {};
  unsigned char count[4];
  if (PRead(fd, start, count, 4) != 4) return {};
  const unsigned long records = Big(count + 2, 2);
  std::vector<unsigned char> record(records * 8);
  if (4 + record.size() > length || PRead(fd, start + 4, record.data(), record.size()) != record.size())
    return {};
  // Each subtable's format and size; the full one kept is the last, as the
  // toolkit and FreeType both look from the end.
  std::vector<unsigned long> size(records);
  long full = -1, variations = 0;
  for (unsigned long i = 0; i < records; ++i) {
    const unsigned char* r = &record[i * 8];
    const unsigned long platform = Big(r, 2), encoding = Big(r + 2, 2), offset = Big(r + 4, 4);
    unsigned char sub[8];
    if (length < 8 || offset > length - 8 || PRead(fd, start + offset, sub, 8) != 8) return {};
    const unsigned long format = Big(sub, 2);
    size[i] = format == 4 ? Big(sub + 2, 2) : format == 12 ? Big(sub + 4, 4) : Big(sub + 2, 4);
    if (size[i] > length - offset) return {};
    if (platform == 0 && encoding == 5 && format == 14) {
      ++variations;
    } else if (!IsUnicode(platform, encoding) || (format != 4 && format != 12)) {
      return {};
    } else if (format == 12) {
      full = static_cast<long>(i);
    }
  }
  const unsigned long kept = static_cast<unsigned long>(variations) + 1;
  if (full < 0 || kept == records) return {};
  Piece header{start, 4 + kept * 8, 0, std::vector<unsigned char>(4 + kept * 8)};
  PutBig(&header.bytes[2], kept, 2);
  std::vector<Piece> pieces;
  unsigned long at = header.size;
  for (unsigned long i = 0, n = 0; i < records; ++i) {
    const unsigned char* r = &record[i * 8];
    const bool variation = Big(r, 2) == 0 && Big(r + 2, 2) == 5;
    if (static_cast<long>(i) != full && !variation) continue;
    unsigned char* to = &header.bytes[4 + n++ * 8];
    std::memcpy(to, r, 4);
    PutBig(to + 4, at, 4);
    pieces.push_back({start + at, size[i], start + Big(r + 4, 4), {}});
    at += size[i];
  }
  if (at > length) return {};  // subtables shared between records: the table would not shrink
  pieces.push_back(std::move(header));
  Piece entryLength{entry + 12, 4, 0, std::vector<unsigned char>(4)};
  PutBig(entryLength.bytes.data(), at, 4);
  pieces.push_back(std::move(entryLength));
  return pieces;
}

unsigned long ReadAt(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
  // A count of 0 is a seek: any offset within the file will do.
  if (count == 0) return offset > stream->size ? 1 : 0;
  const int fd = static_cast<int>(stream->descriptor.value);
  const unsigned long done = PRead(fd, offset, buffer, count);
  for (const Piece& p : static_cast<FontStream*>(stream)->pieces) {
    const unsigned long from = std::max(offset, p.at), to = std::min(offset + done, p.at + p.size);
    if (from >= to) continue;
    if (!p.bytes.empty()) {
      std::memcpy(buffer + (from - offset), &p.bytes[from - p.at], to - from);
    } else if (PRead(fd, p.from + (from - p.at), buffer + (from - offset), to - from) != to - from) {
      return from - offset;
    }
  }
  return done;
}

void CloseStream(FT_Stream stream) {
  close(static_cast<int>(stream->descriptor.value));
  delete static_cast<FontStream*>(stream);
}

}  // namespace

extern "C" FT_Error FT_New_Face(FT_Library library, const char* path, FT_Long index, FT_Face* face) {
  // FreeType owns the stream from FT_Open_Face on and closes it on failure,
  // but it answers these two before taking it.
  if (library == nullptr) return FT_Err_Invalid_Library_Handle;
  if (path == nullptr || (face == nullptr && index >= 0)) return FT_Err_Invalid_Argument;
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FT_Err_Cannot_Open_Resource;
  struct stat info {};
  if (fstat(fd, &info) != 0 || info.st_size <= 0) {
    close(fd);
    return FT_Err_Cannot_Open_Stream;
  }
  auto* stream = new (std::nothrow) FontStream{};
  if (stream == nullptr) {
    close(fd);
    return FT_Err_Out_Of_Memory;
  }
  stream->size = static_cast<unsigned long>(info.st_size);
  stream->descriptor.value = fd;
  stream->read = ReadAt;
  stream->close = CloseStream;
  stream->pieces = TrimmedCharacterMap(fd, stream->size);
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = stream;
  return FT_Open_Face(library, &args, index, face);
}
