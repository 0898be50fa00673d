// The program's FT_New_Face reads fonts through a stream: the faces must be
// the ones FreeType makes from the whole file, and no file may stay open.
#include <dirent.h>
#include <ft2build.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include FT_FREETYPE_H

namespace {

const char* const kFont = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf";

int OpenFiles() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}

std::vector<FT_Vector> Outline(FT_Face face, FT_ULong ch) {
  if (FT_Set_Pixel_Sizes(face, 0, 24) != 0 || FT_Load_Char(face, ch, FT_LOAD_NO_BITMAP) != 0) return {};
  const FT_Outline& o = face->glyph->outline;
  return {o.points, o.points + o.n_points};
}

class FontStream : public testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(FT_Init_FreeType(&library), 0); }
  void TearDown() override { FT_Done_FreeType(library); }
  FT_Library library = nullptr;
};

TEST_F(FontStream, GivesTheFacesOfTheWholeFileAndClosesIt) {
  std::ifstream in(kFont, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_FALSE(bytes.empty()) << kFont;
  FT_Face whole = nullptr;
  ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                               static_cast<FT_Long>(bytes.size()), 0, &whole),
            0);
  const int before = OpenFiles();
  FT_Face streamed = nullptr;
  ASSERT_EQ(FT_New_Face(library, kFont, 0, &streamed), 0);
  EXPECT_EQ(streamed->num_glyphs, whole->num_glyphs);
  for (FT_ULong ch : {FT_ULong(u'あ'), FT_ULong(u'漢'), FT_ULong(u'Ｗ'), FT_ULong('g')}) {
    const std::vector<FT_Vector> a = Outline(whole, ch), b = Outline(streamed, ch);
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(a[i].x == b[i].x && a[i].y == b[i].y) << ch;
  }
  // The stream shows one character map, the one FreeType chose in the whole
  // file, so every character finds the same glyph, beyond the first plane too.
  EXPECT_EQ(streamed->num_charmaps, 1);
  for (FT_ULong ch = 0; ch < 0x30000; ++ch) {
    if (FT_Get_Char_Index(streamed, ch) != FT_Get_Char_Index(whole, ch)) {
      ADD_FAILURE() << std::hex << ch;
      break;
    }
  }
  FT_Done_Face(streamed);
  FT_Done_Face(whole);
  EXPECT_EQ(OpenFiles(), before);
}

TEST_F(FontStream, ReportsWhatIsNoFontAndKeepsNoFileOpen) {
  const int before = OpenFiles();
  FT_Face face = nullptr;
  EXPECT_EQ(FT_New_Face(library, "/nonexistent/font.ttf", 0, &face), FT_Err_Cannot_Open_Resource);
  EXPECT_NE(FT_New_Face(library, "/etc/os-release", 0, &face), 0);
  EXPECT_NE(FT_New_Face(library, "/dev/null", 0, &face), 0);
  EXPECT_NE(FT_New_Face(library, kFont, 99, &face), 0);  // no such face in the file
  EXPECT_EQ(FT_New_Face(library, nullptr, 0, &face), FT_Err_Invalid_Argument);
  EXPECT_EQ(OpenFiles(), before);
}

}  // namespace
