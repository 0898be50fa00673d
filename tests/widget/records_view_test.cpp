#include "records_module/records_view.h"

#include <gtest/gtest.h>

#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include "records_module/keyboard_map_view.h"
#include "report/records_csv.h"
#include "support/memory_history_store.h"
#include "support/shipped_data.h"
#include "ui/widget_style.h"

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

  RecordsView view(store, settings, ShippedPracticeData().keyboards.jis);
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
  EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("assignments")), nullptr);
  // 特大 text: laid out again, still within a 1024×768 screen.
  ScaleFonts(&view, 150);
  EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(QRect(QPoint(), view.minimumSizeHint())));

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

  RecordsView view(store, settings, ShippedPracticeData().keyboards.jis);
  auto* courses = view.findChild<QComboBox*>(QStringLiteral("courseChoice"));
  ASSERT_NE(courses, nullptr);
  EXPECT_GE(courses->findText(QStringLiteral("実力テスト（1 回）")), 0);
  view.ShowCourse(0);
  const QString summary = view.findChild<QLabel*>(QStringLiteral("courseSummary"))->text();
  EXPECT_TRUE(summary.startsWith(QStringLiteral("最高 40 字／分"))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("途中 1回・計測なし 1回"))) << summary.toStdString();
}

TEST(RecordsView, TheTestsRateChartPlotsItsAccuracyAndNoKeysPerMinuteAndTheNameAndYearAreSavedAsChosen) {
  MemoryHistoryStore store(QStringLiteral("さとう はなこ"));
  HistoryBatch batch;
  batch.runs = {TypingRunRecord{
      1765000000000, kSkillTestCourse, {}, 55, 0, 0, 180, 18, 0, 55.0 / 60, QStringLiteral("8級")}};
  ASSERT_TRUE(store.Write(batch));
  AppSettings settings;
  LoadSettings(settings, false, QString());
  RecordsView view(store, settings, ShippedPracticeData().keyboards.jis);
  view.ShowCourse(view.findChild<QComboBox*>(QStringLiteral("courseChoice"))->count() - 1);
  QHash<QString, QList<QPointF>> points;
  for (QAbstractSeries* series : view.findChild<QChartView*>(QStringLiteral("rateChart"))->chart()->series())
    points[series->name()] = static_cast<QLineSeries*>(series)->points();
  ASSERT_EQ(points.value(QStringLiteral("正確さ")).size(), 1);
  EXPECT_NEAR(points[QStringLiteral("正確さ")][0].y(), 91.67, 0.01);
  EXPECT_TRUE(points.value(QStringLiteral("打鍵／分")).isEmpty());

  auto* learner = view.findChild<QLineEdit*>(QStringLiteral("learnerName"));
  learner->setText(QStringLiteral("hanako2"));
  emit learner->editingFinished();
  EXPECT_EQ(store.LearnerName(), QStringLiteral("hanako2"));

  auto* year = view.findChild<QComboBox*>(QStringLiteral("schoolYear"));
  ASSERT_NE(year, nullptr);
  EXPECT_EQ(year->accessibleName(), QStringLiteral("学年"));
  EXPECT_EQ(year->currentText(), QStringLiteral("（えらばない）"));
  EXPECT_EQ(year->count(), 12);
  year->setCurrentIndex(3);
  emit year->activated(3);
  EXPECT_EQ(store.LearnerYear(), QStringLiteral("小3"));
  // A window opened later shows the year stored.
  RecordsView again(store, settings, ShippedPracticeData().keyboards.jis);
  EXPECT_EQ(again.findChild<QComboBox*>(QStringLiteral("schoolYear"))->currentText(), QStringLiteral("小3"));
  EXPECT_EQ(again.findChild<QLineEdit*>(QStringLiteral("classCode")), nullptr);  // no class server

  // With a class server: the class and number are asked beside the year;
  // text that is no class is refused beside the fields, the stored one kept.
  settings.HistoryServer = QStringLiteral("postgresql://shurencho_learner@school/shurencho");
  RecordsView asked(store, settings, ShippedPracticeData().keyboards.jis);
  auto* code = asked.findChild<QLineEdit*>(QStringLiteral("classCode"));
  auto* number = asked.findChild<QSpinBox*>(QStringLiteral("classNumber"));
  ASSERT_NE(code, nullptr);
  ASSERT_NE(number, nullptr);
  code->setText(QStringLiteral("5-2"));
  number->setValue(17);
  emit number->editingFinished();
  EXPECT_EQ(store.ClassOfLearner(), (LearnerClass{QStringLiteral("5-2"), 17}));
  code->setText(QStringLiteral("5年2組"));
  emit code->editingFinished();
  EXPECT_EQ(store.ClassOfLearner().code, QStringLiteral("5-2"));
  EXPECT_EQ(code->text(), QStringLiteral("5-2"));
  EXPECT_FALSE(asked.findChild<QLabel*>(QStringLiteral("classWhy"))->text().isEmpty());
}

TEST(RecordsView, OpensCentredOverTheMainWindowAndInsideTheScreen) {
  const QRect screen(0, 0, 1024, 768);
  EXPECT_EQ(CentredOver(QSize(900, 600), QRect(192, 144, 640, 480), screen), QRect(62, 84, 900, 600));
  // A main window dragged to the corner: the 成績 window stays whole on the screen.
  EXPECT_EQ(CentredOver(QSize(900, 600), QRect(600, 400, 640, 480), screen), QRect(124, 168, 900, 600));
  EXPECT_EQ(CentredOver(QSize(900, 600), QRect(0, 0, 640, 480), QRect(0, 0, 800, 560)),
            QRect(0, 0, 800, 560));
}

TEST(RecordsView, TheWeakKeysPageListsOnlyKanaAsKanaAndDrawsEachKeyWithItsOwnTop) {
  MemoryHistoryStore store(QStringLiteral("山田"));
  HistoryBatch batch;
  batch.misses = {
      KeyMissRecord{1765000000000, 1, QStringLiteral("b"), {}, QStringLiteral("v"), QStringLiteral("b")},
      KeyMissRecord{1765000000000, 1, QStringLiteral("しゃ"), QStringLiteral("s"), QStringLiteral("a"),
                    QStringLiteral("h")}};
  ASSERT_TRUE(store.Write(batch));
  AppSettings settings;
  LoadSettings(settings, false, QString());
  RecordsView view(store, settings, ShippedPracticeData().keyboards.jis);
  const auto units = [&](const char* list) {
    QStringList shown;
    if (auto* table = view.findChild<QTableWidget*>(QString::fromLatin1(list))) {
      for (int i = 0; i < table->rowCount(); ++i) shown.append(table->item(i, 0)->text());
    }
    return shown;
  };
  EXPECT_EQ(units("weakList"), QStringList{QStringLiteral("しゃ")});
  EXPECT_EQ(units("weakOtherList"), QStringList{QStringLiteral("b")});
  // ¥ ends the number row by BS; ろ ends the bottom row after ／.
  auto* map = view.findChild<KeyboardMapView*>(QStringLiteral("keyboardMap"));
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->RowLegends(),
            QStringList({QStringLiteral("1ぬ 2ふ 3あ 4う 5え 6お 7や 8ゆ 9よ 0わ -ほ ^へ ¥ー"),
                         QStringLiteral("Qた Wて Eい Rす Tか Yん Uな Iに Oら Pせ @゛ [゜"),
                         QStringLiteral("Aち Sと Dし Fは Gき Hく Jま Kの Lり ;れ :け ]む"),
                         QStringLiteral("Zつ Xさ Cそ Vひ Bこ Nみ Mも ,ね .る /め ＼ろ")}));
}

TEST(RecordsView, ListsTheAssignmentsTheFileHoldsWithHowFarTheLearnerIs) {
  LearnerHistory history;
  history.learner = QStringLiteral("山田");
  history.assignments = {{{1, QStringLiteral("drill"), 2, 3, {}, 0, 1000}, 2, 0}};
  AppSettings settings;
  LoadSettings(settings, false, QString());
  RecordsView view(history, {}, {}, {}, {}, {}, settings, ShippedPracticeData().keyboards.jis);
  auto* list = view.findChild<QLabel*>(QStringLiteral("assignments"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->text(), QStringLiteral("コース2 を 3回（2回おわり）"));
}
