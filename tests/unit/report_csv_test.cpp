#include <gtest/gtest.h>

#include "report/records_csv.h"

using namespace shurencho;

namespace {

// A name a spreadsheet or a careless writer could trip over: comma, quote,
// line break, a leading formula sign and an argument marker.
const QString kHostileName = QStringLiteral("=村上, \"太郎\"\n2組 %1");

LearnerHistory Sample() {
  LearnerHistory h;
  h.learner = kHostileName;
  h.runs = {
      TypingRunRecord{1765000000123, 2, {}, 120, 130, 10, 95.5, 75, 81, 0.923, QStringLiteral("○")},
      TypingRunRecord{1765000900000, 0, QStringLiteral("作文, 1"), 300, 320, 20, 600, 30, 32, 0.9375, {}}};
  h.mouse = {MouseRecord{1765001000000, MouseGame::Click, 3, 2, 0, 41.25},
             MouseRecord{1765002000000, MouseGame::Puzzle, 0, 0, 57, 90}};
  h.weakest = {UnitWeakness{QStringLiteral("しゃ"), 7, {{QStringLiteral("a"), 4}, {QStringLiteral("-"), 3}}}};
  return h;
}

TEST(ReportCsv, RoundTripKeepsEveryFieldAndTheLearnerInEveryRow) {
  const QByteArray csv = WriteRecordsCsv(Sample());
  ASSERT_TRUE(
      csv.startsWith("\xEF\xBB\xBF"
                     "shurencho-records,1,"));
  // Rows are CRLF-terminated; the name's line break stays inside its quotes,
  // and its formula sign is defused with an apostrophe.
  EXPECT_TRUE(csv.contains("\"'=村上, \"\"太郎\"\"\n2組 %1\""));
  EXPECT_EQ(csv.count("'=村上"), 5);

  CsvProblem problem;
  const auto parsed = ParseRecordsCsv(csv, QStringLiteral("a.csv"), &problem);
  ASSERT_TRUE(parsed) << problem.Text().toStdString();
  ASSERT_EQ(parsed->size(), 1);
  const LearnerHistory& h = parsed->first();
  const LearnerHistory want = Sample();
  EXPECT_EQ(h.learner, kHostileName);
  ASSERT_EQ(h.runs.size(), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(h.runs[i].at, want.runs[i].at);
    EXPECT_EQ(h.runs[i].course, want.runs[i].course);
    EXPECT_EQ(h.runs[i].textName, want.runs[i].textName);
    EXPECT_EQ(h.runs[i].refused, want.runs[i].refused);
    EXPECT_EQ(h.runs[i].seconds, want.runs[i].seconds);
    EXPECT_EQ(h.runs[i].charsPerMinute, want.runs[i].charsPerMinute);
    EXPECT_EQ(h.runs[i].accuracy, want.runs[i].accuracy);
    EXPECT_EQ(h.runs[i].grade, want.runs[i].grade);
  }
  ASSERT_EQ(h.mouse.size(), 2);
  EXPECT_EQ(h.mouse[0].game, MouseGame::Click);
  EXPECT_EQ(h.mouse[0].seconds, 41.25);
  EXPECT_EQ(h.mouse[1].moves, 57);
  ASSERT_EQ(h.weakest.size(), 1);
  EXPECT_EQ(h.weakest[0].unit, QStringLiteral("しゃ"));
  EXPECT_EQ(h.weakest[0].wrongKeys, want.weakest[0].wrongKeys);
}

TEST(ReportCsv, RefusesAForeignFileAndABadRowNamingTheLine) {
  CsvProblem problem;
  EXPECT_FALSE(ParseRecordsCsv("\xEF\xBB\xBFname,score\r\nA,1\r\n", QStringLiteral("list.csv"), &problem));
  EXPECT_EQ(problem.Text(), QStringLiteral("list.csv:1: 打鍵修練帖の成績ファイルではありません"));

  // Lines 3 and 4 hold one run (the name has a line break); the bad row is line 5.
  LearnerHistory one = Sample();
  one.runs.resize(1);
  one.mouse.clear();
  one.weakest.clear();
  const QByteArray csv = WriteRecordsCsv(one) + "打鍵,x,y\r\n";
  ASSERT_FALSE(ParseRecordsCsv(csv, QStringLiteral("b.csv"), &problem));
  EXPECT_EQ(problem.line, 5);
  EXPECT_TRUE(problem.message.contains(QStringLiteral("列の数")));
}

}  // namespace
