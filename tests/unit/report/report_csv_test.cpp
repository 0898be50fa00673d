#include <gtest/gtest.h>

#include "report/records_csv.h"
#include "report/records_summary.h"
#include "report/report_html.h"
#include "settings/settings.h"

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
      TypingRunRecord{1765000900000, 0, QStringLiteral("作文, 1"), 300, 320, 20, 600, 30, 32, 0.9375, {}},
      // Typed through the input method: no key counted, so no 打鍵／分 or 正確さ.
      TypingRunRecord{1765000950000, 0, QStringLiteral("日記"), 60, 0, 0, 120, 30, 0, 1.0, {}}};
  h.mouse = {MouseRecord{1765001000000, MouseGame::Click, 3, 2, 0, 41.25},
             MouseRecord{1765002000000, MouseGame::Puzzle, 0, 0, 57, 90}};
  h.weakest = {UnitWeakness{QStringLiteral("しゃ"), 7, {{QStringLiteral("a"), 4}, {QStringLiteral(" "), 3}}}};
  h.machine = QStringLiteral("pc-03");
  return h;
}

TEST(ReportCsv, RoundTripKeepsEveryFieldAndTheLearnerInEveryRow) {
  AppSettings settings;
  LoadSettings(settings, false, QString());
  settings.CourseName02 = QStringLiteral("単語　れんしゅう");
  const QByteArray csv = WriteRecordsCsv(Sample(), &settings);
  ASSERT_TRUE(
      csv.startsWith("\xEF\xBB\xBF"
                     "shurencho-records,2,"));
  // Courses by the settings' names, 正確さ as a percentage, the space bar by name.
  EXPECT_TRUE(csv.contains(",単語　れんしゅう,,120,130,10,95.5,75,81,92.3%,○,,,,,,pc-03,2\r\n"));
  EXPECT_TRUE(csv.contains(",実践,"));
  EXPECT_TRUE(csv.contains(",60,0,0,120,30,―,―,"));
  EXPECT_EQ(CourseLabel(14, &settings), KanaInputCourseName(settings.CourseName04.trimmed()));
  EXPECT_EQ(KanaInputCourseName(QStringLiteral("ローマ字仮名　変換練習")),
            QStringLiteral("かな入力　変換練習"));
  EXPECT_TRUE(csv.contains("a×4、空白×3"));
  // Rows are CRLF-terminated; the name's line break stays inside its quotes,
  // and its formula sign is defused with an apostrophe.
  EXPECT_TRUE(csv.contains("\"'=村上, \"\"太郎\"\"\n2組 %1\""));
  EXPECT_EQ(csv.count("'=村上"), 6);

  CsvProblem problem;
  const auto parsed = ParseRecordsCsv(csv, QStringLiteral("a.csv"), &problem);
  ASSERT_TRUE(parsed) << problem.Text().toStdString();
  ASSERT_EQ(parsed->size(), 1);
  const LearnerHistory& h = parsed->first();
  const LearnerHistory want = Sample();
  EXPECT_EQ(h.learner, kHostileName);
  EXPECT_EQ(h.machine, QStringLiteral("pc-03"));
  ASSERT_EQ(h.runs.size(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(h.runs[i].at, want.runs[i].at);
    EXPECT_EQ(h.runs[i].course, want.runs[i].course);
    EXPECT_EQ(h.runs[i].textName, want.runs[i].textName);
    EXPECT_EQ(h.runs[i].refused, want.runs[i].refused);
    EXPECT_EQ(h.runs[i].seconds, want.runs[i].seconds);
    EXPECT_EQ(h.runs[i].charsPerMinute, want.runs[i].charsPerMinute);
    EXPECT_NEAR(h.runs[i].accuracy, want.runs[i].accuracy, 0.0005);
    // A run from before the marks were kept comes back named 計測なし.
    EXPECT_EQ(h.runs[i].grade, want.runs[i].grade.isEmpty() ? UngradedMark() : want.runs[i].grade);
  }
  ASSERT_EQ(h.mouse.size(), 2);
  EXPECT_EQ(h.mouse[0].game, MouseGame::Click);
  EXPECT_EQ(h.mouse[0].seconds, 41.25);
  EXPECT_EQ(h.mouse[1].moves, 57);
  ASSERT_EQ(h.weakest.size(), 1);
  EXPECT_EQ(h.weakest[0].unit, QStringLiteral("しゃ"));
  EXPECT_EQ(h.weakest[0].wrongKeys[1].first, QStringLiteral("空白"));
  // The printable page names the key too.
  EXPECT_TRUE(QString::fromUtf8(LearnerReportHtml(want, settings, 0)).contains(QStringLiteral("空白 (3)")));
}

TEST(ReportCsv, AChosenYearMakesAThirdVersionFileThatReadsBackAndGivesTheClassTableItsColumn) {
  LearnerHistory withYear = Sample();
  withYear.schoolYear = QStringLiteral("小3");
  const QByteArray csv = WriteRecordsCsv(withYear);
  ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBFshurencho-records,3,"));
  EXPECT_TRUE(csv.contains(",コース番号,学年\r\n"));
  CsvProblem problem;
  const auto parsed = ParseRecordsCsv(csv, QStringLiteral("a.csv"), &problem);
  ASSERT_TRUE(parsed) << problem.Text().toStdString();
  ASSERT_EQ(parsed->size(), 1);
  EXPECT_EQ(parsed->first().schoolYear, QStringLiteral("小3"));
  EXPECT_EQ(parsed->first().runs.size(), 3);

  // The same records handed in again without the year: the year stands.
  const auto older = ParseRecordsCsv(WriteRecordsCsv(Sample()), QStringLiteral("b.csv"), &problem);
  ASSERT_TRUE(older);
  EXPECT_TRUE(older->first().schoolYear.isEmpty());
  const QList<ClassRow> rows = MergeClassTable({*parsed, *older});
  ASSERT_EQ(rows.size(), 1);
  EXPECT_EQ(rows[0].schoolYear, QStringLiteral("小3"));
  EXPECT_TRUE(QString::fromUtf8(ClassTableHtml(rows, {}, 0)).contains(QStringLiteral(">学年</th>")));
  EXPECT_FALSE(
      QString::fromUtf8(ClassTableHtml(MergeClassTable({*older}), {}, 0)).contains(QStringLiteral("学年")));
}

// Files written before the machine and the course number were columns.
TEST(ReportCsv, AFirstVersionFileStillReads) {
  const QByteArray csv =
      "\xEF\xBB\xBFshurencho-records,1,x\r\n"
      "種類,学習者,日時,コース,テキスト,文字数,打鍵数,ミス,秒,字／分,打鍵／分,正確さ,評価,ゲーム,ステージ,"
      "手数,かな,"
      "間違えたキー\r\n"
      "打鍵,青木,2026-12-01T10:00:00.000+09:00,3,,60,70,10,90,40,46,0.8571428571428571,,,,,,\r\n"
      "苦手,青木,,,,,,4,,,,,,,,,つ,\" ×3、a×1\"\r\n";
  CsvProblem problem;
  const auto parsed = ParseRecordsCsv(csv, QStringLiteral("old.csv"), &problem);
  ASSERT_TRUE(parsed) << problem.Text().toStdString();
  ASSERT_EQ(parsed->size(), 1);
  const LearnerHistory& h = parsed->first();
  EXPECT_TRUE(h.machine.isEmpty());
  ASSERT_EQ(h.runs.size(), 1);
  EXPECT_EQ(h.runs[0].course, 3);
  EXPECT_DOUBLE_EQ(h.runs[0].accuracy, 0.8571428571428571);
  ASSERT_EQ(h.weakest.size(), 1);
  EXPECT_EQ(KeyName(h.weakest[0].wrongKeys[0].first), QStringLiteral("空白"));
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
