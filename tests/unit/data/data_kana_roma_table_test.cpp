#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "data/kana_roma_table.h"
#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"

using namespace shurencho;

namespace {

// A table of n lines: line i (from 1) is "k<i>,r<i>" unless replaced.
QStringList NumberedLines(int n) {
  QStringList lines;
  for (int i = 1; i <= n; ++i) lines.append(QStringLiteral("k%1,r%1").arg(i));
  return lines;
}

QString Text(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"); }

KanaRomaTable Load(const QStringList& lines) {
  return LoadKanaRomaTableFromText(Text(lines), QStringLiteral("t.dat"));
}

// The line number a load fails at; -1 when it loads.
int FailingLine(const QStringList& lines) {
  try {
    Load(lines);
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.file(), QStringLiteral("t.dat"));
    return e.line();
  }
  return -1;
}

// A small table for the queries: enough lines to load, the keys of interest
// after line 205.
struct QueryTable {
  KanaRomaTable table;
  KanaKeyList keys;
  explicit QueryTable(const QStringList& units) {
    QStringList lines = NumberedLines(kKanaRomaTableMinLines);
    lines += units;
    table = Load(lines);
    keys = BuildKanaKeyList(table);
  }
  int Match(const QString& unit, const QString& typed) const { return MatchRomaji(table, keys, unit, typed); }
  QStringList Cut(const QString& reading) const {
    QStringList units;
    const int length = CharCount(reading);
    int p = 0;
    while (p < length) {
      const KanaUnitStep step = NextKanaUnit(keys, reading, length, p);
      units.append(step.unit);
      p = step.position;
    }
    return units;
  }
};

}  // namespace

TEST(DataKanaRomaTableLoad, HoldsAsManyLinesAsSlotsAsRead) {
  const int room = kKanaRomaTableSlots;
  QStringList lines = NumberedLines(room);
  lines[0] = QStringLiteral("  a , \"a\"");
  const KanaRomaTable table = Load(lines);
  EXPECT_EQ(table.count(), room);
  EXPECT_EQ(table.line(0), QStringLiteral("  a , \"a\""));  // no trimming, no splitting
  EXPECT_EQ(table.line(room - 1), QStringLiteral("k%1,r%1").arg(room));
  const KanaKeyList keys = BuildKanaKeyList(table);
  ASSERT_EQ(keys.size(), room);
  EXPECT_EQ(keys.key(0), QStringLiteral("a"));  // blanks before the key are not part of it
  EXPECT_EQ(keys.IndexOf(QStringLiteral("k%1").arg(room)), room - 1);

  // One more line has no slot; blank lines after the last do no harm, and a
  // table of the 371 lines older tables were limited to still reads.
  EXPECT_EQ(FailingLine(NumberedLines(room + 1)), room + 1);
  EXPECT_EQ(FailingLine(NumberedLines(room) + QStringList{QString(), QStringLiteral("  ")}), -1);
  EXPECT_EQ(Load(NumberedLines(371)).count(), 371);
}

TEST(DataKanaRomaTableLoad, RefusesWhatCannotMakeTheCoursesOrBeJudged) {
  EXPECT_EQ(FailingLine(NumberedLines(204)), 0);
  EXPECT_EQ(FailingLine(NumberedLines(205)), -1);

  QStringList gap = NumberedLines(300);
  gap[9] = QString();  // line 10: would shift every letter item after it
  EXPECT_EQ(FailingLine(gap), 10);

  QStringList noForm = NumberedLines(300);
  noForm[41] = QStringLiteral("あ");
  EXPECT_EQ(FailingLine(noForm), 42);
  noForm[41] = QStringLiteral("あ,,a");  // the hint would be empty
  EXPECT_EQ(FailingLine(noForm), 42);

  QStringList noKey = NumberedLines(300);
  noKey[259] = QStringLiteral(",a");
  EXPECT_EQ(FailingLine(noKey), 260);
}

TEST(DataKanaRomaTableLoad, SkipsBlankLinesAfterTheLetterRanges) {
  QStringList lines = NumberedLines(300);
  lines[249] = QStringLiteral(" ");
  const KanaRomaTable table = Load(lines);
  EXPECT_EQ(table.count(), 299);
  EXPECT_EQ(BuildKanaKeyList(table).IndexOf(QStringLiteral("k251")), 249);
}

TEST(DataKanaRomaTableLoad, ReadsCp932FilesAndNamesAMissingOne) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("roma.dat"));
  QStringList lines = NumberedLines(kKanaRomaTableMinLines);
  lines[40] = QStringLiteral("あ,a");
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(EncodeCp932(Text(lines)));
  f.close();
  const KanaRomaTable table = LoadKanaRomaTable(path);
  EXPECT_EQ(table.count(), 205);
  EXPECT_EQ(table.line(40), QStringLiteral("あ,a"));

  try {
    LoadKanaRomaTable(dir.filePath(QStringLiteral("none.dat")));
    FAIL() << "a missing table must stop the load";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.message(), QStringLiteral("ファイルが見つかりません"));
    EXPECT_TRUE(e.file().endsWith(QStringLiteral("none.dat")));
  }
}

TEST(DataKanaKeyList, IgnoresLetterCaseOnlyAndTheFirstKeyWins) {
  const KanaKeyList keys(QStringList{"a", "A", "あ", "ア", "Ｂ", "ka"});
  EXPECT_EQ(keys.IndexOf(QStringLiteral("A")), 0);  // the upper-case line is hidden
  EXPECT_EQ(keys.IndexOf(QStringLiteral("KA")), 5);
  EXPECT_EQ(keys.IndexOf(QStringLiteral("ア")), 3);  // kana not folded
  EXPECT_EQ(keys.IndexOf(QStringLiteral("B")), -1);  // width not folded
  EXPECT_EQ(keys.IndexOf(QStringLiteral("ｂ")), 4);  // full-width letters have case too
  EXPECT_EQ(keys.IndexOf(QStringLiteral("x")), -1);
  EXPECT_EQ(BuildKanaKeyList(KanaRomaTable{}).size(), 0);
}

TEST(DataLetterCourses, FixedRangesAndItemShape) {
  QStringList lines = NumberedLines(kKanaRomaTableSlots);
  lines[0] = QStringLiteral("a,a");
  lines[27] = QStringLiteral("\",\",\",\"");
  lines[40] = QStringLiteral("  あ,a");
  lines[204] = QStringLiteral("ヶ,xke");
  const KanaRomaTable table = Load(lines);

  const CourseItemList alphabet = BuildAlphabetLetterList(table);
  ASSERT_EQ(alphabet.size(), 30);
  EXPECT_EQ(alphabet.at(0), QStringLiteral("\"a\",\"a\",0,0,0,1,\"a\""));
  EXPECT_EQ(alphabet.at(27).question, QStringLiteral(","));
  EXPECT_EQ(alphabet.at(27).candidates, QStringList{QStringLiteral(",")});
  EXPECT_TRUE(alphabet.at(27).noConversion);
  EXPECT_FALSE(alphabet.at(27).hint);
  EXPECT_EQ(alphabet.at(29), QStringLiteral("\"k30\",\"k30\",0,0,0,1,\"k30\""));

  const CourseItemList kana = BuildKanaLetterList(table);
  ASSERT_EQ(kana.size(), 165);
  EXPECT_EQ(kana.at(0), QStringLiteral("\"あ\",\"あ\",1,0,0,1,\"あ\""));
  EXPECT_EQ(kana.at(164), QStringLiteral("\"ヶ\",\"ヶ\",1,0,0,1,\"ヶ\""));

  // Only the ranges count: a short table gives the same sizes.
  const KanaRomaTable shortTable = Load(NumberedLines(205));
  EXPECT_EQ(BuildAlphabetLetterList(shortTable).size(), 30);
  EXPECT_EQ(BuildKanaLetterList(shortTable).size(), 165);
}

TEST(DataNextKanaUnit, LongestKeyOfThreeThenTwoElseOneCharacter) {
  const QueryTable t({"きゃ,kya", "っきゅ,kkyu", "っか,kka", "ab,x"});
  EXPECT_EQ(t.Cut(QStringLiteral("きゃく")), (QStringList{"きゃ", "く"}));
  EXPECT_EQ(t.Cut(QStringLiteral("がっきゅう")), (QStringList{"が", "っきゅ", "う"}));
  EXPECT_EQ(t.Cut(QStringLiteral("けっか")), (QStringList{"け", "っか"}));  // two left: tries two
  EXPECT_EQ(t.Cut(QStringLiteral("AB")), (QStringList{"AB"}));              // keys found in either case
  EXPECT_EQ(t.Cut(QStringLiteral("ぬ")), (QStringList{"ぬ"}));              // one character is not looked up

  // A length beyond the text never takes a short piece for a longer one.
  const KanaUnitStep step = NextKanaUnit(t.keys, QStringLiteral("っ"), 3, 0);
  EXPECT_EQ(step.unit, QStringLiteral("っ"));
  EXPECT_EQ(step.position, 1);
}

TEST(DataMatchRomaji, FirstFormThatEqualsOrBeginsDecides) {
  const QueryTable t({"ん,nn,xn,n'", "ぬ,n,nn", "し,shi,si,ci", "か,ka,ca"});
  EXPECT_EQ(t.Match(QStringLiteral("ん"), QStringLiteral("n")), 0);  // begins nn: never completes alone
  EXPECT_EQ(t.Match(QStringLiteral("ん"), QStringLiteral("nn")), 1);
  EXPECT_EQ(t.Match(QStringLiteral("ん"), QStringLiteral("n'")), 1);
  EXPECT_EQ(t.Match(QStringLiteral("ぬ"), QStringLiteral("n")), 1);  // n first: the unit ends before nn
  EXPECT_EQ(t.Match(QStringLiteral("し"), QStringLiteral("si")), 1);
  EXPECT_EQ(t.Match(QStringLiteral("し"), QStringLiteral("s")), 0);
  EXPECT_EQ(t.Match(QStringLiteral("か"), QStringLiteral("KA")), 0);    // equal in another case only begins
  EXPECT_EQ(t.Match(QStringLiteral("か"), QStringLiteral("kaa")), -1);  // longer than every form
  EXPECT_EQ(t.Match(QStringLiteral("か"), QStringLiteral("x")), -1);
  EXPECT_EQ(t.Match(QStringLiteral("か"), QString()), -1);
  EXPECT_EQ(t.Match(QStringLiteral("ゐ"), QStringLiteral("wi")), -1);  // no line
  EXPECT_EQ(KanaUnitLine(t.table, t.keys, QStringLiteral("し")), (QStringList{"し", "shi", "si", "ci"}));
  EXPECT_TRUE(KanaUnitLine(t.table, t.keys, QStringLiteral("ゐ")).isEmpty());
}
