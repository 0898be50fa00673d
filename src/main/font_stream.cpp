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

// Where the character map is: its entry in the table directory, its offset
// and its length. Nothing for a collection, or a file that does not read as
// a font.
struct TableAt {
  unsigned long entry = 0, start = 0, length = 0;
};

TableAt FindCharacterMap(int fd, unsigned long fileSize) {
  unsigned char head[12];
  if (PRead(fd, 0, head, 12) != 12) return {};
  const unsigned long version = Big(head, 4);
  if (version != 0x00010000 && version != 0x74727565 && version != 0x4F54544F) return {};
  const unsigned long tables = Big(head + 4, 2);
  std::vector<unsigned char> dir(tables * 16);
  if (PRead(fd, 12, dir.data(), dir.size()) != dir.size()) return {};
  for (unsigned long i = 0; i < tables; ++i) {
    if (std::memcmp(&dir[i * 16], "cmap", 4) != 0) continue;
    const TableAt at{12 + i * 16, Big(&dir[i * 16 + 8], 4), Big(&dir[i * 16 + 12], 4)};
    if (at.length < 8 || at.start > fileSize || at.length > fileSize - at.start) return {};
    return at;
  }
  return {};
}

// One subtable of the character map: its record and its size, and whether
// it stays.
struct Subtable {
  unsigned char record[8];
  unsigned long size = 0;
  bool kept = false;
};

// The subtables, the full Unicode one and the variation sequences marked to
// stay. None when there is no full one, or one of a kind that the toolkit
// might choose instead, or the table does not read as it should. The full
// one kept is the last, as the toolkit and FreeType both look from the end.
std::vector<Subtable> ReadSubtables(int fd, const TableAt& map) {
  unsigned char count[4];
  if (PRead(fd, map.start, count, 4) != 4) return {};
  std::vector<Subtable> subtables(Big(count + 2, 2));
  if (4 + subtables.size() * 8 > map.length) return {};
  Subtable* full = nullptr;
  for (size_t i = 0; i < subtables.size(); ++i) {
    Subtable& t = subtables[i];
    unsigned char sub[8];
    if (PRead(fd, map.start + 4 + i * 8, t.record, 8) != 8) return {};
    const unsigned long platform = Big(t.record, 2), encoding = Big(t.record + 2, 2),
                        offset = Big(t.record + 4, 4);
    if (offset > map.length - 8 || PRead(fd, map.start + offset, sub, 8) != 8) return {};
    const unsigned long format = Big(sub, 2);
    t.size = format == 4 ? Big(sub + 2, 2) : format == 12 ? Big(sub + 4, 4) : Big(sub + 2, 4);
    if (t.size > map.length - offset) return {};
    if (platform == 0 && encoding == 5 && format == 14) {
      t.kept = true;
    } else if (!IsUnicode(platform, encoding) || (format != 4 && format != 12)) {
      return {};
    } else if (format == 12) {
      full = &t;
    }
  }
  if (full == nullptr) return {};
  full->kept = true;
  return subtables;
}

// The character map with only the subtables that stay, as pieces over the
// file: a new header, the kept subtables one after another, and the
// table's new length in the directory. None when nothing would go.
std::vector<Piece> TrimmedCharacterMap(int fd, unsigned long fileSize) {
  const TableAt map = FindCharacterMap(fd, fileSize);
  if (map.entry == 0) return {};
  const std::vector<Subtable> subtables = ReadSubtables(fd, map);
  const auto kept = static_cast<unsigned long>(
      std::count_if(subtables.begin(), subtables.end(), [](const Subtable& t) { return t.kept; }));
  if (kept == subtables.size()) return {};
  Piece header{map.start, 4 + kept * 8, 0, std::vector<unsigned char>(4 + kept * 8)};
  PutBig(&header.bytes[2], kept, 2);
  std::vector<Piece> pieces;
  unsigned long at = header.size;
  unsigned char* record = &header.bytes[4];
  for (const Subtable& t : subtables) {
    if (!t.kept) continue;
    std::memcpy(record, t.record, 4);
    PutBig(record + 4, at, 4);
    record += 8;
    pieces.push_back({map.start + at, t.size, map.start + Big(t.record + 4, 4), {}});
    at += t.size;
  }
  if (at > map.length) return {};  // subtables shared between records: the table would not shrink
  pieces.push_back(std::move(header));
  Piece length{map.entry + 12, 4, 0, std::vector<unsigned char>(4)};
  PutBig(length.bytes.data(), at, 4);
  pieces.push_back(std::move(length));
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
