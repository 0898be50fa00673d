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
#include <fcntl.h>
#include <ft2build.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include FT_FREETYPE_H

namespace {

unsigned long ReadAt(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
  // A count of 0 is a seek: any offset within the file will do.
  if (count == 0) return offset > stream->size ? 1 : 0;
  const int fd = static_cast<int>(stream->descriptor.value);
  unsigned long done = 0;
  while (done < count) {
    const ssize_t n = pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
    if (n <= 0) break;  // the end of the file, or a read error: FreeType sees the short read
    done += static_cast<unsigned long>(n);
  }
  return done;
}

void CloseStream(FT_Stream stream) {
  close(static_cast<int>(stream->descriptor.value));
  std::free(stream);
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
  auto* stream = static_cast<FT_Stream>(std::calloc(1, sizeof(FT_StreamRec)));
  if (stream == nullptr) {
    close(fd);
    return FT_Err_Out_Of_Memory;
  }
  stream->size = static_cast<unsigned long>(info.st_size);
  stream->descriptor.value = fd;
  stream->read = ReadAt;
  stream->close = CloseStream;
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = stream;
  return FT_Open_Face(library, &args, index, face);
}
