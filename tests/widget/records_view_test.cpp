#include "records_module/records_view.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>

#include "records_module/keyboard_map_view.h"
#include "report/records_csv.h"
#include "support/memory_history_store.h"

using namespace shurencho;

TEST(RecordsView, ShowsTheChartsTheKeyboardAndTheWeakListOfASmallStore) {
  MemoryHistoryStore store(QStringLiteral("山田"));
  HistoryBatch batch;
  batch.runs = {TypingRunRecord{1765000000000, 1, {}, 60, 70, 10, 90, 40, 46, 0.86, {}}};
  batch.mouse = {MouseRecord{1765000000000, MouseGame::Maze, 2, 1, 0, 30}};
  batch.misses = {KeyMissRecord{1765000000000, 1, QStringLiteral("しゃ"), QStringLiteral("s"),
                                QStringLiteral("a"), QStringLiteral("h")},
                  KeyMissRecord{1765000000000, 1, QStringLiteral("つ"), QStringLiteral("t"),
                                QStringLiteral("y"), QStringLiteral("s")}};
  ASSERT_TRUE(store.Write(batch));
  AppSettings settings;
  LoadSettings(settings, false, QString());

  RecordsView view(store, settings);
  view.show();
  for (const char* name : {"speedChart", "rateChart", "mouseChart"}) {
    EXPECT_NE(view.findChild<QGraphicsView*>(QString::fromLatin1(name)), nullptr) << name;
  }
  auto* keyboard = view.findChild<KeyboardMapView*>(QStringLiteral("keyboardMap"));
  ASSERT_NE(keyboard, nullptr);
  EXPECT_EQ(keyboard->Count(QStringLiteral("h")), 1);
  auto* weak = view.findChild<QTableWidget*>(QStringLiteral("weakList"));
  ASSERT_NE(weak, nullptr);
  EXPECT_EQ(weak->rowCount(), 2);

  // A new name goes to the store and into the files written out.
  auto* learner = view.findChild<QLineEdit*>(QStringLiteral("learnerName"));
  ASSERT_NE(learner, nullptr);
  learner->setText(QStringLiteral("山田 花子"));
  emit learner->returnPressed();
  EXPECT_EQ(store.LearnerName(), QStringLiteral("山田 花子"));
  QTemporaryDir dir;
  QString error;
  ASSERT_TRUE(view.ExportTo(dir.filePath(QStringLiteral("成績.csv")), &error)) << error.toStdString();
  QFile csv(dir.filePath(QStringLiteral("成績.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  EXPECT_TRUE(csv.readAll().contains("山田 花子"));
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("成績.html"))));
}

TEST(RecordsView, RunsLeftOrNotGradedAreToldButAreNoBestAndTheTestHasItsOwnChart) {
  MemoryHistoryStore store(QStringLiteral("山田"));
  HistoryBatch batch;
  const TypingRunRecord graded{1765000000000, 1, {}, 60, 70, 10, 90, 40, 46, 0.86, QStringLiteral("○")};
  TypingRunRecord left = graded, quick = graded, test = graded;
  left.charsPerMinute = 80;
  left.grade = UnfinishedMark();
  quick.charsPerMinute = 360;
  quick.grade = UngradedMark();
  test.course = kSkillTestCourse;
  batch.runs = {graded, left, quick, test};
  ASSERT_TRUE(store.Write(batch));
  AppSettings settings;
  LoadSettings(settings, false, QString());

  RecordsView view(store, settings);
  auto* courses = view.findChild<QComboBox*>(QStringLiteral("courseChoice"));
  ASSERT_NE(courses, nullptr);
  EXPECT_GE(courses->findText(QStringLiteral("実力テスト（1 回）")), 0);
  view.ShowCourse(0);
  const QString summary = view.findChild<QLabel*>(QStringLiteral("courseSummary"))->text();
  EXPECT_TRUE(summary.startsWith(QStringLiteral("最高 40 字／分"))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("途中 1回・計測なし 1回"))) << summary.toStdString();
}

TEST(RecordsView, OpensCentredOverTheMainWindowAndInsideTheScreen) {
  const QRect screen(0, 0, 1024, 768);
  EXPECT_EQ(CentredOver(QSize(900, 600), QRect(192, 144, 640, 480), screen), QRect(62, 84, 900, 600));
  // A main window dragged to the corner: the 成績 window stays whole on the screen.
  EXPECT_EQ(CentredOver(QSize(900, 600), QRect(600, 400, 640, 480), screen), QRect(124, 168, 900, 600));
  EXPECT_EQ(CentredOver(QSize(900, 600), QRect(0, 0, 640, 480), QRect(0, 0, 800, 560)),
            QRect(0, 0, 800, 560));
}
