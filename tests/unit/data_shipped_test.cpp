// Checks over the data files shipped in assets/: what a learner practises on
// must be typeable, solvable and reachable.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <deque>

#include "data/practice_data.h"
#include "support/shipped_data.h"
#include "text/comma_text.h"
#include "text/text_file.h"
#include "typing/practice_text.h"
#include "typing/text_detect.h"

namespace {

const PracticeData& Data() { return ShippedPracticeData(); }

QStringList Units(const QString& reading) {
  QStringList units;
  const int length = CharCount(reading);
  for (int p = 0; p < length;) {
    const KanaUnitStep step = NextKanaUnit(Data().kanaKeyList, reading, length, p);
    units.append(step.unit);
    p = step.position;
  }
  return units;
}

QStringList Line(const QString& unit) { return KanaUnitLine(Data().kanaRomaTable, Data().kanaKeyList, unit); }

// The romaji a learner types when following the hints.
QString HintRomaji(const QString& reading) {
  QString romaji;
  for (const QString& unit : Units(reading)) romaji += Line(unit).value(1);
  return romaji;
}

// Stand-ins for the drill's width conversions, enough to tell which entries
// F7 to F10 can make from the shipped readings.
struct Widths {
  QHash<QChar, QChar> toHalf, toFull;
  Widths() {
    const char* pairs[][2] = {
        {"20", "8140"}, {"21", "8149"}, {"22", "8168"}, {"23", "8194"}, {"24", "8190"}, {"25", "8193"},
        {"26", "8195"}, {"27", "8166"}, {"28", "8169"}, {"29", "816A"}, {"3D", "8181"}, {"60", "8165"},
        {"7C", "8162"}, {"2D", "817C"}, {"5E", "814F"}, {"5C", "818F"}, {"7E", "8150"}, {"7B", "816F"},
        {"40", "8197"}, {"5B", "816D"}, {"2B", "817B"}, {"2A", "8196"}, {"7D", "8170"}, {"3B", "8147"},
        {"3A", "8146"}, {"5D", "816E"}, {"3C", "8183"}, {"3E", "8184"}, {"3F", "8148"}, {"5F", "8151"},
        {"A4", "8141"}, {"A1", "8142"}, {"A5", "8145"}, {"2C", "8143"}, {"2E", "8144"}, {"2F", "815E"},
        {"B0", "815B"}, {"A2", "8175"}, {"A3", "8176"}};
    for (const auto& p : pairs) Pair(DecodeCp932(QByteArray::fromHex(p[0])), DecodeCp932(QByteArray::fromHex(p[1])));
    const QString full = QStringLiteral("ヲァィゥェォャュョッアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン");
    const QString half = QStringLiteral("ｦｧｨｩｪｫｬｭｮｯｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝ");
    for (int i = 0; i < full.size(); ++i) Pair(half.mid(i, 1), full.mid(i, 1));
    for (char16_t c = u'0'; c <= u'z'; ++c) {
      if (QChar(c).isLetterOrNumber()) Pair(QString(QChar(c)), QString(QChar(c + 0xFEE0)));
    }
  }
  void Pair(const QString& half, const QString& full) {
    toHalf.insert(full.at(0), half.at(0));
    toFull.insert(half.at(0), full.at(0));
  }
  QString ToHalfWidth(const QString& text) const {
    QString out;
    for (QChar c : text) {
      if (c >= QChar(u'ぁ') && c <= QChar(u'ゖ')) c = QChar(c.unicode() + 0x60);  // hiragana to katakana
      const QString parts = QString(c).normalized(QString::NormalizationForm_D);  // ガ: カ + voiced mark
      QChar base = parts.at(0);
      static const QHash<QChar, QChar> plain{{u'ヮ', u'ﾜ'}, {u'ヰ', u'ｲ'}, {u'ヱ', u'ｴ'}, {u'ヵ', u'ｶ'}, {u'ヶ', u'ｹ'}};
      out += plain.contains(base) ? plain.value(base) : toHalf.value(base, base);
      if (parts.size() > 1) out += parts.at(1) == QChar(0x3099) ? QChar(u'ﾞ') : QChar(u'ﾟ');
    }
    return out;
  }
  QString ToFullWidth(const QString& text) const {
    QString out;
    for (QChar c : text) {
      const bool voiced = c == QChar(u'ﾞ'), semi = c == QChar(u'ﾟ');
      if ((voiced || semi) && !out.isEmpty()) {
        const QString joined = (QString(out.back()) + QChar(voiced ? 0x3099 : 0x309A)).normalized(QString::NormalizationForm_C);
        if (joined.size() == 1 && out.back() != QChar(u'ウ')) {
          out.back() = joined.at(0);
          continue;
        }
        out += voiced ? QChar(u'゛') : QChar(u'゜');
        continue;
      }
      out += toFull.value(c, c);
    }
    return out;
  }
};

bool IsSmallKana(QChar c) { return QStringLiteral("ぁぃぅぇぉゃゅょゎァィゥェォャュョヮ").contains(c); }

// Every reading must cut into units that have a line and that are typed
// whole: in a word, a small kana or a small tsu left on its own would have to
// be typed as such (course 3 asks for them alone on purpose).
void ExpectTypeable(const QString& course, const QString& reading) {
  ASSERT_FALSE(reading.isEmpty()) << qPrintable(course);
  const QStringList units = Units(reading);
  for (const QString& unit : units) {
    const QStringList line = Line(unit);
    EXPECT_GE(line.size(), 2) << qPrintable(course + ": " + reading + " has no line for " + unit);
    EXPECT_FALSE(units.size() > 1 && (IsSmallKana(unit.at(0)) || unit == u"っ" || unit == u"ッ"))
        << qPrintable(course + ": " + reading + " leaves " + unit + " on its own");
    if (line.size() >= 2) {
      EXPECT_EQ(MatchRomaji(Data().kanaRomaTable, Data().kanaKeyList, unit, line.at(1)), 1);
    }
  }
}

bool IsLfOnlyOrNotCrLf(const QByteArray& bytes) {
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (bytes.at(i) == '\n' && (i == 0 || bytes.at(i - 1) != '\r')) return true;
    if (bytes.at(i) == '\r' && (i + 1 == bytes.size() || bytes.at(i + 1) != '\n')) return true;
  }
  return !bytes.endsWith("\r\n");
}

}  // namespace

TEST(DataShipped, FilesAreCp932WithCrLfLineEnds) {
  for (const char* name : {"roma01.dat", "tangoe.dat", "tango.dat", "tangoh.dat", "tmap01.dat"}) {
    QFile f(QDir(QStringLiteral(SHURENCHO_ASSETS_DIR)).filePath(QLatin1String(name)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(IsLfOnlyOrNotCrLf(bytes)) << name;
    bool ok = false;
    EXPECT_EQ(EncodeCp932(DecodeCp932(bytes), &ok), bytes) << name;
    EXPECT_TRUE(ok) << name;
  }
}

TEST(DataShipped, CourseSizes) {
  EXPECT_EQ(Data().kanaRomaTable.count, 371);
  EXPECT_EQ(Data().alphabetLetters.size(), 30);
  EXPECT_EQ(Data().kanaLetters.size(), 165);
  EXPECT_GE(Data().alphabetWords.size(), 200);
  EXPECT_GE(Data().kanaWords.size(), 300);
  EXPECT_GE(Data().conversionWords.size(), 150);
}

TEST(DataShipped, EveryKeyIsFoundAtItsOwnLine) {
  const KanaKeyList& keys = Data().kanaKeyList;
  for (int i = 0; i < keys.size(); ++i) EXPECT_EQ(keys.IndexOf(keys.keys().at(i)), i) << qPrintable(keys.keys().at(i));
}

// Typing a form letter by letter must be a good beginning at every letter and
// complete the unit only at its last: nothing before it may hide it.
TEST(DataShipped, NoFormIsOutOfReach) {
  const KanaRomaTable& table = Data().kanaRomaTable;
  for (int i = 0; i < table.count; ++i) {
    const QStringList fields = SplitCommaText(table.lines[static_cast<size_t>(i)]);
    for (qsizetype f = 1; f < fields.size(); ++f) {
      const QString& form = fields.at(f);
      EXPECT_EQ(form, form.toLower()) << "line " << i + 1;  // the drill's box types lower case only
      for (qsizetype n = 1; n < form.size(); ++n) {
        EXPECT_EQ(MatchRomaji(table, Data().kanaKeyList, fields.at(0), form.left(n)), 0)
            << "line " << i + 1 << ": " << qPrintable(form.left(n)) << " of " << qPrintable(form);
      }
      EXPECT_EQ(MatchRomaji(table, Data().kanaKeyList, fields.at(0), form), 1)
          << "line " << i + 1 << ": " << qPrintable(form);
    }
  }
}

TEST(DataShipped, EveryReadingCutsIntoTypeableUnits) {
  for (int k = 1; k <= 5; ++k) {
    for (const CourseItem& item : Data().Course(k)) {
      ExpectTypeable(QStringLiteral("course %1").arg(k), item.reading);
    }
  }
}

TEST(DataShipped, EveryConversionItemIsSolvable) {
  const Widths w;
  int katakana = 0, half = 0, full = 0, readingOnly = 0, typingOnly = 0, several = 0;
  for (const CourseItem& item : Data().conversionWords) {
    const QString& target = item.question;
    const QString& reading = item.reading;
    if (item.readingOnly || item.noConversion) {
      EXPECT_EQ(target, reading) << qPrintable(target);
      (item.readingOnly ? readingOnly : typingOnly)++;
      continue;
    }
    const QStringList& candidates = item.candidates;
    ASSERT_FALSE(candidates.isEmpty()) << qPrintable(target);
    several += candidates.size() > 1;
    const QString romaji = HintRomaji(reading);
    const QString f7 = w.ToFullWidth(w.ToHalfWidth(reading));
    const QString f8 = w.ToHalfWidth(reading);
    const QString f9 = w.ToFullWidth(romaji);
    if (candidates.contains(target) || target == reading || target == romaji) continue;
    // F7 makes full-width letters of a letter reading too: count those as F9's.
    if (target == f9) {
      ++full;
    } else if (target == f7) {
      ++katakana;
    } else if (target == f8) {
      ++half;
    } else {
      ADD_FAILURE() << "no key reaches " << qPrintable(target);
    }
  }
  // The course teaches every way to an entry, not only the space bar.
  EXPECT_GT(katakana, 0);
  EXPECT_GT(half, 0);
  EXPECT_GT(full, 0);
  EXPECT_GT(readingOnly, 0);
  EXPECT_GT(typingOnly, 0);
  EXPECT_GT(several, 0);
}

TEST(DataShipped, WidthStandInsFollowTheDrillsExamples) {
  const Widths w;
  EXPECT_EQ(w.ToFullWidth(w.ToHalfWidth(QStringLiteral("がっこう"))), QStringLiteral("ガッコウ"));
  EXPECT_EQ(w.ToHalfWidth(QStringLiteral("がっこう")), QStringLiteral("ｶﾞｯｺｳ"));
  EXPECT_EQ(w.ToFullWidth(QStringLiteral("gakkou")), QStringLiteral("ｇａｋｋｏｕ"));
  EXPECT_EQ(w.ToFullWidth(QStringLiteral("ｳﾞﾊﾟｰ")), QStringLiteral("ウ゛パー"));
}

TEST(DataShipped, EveryMazeHasOneStartAndAReachableGoal) {
  for (int m = 0; m < MazeMap::kMapCount; ++m) {
    const MazeMap::Grid& g = Data().mazeMap.maps[static_cast<size_t>(m)];
    int starts = 0, goals = 0, sr = 0, sc = 0;
    for (int r = 0; r < MazeMap::kRowCount; ++r) {
      for (int c = 0; c < MazeMap::kColumnCount; ++c) {
        const int code = g[static_cast<size_t>(r)][static_cast<size_t>(c)];
        if (r == 0 || c == 0 || r == MazeMap::kRowCount - 1 || c == MazeMap::kColumnCount - 1) {
          EXPECT_EQ(code, kMazeWall) << "map " << m << " border " << r << "," << c;
        }
        if (code == kMazeStart) ++starts, sr = r, sc = c;
        goals += code == kMazeGoal;
      }
    }
    EXPECT_EQ(starts, 1) << "map " << m;
    EXPECT_GE(goals, 1) << "map " << m;
    bool seen[MazeMap::kRowCount][MazeMap::kColumnCount] = {};
    std::deque<std::pair<int, int>> queue{{sr, sc}};
    seen[sr][sc] = true;
    bool reached = false;
    while (!queue.empty()) {
      const auto [r, c] = queue.front();
      queue.pop_front();
      reached |= g[static_cast<size_t>(r)][static_cast<size_t>(c)] == kMazeGoal;
      for (const auto& [dr, dc] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        const int nr = r + dr, nc = c + dc;
        if (nr < 0 || nc < 0 || nr >= MazeMap::kRowCount || nc >= MazeMap::kColumnCount || seen[nr][nc]) continue;
        if (g[static_cast<size_t>(nr)][static_cast<size_t>(nc)] == kMazeWall) continue;
        seen[nr][nc] = true;
        queue.push_back({nr, nc});
      }
    }
    EXPECT_TRUE(reached) << "map " << m;
  }
}

// The practice texts a first-time learner finds on 実践: every one loads as
// Japanese text typed with an input method (no half-width letters, nothing
// undecodable), both encodings are represented, and the RTF keeps its look.
TEST(DataShipped, PracticeTextsLoadAsTypeableJapanese) {
  const QDir texts(QStringLiteral(SHURENCHO_ASSETS_DIR "/texts"));
  const QFileInfoList files = texts.entryInfoList(QDir::Files, QDir::Name);
  ASSERT_GE(files.size(), 7);
  int utf8 = 0, cp932 = 0, rtf = 0;
  for (const QFileInfo& file : files) {
    SCOPED_TRACE(file.fileName().toStdString());
    const RichText text = LoadPracticeText(file.filePath());
    EXPECT_GE(CharCount(text.text), 10);
    EXPECT_FALSE(text.text.contains(QChar(0xFFFD)));
    EXPECT_FALSE(text.text.endsWith(QStringLiteral("\r\n")));  // no Enter needed after the last line
    for (const QChar c : QString(text.text).remove(QStringLiteral("\r\n"))) EXPECT_GE(c.unicode(), 0x3000);
    QFile raw(file.filePath());
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    if (file.suffix() == u"rtf") {
      ++rtf;
      EXPECT_TRUE(std::any_of(text.runs.begin(), text.runs.end(), [](const TextRun& r) { return r.bold; }));
    } else if (IsValidUtf8(bytes)) {
      ++utf8;
    } else {
      ++cp932;
    }
  }
  EXPECT_GE(utf8, 1);
  EXPECT_GE(cp932, 1);
  EXPECT_EQ(rtf, 1);
}
