// Checks over the data files shipped in assets/: what a learner practises on
// must be typeable, solvable and reachable.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <deque>

#include "data/practice_data.h"
#include "data/word_list.h"
#include "support/shipped_data.h"
#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"
#include "text/width_convert.h"
#include "typing/practice_text.h"
#include "typing/text_detect.h"

using namespace shurencho;

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
  EXPECT_EQ(Data().kanaRomaTable.count(), 412);
  EXPECT_EQ(Data().alphabetLetters.size(), 30);
  EXPECT_EQ(Data().kanaLetters.size(), 165);
  EXPECT_GE(Data().alphabetWords.size(), 200);
  EXPECT_GE(Data().kanaWords.size(), 300);
  EXPECT_GE(Data().conversionWords.size(), 150);
}

TEST(DataShipped, AWordListIsCheckedAtStartUpAndItsItemsMadeWhenFirstDealt) {
  // Made later, the items are those a load makes at once.
  const QString tango = QDir(QStringLiteral(SHURENCHO_ASSETS_DIR)).filePath(QStringLiteral("tango.dat"));
  EXPECT_EQ(Data().kanaWords.items(),
            LoadWordListFromText(ReadTextFile(tango), tango, QString::fromLatin1(kKanaWordFlags)));
  // A fault in one is told as the data loads, with its line.
  QTemporaryDir dir;
  AppSettings settings = SettingsForShippedData();
  settings.RomaTangoH = dir.filePath(QStringLiteral("tangoh.dat"));
  QFile bad(settings.RomaTangoH);
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(EncodeCp932(QStringLiteral("記者,きしゃ,1,1,0,0\r\n/\r\n")));
  bad.close();
  try {
    LoadPracticeData(settings, QString(), ShippedKeyboardFiles());
    ADD_FAILURE() << "loaded";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.line(), 1);
  }
}

TEST(DataShipped, EveryKeyIsFoundAtItsOwnLine) {
  const KanaKeyList& keys = Data().kanaKeyList;
  for (int i = 0; i < keys.size(); ++i)
    EXPECT_EQ(keys.IndexOf(keys.key(i)), i) << qPrintable(keys.key(i).toString());
}

// Typing a form letter by letter must be a good beginning at every letter and
// complete the unit only at its last: nothing before it may hide it.
TEST(DataShipped, NoFormIsOutOfReach) {
  const KanaRomaTable& table = Data().kanaRomaTable;
  for (int i = 0; i < table.count(); ++i) {
    const QStringList fields = SplitCommaText(table.line(i));
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
  const PracticeData& d = Data();
  for (const CourseItemList* list :
       {&d.alphabetLetters.items(), &d.alphabetWords.items(), &d.kanaLetters.items(), &d.kanaWords.items(),
        &d.conversionWords.items()}) {
    for (const CourseItem& item : *list) ExpectTypeable(item.question, item.reading);
  }
}

TEST(DataShipped, EveryConversionItemIsSolvable) {
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
    const QString f7 = ToFullWidth(ToHalfWidth(reading));
    const QString f8 = ToHalfWidth(reading);
    const QString f9 = ToFullWidth(romaji);
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
        if (nr < 0 || nc < 0 || nr >= MazeMap::kRowCount || nc >= MazeMap::kColumnCount || seen[nr][nc])
          continue;
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
    const QString body = QString(text.text).remove(QStringLiteral("\r\n"));
    for (const QChar c : body) EXPECT_GE(c.unicode(), 0x3000);
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

// Every character a romaji course asks for, and every kana of かな入力, has
// its key on the JIS layout; every letter has one on US, which has no kana.
TEST(ShippedKeyboards, EveryRomajiAndKanaKeyIsOnJisAndEveryLetterOnUs) {
  const KeyboardLayout& jis = Data().keyboards.jis;
  const KeyboardLayout& us = Data().keyboards.us;
  for (int i = 0; i < Data().kanaRomaTable.count(); ++i) {
    const QStringList fields = SplitCommaText(Data().kanaRomaTable.line(i));
    // Field 0 is the kana (or, for the first lines, the letter itself).
    for (const QString& field : i < kKanaLetterFirst ? fields : fields.mid(1)) {
      for (const QChar c : field)
        EXPECT_GE(jis.StrokeOf(c).key, 0) << "line " << i + 1 << ": " << int(c.unicode());
    }
  }
  for (int k = 1; k <= kJisKeyCount; ++k) {
    const auto place = static_cast<JisKey>(k);
    ASSERT_GE(jis.KeyAt(place), 0) << k;
    const int code = jis.keys()[size_t(jis.KeyAt(place))].keycode;
    EXPECT_EQ(jis.JisKeyAtKeycode(quint32(code)), place) << k;
    for (const bool shift : {false, true}) {
      const KeyStroke stroke = jis.StrokeOf(KanaOfKey(place, shift));
      EXPECT_EQ(stroke.key, jis.KeyAt(place)) << k;
    }
  }
  for (char16_t c = u'a'; c <= u'z'; ++c) {
    const KeyStroke lower = us.StrokeOf(QChar(c));
    const KeyStroke upper = us.StrokeOf(QChar(c - 0x20));
    ASSERT_GE(lower.key, 0);
    EXPECT_EQ(upper.key, lower.key);
    EXPECT_TRUE(upper.shift);
    EXPECT_EQ(us.keys()[size_t(lower.key)].top, QString(QChar(c - 0x20)));
  }
  EXPECT_EQ(us.StrokeOf(u'か').key, -1);
  // Where the two differ: " is Shift+2 on JIS, Shift+' on US.
  EXPECT_EQ(jis.keys()[size_t(jis.StrokeOf(u'"').key)].top, QStringLiteral("2"));
  EXPECT_EQ(us.keys()[size_t(us.StrokeOf(u'"').key)].top, QStringLiteral("'"));
  // The Japanese fonts draw a backslash as a yen sign: no key top shows one.
  for (const KeyboardLayout* layout : {&jis, &us}) {
    for (const KeyCap& key : layout->keys()) EXPECT_FALSE(key.top.contains(u'\\')) << qPrintable(key.top);
  }
}

TEST(KeyboardLayoutFile, AKeyItCannotReadIsNamedByLineAndTheMapDecidesTheDefault) {
  const QString head = QStringLiteral("# x y w h finger bump keycode kana plain shifted legend\n");
  try {
    ParseKeyboardLayout(
        head + QStringLiteral("0 0 1 1 LP 0 50 - shift none Shift\n0 0 1 1 XX 0 10 - 1 ! 1\n"),
        KeyboardKind::Jis, QStringLiteral("kb.txt"));
    ADD_FAILURE() << "read an unknown finger";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.file(), QStringLiteral("kb.txt"));
    EXPECT_EQ(e.line(), 3);
  }
  // Without BS or a Shift on each side the guide could not show them.
  EXPECT_THROW(ParseKeyboardLayout(head, KeyboardKind::Us, QStringLiteral("kb.txt")), DataFileError);
  EXPECT_EQ(ChosenKeyboard(QString(), QStringLiteral("us,jp")), KeyboardKind::Us);
  EXPECT_EQ(ChosenKeyboard(QString(), QStringLiteral("jp,us")), KeyboardKind::Jis);
  EXPECT_EQ(ChosenKeyboard(QString(), QString()), KeyboardKind::Jis);  // Wayland: no map to ask
  EXPECT_EQ(ChosenKeyboard(QStringLiteral("jis"), QStringLiteral("us")), KeyboardKind::Jis);
  EXPECT_EQ(ChosenKeyboard(QStringLiteral("dvorak"), QStringLiteral("us")), KeyboardKind::Us);
}
