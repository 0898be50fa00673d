#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "report/class_roster.h"
#include "report/class_table.h"
#include "report/records_csv.h"
#include "report/report_command.h"
#include "report/report_html.h"
#include "settings/settings.h"
#include "text/file_save.h"

using namespace shurencho;

namespace {

constexpr HistoryTime kDay = 86400000;
constexpr HistoryTime kStart = 1765000000000;

TypingRunRecord TypingRun(HistoryTime at, int course, int cpm, const QString& grade = QStringLiteral("○")) {
  return TypingRunRecord{at, course, {}, cpm, cpm + 10, 10, 60, cpm, cpm + 10, 0.9, grade};
}

QString WriteCsv(const QTemporaryDir& dir, const QString& name, const LearnerHistory& h) {
  const QString path = dir.filePath(name);
  EXPECT_TRUE(SaveWhole(path, WriteRecordsCsv(h), nullptr));
  return path;
}

QList<LearnerHistory> Parse(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  CsvProblem problem;
  const auto parsed = ParseRecordsCsv(file.readAll(), path, &problem);
  EXPECT_TRUE(parsed) << problem.Text().toStdString();
  return parsed.value_or(QList<LearnerHistory>{});
}

class ClassTableTest : public ::testing::Test {
 protected:
  ClassTableTest() {
    // Aoki handed in two files a week apart; the second repeats the first's last run.
    LearnerHistory early{QStringLiteral("青木"),
                         {TypingRun(kStart, 1, 30), TypingRun(kStart + kDay, 1, 42)},
                         {},
                         {},
                         {},
                         {},
                         0,
                         {}};
    early.weakest = {UnitWeakness{QStringLiteral("つ"), 9, {}}};
    early.mouse = {MouseRecord{kStart, MouseGame::Maze, 4, 1, 0, 20}};
    LearnerHistory later{QStringLiteral("青木"),
                         {TypingRun(kStart + kDay, 1, 42), TypingRun(kStart + 7 * kDay, 1, 38)},
                         {},
                         {},
                         {},
                         {},
                         0,
                         {}};
    later.runs.append(TypingRun(kStart + 8 * kDay, kFreeTypingCourse, 25));
    later.weakest = {UnitWeakness{QStringLiteral("しゃ"), 5, {}}};
    LearnerHistory other{QStringLiteral("伊藤"), {TypingRun(kStart, 3, 20)}, {}, {}, {}, {}, 0, {}};
    a = WriteCsv(dir, QStringLiteral("aoki1.csv"), early);
    b = WriteCsv(dir, QStringLiteral("aoki2.csv"), later);
    c = WriteCsv(dir, QStringLiteral("ito.csv"), other);
  }
  QTemporaryDir dir;
  QString a, b, c;
};

TEST_F(ClassTableTest, ThreeFilesMakeOneRowPerLearnerWithBestAndLatest) {
  const QList<ClassRow> rows = MergeClassTable({Parse(a), Parse(b), Parse(c)});
  ASSERT_EQ(rows.size(), 2);
  const ClassRow& aoki = rows[0].learner == QStringLiteral("青木") ? rows[0] : rows[1];
  const ClassRow& ito = rows[0].learner == QStringLiteral("青木") ? rows[1] : rows[0];
  EXPECT_EQ(aoki.runs, 4);  // the repeated run counts once
  EXPECT_EQ(aoki.courses[0].best, 42);
  EXPECT_EQ(aoki.courses[0].latest, 38);
  EXPECT_EQ(aoki.courses[5].course, kFreeTypingCourse);
  EXPECT_EQ(aoki.courses[5].latest, 25);
  EXPECT_EQ(aoki.courses[2].runs, 0);
  ASSERT_EQ(aoki.weakest.size(), 1);
  EXPECT_EQ(aoki.weakest[0].unit, QStringLiteral("しゃ"));  // from the newer file
  EXPECT_EQ(aoki.mouse[0].bestStage, 4);
  EXPECT_EQ(ito.courses[2].best, 20);
  EXPECT_EQ(ito.courses[2].latest, 20);

  QString error;
  const QString out = dir.filePath(QStringLiteral("class.html"));
  ASSERT_TRUE(WriteClassReport(out, {a, b, c}, &error)) << error.toStdString();
  QFile html(out);
  ASSERT_TRUE(html.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(html.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("<tr><td>伊藤</td>")));
  EXPECT_TRUE(text.contains(QStringLiteral("<td class=\"n\">42</td><td class=\"n\">38</td>")));
}

TEST_F(ClassTableTest, LearnersOfOneNameOnTwoMachinesAreTwoRows) {
  LearnerHistory one{QStringLiteral("佐藤"), {TypingRun(kStart, 1, 30)}, {}, {}, {}, {}, 0, {}};
  LearnerHistory two = one;
  one.machine = QStringLiteral("pc-01");
  two.machine = QStringLiteral("pc-02");
  two.runs = {TypingRun(kStart, 1, 50)};
  const QString x = WriteCsv(dir, QStringLiteral("x.csv"), one);
  const QString y = WriteCsv(dir, QStringLiteral("y.csv"), two);
  const QList<ClassRow> rows = MergeClassTable({Parse(x), Parse(y)});
  ASSERT_EQ(rows.size(), 2);
  EXPECT_EQ(rows[0].courses[0].best, 30);
  EXPECT_EQ(rows[1].courses[0].best, 50);
  const QString text = QString::fromUtf8(ClassTableHtml(rows, {x, y}, kStart));
  EXPECT_TRUE(text.contains(QStringLiteral("<tr><td>佐藤（pc-01）</td>")));
  EXPECT_TRUE(text.contains(QStringLiteral("<tr><td>佐藤（pc-02）</td>")));
}

TEST_F(ClassTableTest, KanaAndTestCoursesHaveColumnsOnlyWhenRunAndOnlyGradedRunsCount) {
  LearnerHistory ueda{
      QStringLiteral("上田"),
      {TypingRun(kStart, 1, 40), TypingRun(kStart + 1, 1, 360, UngradedMark()),
       TypingRun(kStart + 2, 1, 90, UnfinishedMark()), TypingRun(kStart + 3, 13, 35),
       TypingRun(kStart + 4, kSkillTestCourse, 50), TypingRun(kStart + 5, 14, 20, UnfinishedMark())},
      {},
      {},
      {},
      {},
      0,
      {}};
  const QString u = WriteCsv(dir, QStringLiteral("ueda.csv"), ueda);
  const QList<ClassRow> rows = MergeClassTable({Parse(u), Parse(c)});
  ASSERT_EQ(rows.size(), 2);
  // Course 14 was only left half done: nobody gets a column of blanks for it.
  const QList<int> courses = ClassCourses(rows);
  EXPECT_EQ(courses, QList<int>({1, 2, 3, 4, 5, kFreeTypingCourse, 13, kSkillTestCourse}));
  const ClassRow& upper = rows[0].learner == QStringLiteral("上田") ? rows[0] : rows[1];
  const ClassRow& ito = rows[0].learner == QStringLiteral("上田") ? rows[1] : rows[0];
  EXPECT_EQ(upper.courses[0].best, 40);
  EXPECT_EQ(upper.runs, 3);
  EXPECT_EQ(upper.courses[courses.indexOf(kSkillTestCourse)].best, 50);
  EXPECT_EQ(ito.courses.size(), courses.size());
  EXPECT_EQ(ito.courses[courses.indexOf(13)].runs, 0);

  QString error;
  const QString out = dir.filePath(QStringLiteral("class.html"));
  ASSERT_TRUE(WriteClassReport(out, {u, c}, &error)) << error.toStdString();
  QFile html(out);
  ASSERT_TRUE(html.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(html.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral("かな入力")));
  EXPECT_TRUE(text.contains(QStringLiteral("実力テスト")));
  EXPECT_FALSE(text.contains(QStringLiteral(">360<")));
  // A かな入力 run is graded as its course is, not as 実践.
  AppSettings settings;
  LoadSettings(settings, false, QString());
  EXPECT_EQ(CourseBands(settings, 13).lower, CourseBands(settings, 3).lower);
  // 実力テスト is coloured by the school targets, not by 実践's thresholds.
  EXPECT_EQ(CourseBands(settings, kSkillTestCourse).lower, 40);
  EXPECT_EQ(CourseBands(settings, kSkillTestCourse).upper, 60);
}

TEST_F(ClassTableTest, TheBestTestsGradeHasItsColumnAndEachKanaCourseItsOwn) {
  LearnerHistory ueda{QStringLiteral("上田"),
                      {TypingRun(kStart, 13, 30), TypingRun(kStart + 1, 15, 24),
                       TypingRun(kStart + 2, kSkillTestCourse, 52, QStringLiteral("3級")),
                       TypingRun(kStart + 3, kSkillTestCourse, 45, QStringLiteral("4級"))},
                      {},
                      {},
                      {},
                      {},
                      0,
                      {}};
  const QList<ClassRow> rows =
      MergeClassTable({Parse(WriteCsv(dir, QStringLiteral("ueda.csv"), ueda)), Parse(c)});
  ASSERT_EQ(rows.size(), 2);
  const ClassRow& upper = rows[0].learner == QStringLiteral("上田") ? rows[0] : rows[1];
  const ClassRow& ito = rows[0].learner == QStringLiteral("上田") ? rows[1] : rows[0];
  EXPECT_EQ(ClassGradeText(upper), QStringLiteral("3級"));
  EXPECT_EQ(ClassGradeText(ito), QStringLiteral("－"));
  const QList<int> courses = ClassCourses(rows);
  EXPECT_TRUE(courses.contains(13) && courses.contains(15));
  EXPECT_EQ(upper.courses[courses.indexOf(15)].best, 24);

  const QString text = QString::fromUtf8(ClassTableHtml(rows, {}, kStart));
  EXPECT_TRUE(text.contains(QStringLiteral("<th rowspan=\"2\">級</th>")));
  EXPECT_TRUE(text.contains(QStringLiteral("<td class=\"nw\">3級</td>")));
  EXPECT_EQ(text.count(QStringLiteral("かな入力")), 2);  // a heading for each kana course run
}

TEST_F(ClassTableTest, RefusesAForeignFileAndAnOutputThatIsAnInput) {
  const QString out = dir.filePath(QStringLiteral("class.html"));
  const QString foreign = dir.filePath(QStringLiteral("marks.csv"));
  ASSERT_TRUE(SaveWhole(foreign, "name,score\nA,1\n", nullptr));
  QString error;
  EXPECT_FALSE(WriteClassReport(out, {a, foreign}, &error));
  EXPECT_EQ(error, foreign + QStringLiteral(":1: 打鍵修練帖の成績ファイルではありません"));
  EXPECT_FALSE(QFile::exists(out));

  // The output named through a symlink to an input is refused; the input stays.
  const QString link = dir.filePath(QStringLiteral("link.html"));
  ASSERT_TRUE(QFile::link(b, link));
  QFile before(b);
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray bytes = before.readAll();
  EXPECT_FALSE(WriteClassReport(link, {a, b}, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("同じです")));
  QFile after(b);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), bytes);
}

TEST(ReportHtml, AHostileLearnerNameIsEscapedEverywhere) {
  const QString name = QStringLiteral("<script>alert('x')</script>&\"%1");
  LearnerHistory h{
      name, {TypingRun(kStart, 1, 30)}, {}, {UnitWeakness{QStringLiteral("<b>"), 3, {}}}, {}, {}, 0, {}};
  AppSettings settings;
  LoadSettings(settings, false, QString());
  ClassRow row;
  row.learner = name;
  row.courses = SummarizeSpeeds(h.runs);
  row.mouse = SummarizeMouse({});
  row.weakest = h.weakest;
  for (const QByteArray& html :
       {LearnerReportHtml(h, settings, kStart), ClassTableHtml({row}, {name}, kStart)}) {
    const QString text = QString::fromUtf8(html);
    EXPECT_FALSE(text.contains(QStringLiteral("<script")));
    EXPECT_FALSE(text.contains(QStringLiteral("<b>")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;&amp;&quot;%1")));
  }
}

}  // namespace

TEST(ClassRoster, ReadsTheColumnsByTheirTitlesAndRefusesEveryBadLine) {
  QStringList problems;
  const auto read = ParseClassRoster(
      QStringLiteral("氏名,ふりがな,出席番号\r\n\"山田, 太郎\",やまだ,１７\r\n\r\n佐藤,さとう,3\r\n")
          .toUtf8(),
      QStringLiteral("5-2.csv"), &problems);
  ASSERT_TRUE(read) << problems.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(*read, (QList<RosterEntry>{{17, QStringLiteral("山田, 太郎")}, {3, QStringLiteral("佐藤")}}));

  EXPECT_FALSE(ParseClassRoster(QStringLiteral("1,上田\n100,木村\n1,中野\n2,森,花\n").toUtf8(),
                                QStringLiteral("f.csv"), &problems));
  EXPECT_EQ(problems,
            (QStringList{QStringLiteral("f.csv:2: 出席番号「100」は 1 から 99 の数ではありません"),
                         QStringLiteral("f.csv:3: 出席番号 1 は 1 行目にもあります"),
                         QStringLiteral(
                             "f.csv:4: 列が多すぎます（氏名に「,」があるときは \"…\" で囲んでください）")}));
  EXPECT_EQ(ClassCodeOfRosterFile(QStringLiteral("/tmp/5-2.csv")), QStringLiteral("5-2"));
  EXPECT_EQ(ClassCodeOfRosterFile(QStringLiteral("5-.csv")), QString());
}
