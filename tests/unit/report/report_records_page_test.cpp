#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "report/class_table.h"
#include "report/records_csv.h"
#include "report/records_page.h"
#include "report/report_html.h"
#include "settings/settings.h"
#include "support/memory_history_store.h"

using namespace shurencho;

namespace {

constexpr HistoryTime kDay = 86400000;
constexpr HistoryTime kStart = 1765000000000;

TypingRunRecord Typed(HistoryTime at, int course, int perMinute, const QString& grade = QStringLiteral("○")) {
  return TypingRunRecord{at, course, {}, 60, 70, 10, 90, perMinute, 46, 0.86, grade};
}

AppSettings Defaults() {
  AppSettings settings;
  LoadSettings(settings, false, QString());
  return settings;
}

}  // namespace

TEST(RecordsPage, TheCoursePractisedLastComesFirstAndItsSummaryTellsTheRunsNotCounted) {
  MemoryHistoryStore store(QStringLiteral("山田"));
  HistoryBatch batch;
  batch.runs = {Typed(kStart, 1, 40), Typed(kStart + kDay, 3, 50),
                Typed(kStart + 2 * kDay, 3, 90, UnfinishedMark()),
                Typed(kStart + 3 * kDay, 3, 300, UngradedMark()), Typed(kStart + 4 * kDay, 1, 45)};
  ASSERT_TRUE(store.Write(batch));
  const AppSettings settings = Defaults();
  const RecordsPage page = RecordsPage::Read(store, settings);

  // Course 1 was practised last; the runs of course 3 left or not graded are newer but count for nothing.
  const int first = page.FirstCourse();
  EXPECT_EQ(page.model().courses[first].speeds.course, 1);
  const int three = 2;
  ASSERT_EQ(page.model().courses[three].speeds.course, 3);
  EXPECT_TRUE(page.CourseChoiceText(three).endsWith(QStringLiteral("（1 回、ほかに 2 回）")));
  EXPECT_TRUE(page.CourseSummaryText(three).startsWith(QStringLiteral("最高 50 字／分・最新 50 字／分")));
  EXPECT_TRUE(page.CourseSummaryText(three).endsWith(
      QStringLiteral("\n（ほかに 途中 1回・計測なし 1回。最高・平均には入りません）")));
  EXPECT_EQ(page.CourseSummaryText(3), QStringLiteral("まだ計測した記録がありません"));
}

TEST(RecordsPage, RenamingGoesThroughTheRenamerAndTheFilesCarryTheNewNameMadeSafe) {
  LearnerHistory history;
  history.learner = QStringLiteral("山田");
  history.runs = {Typed(kStart, kSkillTestCourse, 40)};
  QStringList asked;
  QString refusal;
  const AppSettings settings = Defaults();
  RecordsPage page(
      history, QString(),
      [&](const QString& name, QObject*, std::function<void(bool, const QString&)> done) {
        asked << name;
        done(refusal.isEmpty(), refusal);
      },
      nullptr, settings);
  QString warning = QStringLiteral("not called");
  const auto told = [&](const QString& w) { warning = w; };

  EXPECT_EQ(page.AskRename(QStringLiteral("  "), nullptr, told), RecordsPage::Rename::Empty);
  EXPECT_EQ(page.AskRename(QStringLiteral(" 山田 "), nullptr, told), RecordsPage::Rename::Unchanged);
  EXPECT_TRUE(asked.isEmpty());
  refusal = QStringLiteral("満杯");
  EXPECT_EQ(page.AskRename(QStringLiteral("花子"), nullptr, told), RecordsPage::Rename::Asked);
  EXPECT_EQ(warning, QStringLiteral("名前を変えられませんでした。\n満杯"));
  EXPECT_EQ(page.learner(), QStringLiteral("山田"));
  refusal.clear();
  page.AskRename(QStringLiteral(" a/b\\c\x01 "), nullptr, told);
  EXPECT_EQ(warning, QString());
  EXPECT_EQ(asked.last(), QStringLiteral("a/b\\c\x01"));
  EXPECT_EQ(page.CsvFileName(), QStringLiteral("成績_a_b_c_.csv"));

  EXPECT_EQ(RecordsPage::HtmlPathOf(QStringLiteral("/tmp/x.CSV")), QStringLiteral("/tmp/x.html"));
  EXPECT_EQ(RecordsPage::HtmlPathOf(QStringLiteral("/tmp/x")), QStringLiteral("/tmp/x.html"));
  // The certificate saved after a rename names the learner as now, not as the window opened.
  QTemporaryDir dir;
  QString error;
  ASSERT_TRUE(page.SaveCertificate(dir.filePath(QStringLiteral("c.html")), &error)) << error.toStdString();
  ASSERT_TRUE(page.ExportTo(dir.filePath(QStringLiteral("r.csv")), kStart, &error)) << error.toStdString();
  for (const char* name : {"c.html", "r.csv", "r.html"}) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("a/b")) && !text.contains(QStringLiteral("山田"))) << name;
  }
  // 64 four-byte characters: the file name is cut to what a file system takes, by whole characters.
  page.AskRename(QString(64, QChar(0xD840)).replace(QString(QChar(0xD840)), QStringLiteral("𠀋")), nullptr,
                 told);
  EXPECT_LE(QFile::encodeName(page.CsvFileName()).size(), 250);
  EXPECT_TRUE(page.CsvFileName().endsWith(QStringLiteral("𠀋.csv")));
}

TEST(RecordsPage, TheMouseChartSpansTheStagedGamesOnlyAsBothDrawingsShowIt) {
  LearnerHistory history;
  history.mouse = {MouseRecord{kStart - 5 * kDay, MouseGame::Puzzle, 0, 0, 30, 60},
                   MouseRecord{kStart, MouseGame::Maze, 3, 1, 0, 30},
                   MouseRecord{kStart + kDay, MouseGame::Click, 7, 0, 0, 30}};
  const RecordsModel model = ComputeRecords(history, Defaults());
  const MouseChart& chart = model.mouseChart;
  // A puzzle has no stages: its day is on neither time axis.
  EXPECT_EQ(chart.first, QDateTime::fromMSecsSinceEpoch(kStart).date());
  EXPECT_EQ(chart.first.daysTo(chart.last), 1);
  EXPECT_EQ(chart.lines.size(), 3);  // maze, click and drag, with or without stages
  EXPECT_GE(chart.stageAxis.max, 7);
  EXPECT_EQ(model.mouse.size(), 4);  // the table keeps the puzzle
}

TEST(RecordsPage, ATestsAccuracyIsOneFigureOnEveryPageAndNoneWhereNoKeyWasCounted) {
  // The test checks characters, not keys; 実践 typed through the input method counted no key.
  const TypingRunRecord test{kStart,    kSkillTestCourse,     {}, 55, 0, 0, 180, 18, 0,
                             55.0 / 60, QStringLiteral("8級")};
  const TypingRunRecord ime{kStart + kDay, kFreeTypingCourse,  {}, 40, 0, 0, 90, 26, 0,
                            1.0,           QStringLiteral("○")};
  LearnerHistory history;
  history.learner = QStringLiteral("山田");
  history.runs = {test, ime};
  const AppSettings settings = Defaults();
  const RecordsPage page(history, QString(), nullptr, nullptr, settings);
  const QList<CourseChart>& courses = page.model().courses;
  const auto index = [&](int course) {
    for (int i = 0; i < courses.size(); ++i)
      if (courses[i].speeds.course == course) return i;
    return -1;
  };
  const int t = index(kSkillTestCourse), p = index(kFreeTypingCourse);
  ASSERT_GE(t, 0);

  EXPECT_TRUE(page.CourseSummaryText(t).contains(QStringLiteral("正確さ 91.7%")));
  EXPECT_NEAR(*courses[t].speeds.days[0].accuracy, 55.0 / 60, 1e-9);  // the chart's point
  EXPECT_FALSE(courses[t].speeds.days[0].keysPerMinute);              // no 打鍵／分 point
  EXPECT_TRUE(WriteRecordsCsv(history, &settings).contains(",91.7%,"));
  const QString printed = QString::fromUtf8(LearnerReportHtml(history, settings, kStart));
  EXPECT_TRUE(printed.contains(QStringLiteral("正確さ 91.7%")));
  EXPECT_TRUE(printed.contains(QStringLiteral("打鍵／分 ―")));
  const QString table =
      QString::fromUtf8(ClassTableHtml(MergeClassTable(QList<QList<LearnerHistory>>{{history}}), {}, kStart));
  EXPECT_TRUE(table.contains(QStringLiteral("<td class=\"n\">91.7%</td>")));

  EXPECT_TRUE(page.CourseSummaryText(p).contains(QStringLiteral("正確さ ―")));
  EXPECT_FALSE(courses[p].speeds.days[0].accuracy);
  EXPECT_FALSE(printed.contains(QStringLiteral("100.0%")));
}

TEST(RecordsPage, TheTwoLaddersEachTellTheirOwnNextStep) {
  LearnerHistory history;
  // 52 字／分 of practice (60 characters, 8 refused in a minute); a faster test, and one faster still but
  // left.
  history.runs = {
      TypingRunRecord{kStart, 1, {}, 60, 70, 8, 60, 60, 70, 0.88, QStringLiteral("○")},
      TypingRunRecord{kStart, kSkillTestCourse, {}, 225, 0, 0, 180, 75, 0, 0.9, QStringLiteral("1級")},
      TypingRunRecord{kStart + 1, kSkillTestCourse, {}, 300, 0, 0, 180, 100, 0, 0.9, QStringLiteral("途中")}};
  const RecordsPage page(history, QString(), nullptr, nullptr, Defaults());
  const QString practice = page.LadderText(), grade = page.SkillGradeText();
  EXPECT_TRUE(practice.startsWith(QStringLiteral("練習の段位：50 字／分の段"))) << practice.toStdString();
  EXPECT_TRUE(practice.endsWith(QStringLiteral("次は 70 字／分です。"))) << practice.toStdString();
  EXPECT_EQ(grade, QStringLiteral("実力テストの級：1級（最高 75 字／分）。次の 初段 は 80 字／分です。"));
  EXPECT_FALSE(practice.contains(QLatin1Char('\n')) || grade.contains(QLatin1Char('\n')));
  // The 級 steps are drawn as the 段 steps are: 10級 to 1級 reached.
  const auto reached = [](const LadderDrawing& d) {
    return std::count_if(d.steps.cbegin(), d.steps.cend(), [](const auto& s) { return s.reached; });
  };
  EXPECT_EQ(reached(page.model().practiceSteps), 3);
  EXPECT_EQ(reached(page.model().gradeSteps), 10);
  EXPECT_EQ(page.model().gradeSteps.steps[9].label, QStringLiteral("1級"));
}

TEST(RecordsPage, TheNameInTheBoxIsAppliedBeforeTheFileIsNamedOrTheExportSaysWhyNot) {
  LearnerHistory history;
  history.learner = QStringLiteral("さとう はなこ");
  QList<std::function<void(bool, const QString&)>> asked;  // answered later, as the store's thread would
  RecordsPage page(
      history, QString(),
      [&](const QString&, QObject*, std::function<void(bool, const QString&)> done) { asked.append(done); },
      nullptr, Defaults());
  QStringList told;
  const auto exported = [&](const QString& warning) {
    told << (warning.isEmpty() ? page.CsvFileName() : warning);
  };

  // Left the box (asked), then 成績を書き出す before the answer: one rename, the export waits for it.
  EXPECT_EQ(page.AskRename(QStringLiteral("hanako2"), nullptr, [](const QString&) {}),
            RecordsPage::Rename::Asked);
  page.ApplyName(QStringLiteral("hanako2"), nullptr, exported);
  ASSERT_EQ(asked.size(), 1);
  EXPECT_TRUE(told.isEmpty());
  asked[0](true, QString());
  EXPECT_EQ(told, QStringList{QStringLiteral("成績_hanako2.csv")});

  page.ApplyName(QStringLiteral("hanako3"), nullptr, exported);
  asked[1](false, QStringLiteral("使われている名前です"));
  EXPECT_EQ(told.last(), QStringLiteral("名前を変えられませんでした。\n使われている名前です"));
  page.ApplyName(QStringLiteral(" "), nullptr, exported);
  EXPECT_EQ(told.last(), RecordsPage::EmptyNameText());
  EXPECT_EQ(page.CsvFileName(), QStringLiteral("成績_hanako2.csv"));
}
