#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "report/records_page.h"
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
      settings);
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
