// What the pages record: driven through their handlers with the fake
// platform, into a store in memory.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "drill_fixture.h"
#include "history/history_recorder.h"
#include "history_fixture.h"
#include "mouse/click_page.h"
#include "mouse/drag_page.h"
#include "mouse/maze_page.h"
#include "mouse/puzzle_page.h"
#include "report/records_summary.h"
#include "typing/typing_page.h"

using namespace shurencho;

namespace {

class HistoryDrillTest : public DrillTest {
 protected:
  // Course 4 (かな, きゃく, ほん), reporting to the recorder, the store not open yet.
  void StartRecording(bool weakDrill = false) {
    settings.CourseNo = 3;
    settings.WeakDrill = weakDrill;
    page = std::make_unique<DrillPage>(settings, data, platform);
    page->SetHistory(&recorder);
    page->FormCreate();
    page->FormShow();
  }
  void TypeSlowly(const QString& keys) {
    for (const QChar c : keys) {
      TypeKey(c);
      platform.Advance(1);
    }
  }

  HistoryRecorder recorder{platform};
  MemoryStore store;
};

TEST_F(HistoryDrillTest, AnItemWithTwoWrongKeysWaitsForTheStoreThenIsWrittenWhole) {
  StartRecording();
  // か takes "ka" or "ca": after nothing, x is refused with no single key
  // expected; after "k", j is refused where "a" was expected.
  TypeSlowly(QStringLiteral("xkjan"));
  TypeKey(u'a');
  ASSERT_EQ(page->state().Item.question, QStringLiteral("きゃく"));
  EXPECT_EQ(recorder.waiting(), 1);

  recorder.Attach(&store);
  ASSERT_EQ(store.written.size(), 1);
  const HistoryBatch& b = store.written[0];
  ASSERT_EQ(b.items.size(), 1);
  EXPECT_EQ(b.items[0].course, 4);
  EXPECT_EQ(b.items[0].item, QStringLiteral("かな"));
  EXPECT_EQ(b.items[0].characters, 2);
  EXPECT_EQ(b.items[0].keystrokes, 6);
  EXPECT_EQ(b.items[0].refused, 2);
  EXPECT_DOUBLE_EQ(b.items[0].seconds, 5);
  ASSERT_EQ(b.misses.size(), 2);
  const KeyMissRecord& first = b.misses[0];
  EXPECT_EQ(QStringList({first.unit, first.typed, first.key, first.expected}),
            QStringList({QStringLiteral("か"), QString(), QStringLiteral("x"), QString()}));
  const KeyMissRecord& second = b.misses[1];
  EXPECT_EQ(
      QStringList({second.unit, second.typed, second.key, second.expected}),
      QStringList({QStringLiteral("か"), QStringLiteral("k"), QStringLiteral("j"), QStringLiteral("a")}));
  EXPECT_EQ(second.at, UtcMsFromClock(platform.now) - 3000);
  EXPECT_EQ(b.runs.size(), 0);  // the run goes on
}

TEST_F(HistoryDrillTest, APassLeftByResetIsWrittenAsLastShownAndUnfinished) {
  StartRecording();
  recorder.Attach(&store);
  TypeSlowly(QStringLiteral("kana"));
  platform.Advance(30);
  TypeSlowly(QStringLiteral("kyaqku"));  // q refused
  const QString speedShown = page->Label2.caption;
  TypeSlowly(QStringLiteral("ho"));  // the next item, unfinished
  page->Button3Click();
  page->Button3Click();  // no run to end a second time

  const HistoryBatch all = store.All();
  ASSERT_EQ(all.runs.size(), 1);
  const TypingRunRecord& run = all.runs[0];
  EXPECT_EQ(run.course, 4);
  EXPECT_EQ(run.characters, 5);
  EXPECT_EQ(run.keystrokes, 10);
  EXPECT_EQ(run.refused, 1);
  EXPECT_DOUBLE_EQ(run.seconds, 39);
  EXPECT_EQ(QString::number(run.charsPerMinute) + QStringLiteral("　字／分"), speedShown);
  EXPECT_EQ(run.keysPerMinute, 10 * 60 / 39);
  EXPECT_DOUBLE_EQ(run.accuracy, 0.9);
  EXPECT_EQ(run.grade, UnfinishedMark());
  EXPECT_EQ(all.items.size(), 2);
  EXPECT_EQ(page->LastPass()->kind, RunKind::Unfinished);
}

TEST_F(HistoryDrillTest, EachPassIsARunWithItsOwnFiguresAndOnlyAGradedOneIsABest) {
  StartRecording();
  recorder.Attach(&store);
  // Course 4 deals three items; the first pass is over in 13 s, shorter
  // than the warm-up: the page stores no speed and grades nothing.
  TypeSlowly(QStringLiteral("kanakyakuhonn"));
  ASSERT_EQ(store.All().runs.size(), 1);
  EXPECT_EQ(store.All().runs[0].grade, UngradedMark());
  EXPECT_EQ(QString::number(store.All().runs[0].charsPerMinute) + QStringLiteral("　字／分"),
            page->Label2.caption);
  EXPECT_EQ(page->Pass().done, 0);
  // The second pass ends past the warm-up. The page's run goes on across
  // passes; the pass's run holds the pass alone, with its own mark.
  platform.Advance(30);
  TypeSlowly(QStringLiteral("kanakyakuhonn"));
  const QList<TypingRunRecord> runs = store.All().runs;
  ASSERT_EQ(runs.size(), 2);
  EXPECT_EQ(runs[1].characters, 7);
  EXPECT_EQ(runs[0].seconds + runs[1].seconds, page->state().Run().Seconds());
  EXPECT_EQ(runs[1].charsPerMinute, MeasuredRun::PerMinute(7, static_cast<int>(runs[1].seconds)));
  const QStringList& bands = settings.CourseThresholds(4);
  EXPECT_EQ(runs[1].grade, SpeedGrade(runs[1].charsPerMinute, bands[0].toInt(), bands[1].toInt()));
  const CourseSpeeds course4 = SummarizeSpeeds(runs).at(3);
  EXPECT_EQ(course4.best, runs[1].charsPerMinute);
  EXPECT_EQ(course4.runs, 1);
  EXPECT_EQ(course4.ungraded, 1);
  EXPECT_EQ(page->LastPass()->mark, runs[1].grade);
  EXPECT_EQ(page->LastPass()->slowest.size(), 2);
}

TEST_F(HistoryDrillTest, APassEndsAfterPassItemsAndTimeAwayFromTheBoxIsNotTheKanas) {
  settings.GuidePassItems = 2;
  StartRecording();
  recorder.Attach(&store);
  TypeSlowly(QStringLiteral("ka"));
  page->Edit2Exit();  // a menu is open for a minute
  platform.Advance(60);
  page->Edit2Enter();
  TypeSlowly(QStringLiteral("nakyaku"));
  // Two of the course's three items make the pass: one run, of its own time.
  const QList<TypingRunRecord> runs = store.All().runs;
  ASSERT_EQ(runs.size(), 1);
  EXPECT_EQ(runs[0].characters, 5);
  EXPECT_EQ(runs[0].seconds, page->state().Run().Seconds());
  EXPECT_EQ(page->Pass().total, 2);
  // The minute in the menu counts for the pass, not against な.
  EXPECT_EQ(page->LastPass()->slowest.value(0), QStringLiteral("きゃ"));
}

TEST_F(HistoryDrillTest, WeakDrillDealsTheItemsHoldingTheWeakUnitsOnceTheHistoryOpens) {
  store.weak = {QStringLiteral("ほ"), QStringLiteral("ぬ")};
  StartRecording(true);
  // No history yet: the items with kana most children find hard (the small ゃ).
  EXPECT_EQ(page->state().ActiveItems, CourseItemList{data.kanaWords.at(1)});
  recorder.Attach(&store);
  page->HistoryOpened();
  ASSERT_EQ(page->state().ActiveItems.size(), 1);
  EXPECT_EQ(page->state().Item.question, QStringLiteral("ほん"));

  page->CheckBox5.click();
  EXPECT_FALSE(settings.WeakDrill);
  EXPECT_EQ(page->state().ActiveItems, data.kanaWords);
  EXPECT_EQ(page->state().Item.question, QStringLiteral("かな"));
}

TEST_F(HistoryDrillTest, WeakDrillOffDealsExactlyAsWithoutHistory) {
  store.weak = {QStringLiteral("きゃ")};
  settings.Random = true;
  platform.randoms = {2, 1};
  StartOnCourse(4);
  const DrillState plain = page->state();
  const std::vector<int> plainDraws = platform.randomRanges;

  platform.randomRanges.clear();
  platform.randoms = {2, 1};
  recorder.Attach(&store);
  StartRecording();
  page->HistoryOpened();
  EXPECT_EQ(page->state().ActiveItems, plain.ActiveItems);
  EXPECT_EQ(page->state().Item, plain.Item);
  EXPECT_EQ(platform.randomRanges, plainDraws);
}

TEST(HistorySettingsTest, TheSettingsFileIsByteForByteTheSameUntilWeakDrillIsTicked) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("shurencho.ini"));
  AppSettings s;
  LoadSettings(s, true, path);  // a first start writes every classic key
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();
  s.SetRecordedSpeed(1, 0);
  SaveSettings(s, path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  file.close();

  s.WeakDrill = true;
  SaveSettings(s, path);
  AppSettings read;
  LoadSettings(read, true, path);
  EXPECT_TRUE(read.WeakDrill);
  read.WeakDrill = false;
  SaveSettings(read, path);  // the key is there now: it says 0
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before + "[History]\r\nWeakDrill=0\r\n");
}

TEST(HistoryTypingTest, AJudgedFreeTypingRunIsWrittenWithItsTextAndGrade) {
  QTemporaryDir dir;
  FakePlatform platform;
  AppSettings settings;
  LoadSettings(settings, false, QString());
  PracticeData data;
  TypingPage page(settings, data, platform);
  HistoryRecorder recorder(platform);
  MemoryStore store;
  recorder.Attach(&store);
  page.SetHistory(&recorder);
  page.FormCreate();
  QFile text(dir.filePath(QStringLiteral("poem.txt")));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("abcd");
  text.close();
  platform.dialogAnswers.push_back(text.fileName());
  page.Button4Click();

  // One edit leaves a wrong tail: refused; taking it back is not.
  for (const char* typed : {"a", "ax", "a", "ab", "abc"}) {
    page.Memo2UserEdit(QString::fromLatin1(typed));
    platform.Advance(10);
  }
  page.Memo2UserEdit(QStringLiteral("abcd"));

  ASSERT_EQ(store.All().runs.size(), 1);
  const TypingRunRecord run = store.All().runs[0];
  EXPECT_EQ(run.course, kFreeTypingCourse);
  EXPECT_EQ(run.textName, QStringLiteral("poem.txt"));
  EXPECT_EQ(run.characters, 4);
  EXPECT_EQ(run.keystrokes, 6);
  EXPECT_EQ(run.refused, 1);
  EXPECT_DOUBLE_EQ(run.seconds, 50);
  EXPECT_EQ(run.charsPerMinute, 4);
  EXPECT_EQ(run.grade, CourseGrade(settings, 6));

  // A second reading finished inside the warm-up is kept, but not graded;
  // a third left for another text is unfinished.
  platform.dialogAnswers.push_back(text.fileName());
  platform.dialogAnswers.push_back(text.fileName());
  page.Button4Click();
  for (const char* typed : {"a", "ab", "abc", "abcd"}) {
    page.Memo2UserEdit(QString::fromLatin1(typed));
    platform.Advance(8);
  }
  page.Button4Click();
  page.Memo2UserEdit(QStringLiteral("a"));
  platform.Advance(5);
  page.Memo2UserEdit(QStringLiteral("ab"));
  page.FormClose();
  const QList<TypingRunRecord> runs = store.All().runs;
  ASSERT_EQ(runs.size(), 3);
  EXPECT_EQ(runs[1].grade, UngradedMark());
  EXPECT_EQ(runs[2].grade, UnfinishedMark());
  EXPECT_EQ(runs[2].characters, 2);
  EXPECT_EQ(SummarizeSpeeds(runs).at(5).best, 4);
}

TEST(HistoryMouseTest, EachGameWritesItsFinishedStage) {
  FakePlatform platform;
  AppSettings settings;
  LoadSettings(settings, false, QString());
  HistoryRecorder recorder(platform);
  MemoryStore store;
  recorder.Attach(&store);

  // Maze: a wall along the top row, the goal at row 22, column 30.
  PracticeData data;
  for (MazeMap::Grid& g : data.mazeMap.maps) {
    for (auto& row : g) row.fill(kMazeFloor);
    g[0].fill(kMazeWall);
    g[22][30] = kMazeGoal;
  }
  MazePage maze(settings, data, platform);
  maze.SetHistory(&recorder);
  maze.FormCreate();
  maze.Image1MouseMove(false, 100, 100);
  maze.Image1MouseMove(false, 100, 5);
  maze.Image1MouseMove(true, 100, 5);  // Shift held: no wall
  maze.Image1MouseMove(false, 120, 5);
  platform.Advance(12);
  platform.pointer[QStringLiteral("Image1")] = QPoint(30 * 16 + 4, 22 * 16 + 4);
  maze.Image1Click();

  ClickPage click(platform);
  click.SetHistory(&recorder);
  click.FormCreate();
  for (TENemy& t : click.SetUpGame().Targets) t.State = Tptn::kOut;
  TENemy& target = click.SetUpGame().Targets[0];
  target = TENemy();
  target.State = Tptn::kInPlay;
  target.Pattern = Tptn::kTargetPattern;
  target.X = 20;
  target.Y = 40;
  click.Timer1Timer();
  platform.pointer[QStringLiteral("Image3")] = QPoint(300, 300);
  click.Image3Click();
  platform.pointer[QStringLiteral("Image3")] = QPoint(24, 44);
  click.Image3Click();
  platform.Advance(3);
  click.Timer1Timer();

  DragPage drag(platform);
  drag.SetHistory(&recorder);
  drag.FormCreate();
  for (int i = 1; i < 3; ++i) {
    drag.SetUpGame().Balls[static_cast<size_t>(i)].X = 220;
    drag.SetUpGame().Balls[static_cast<size_t>(i)].Y = 170;
  }
  drag.SetUpGame().Balls[0].X = 10;
  drag.SetUpGame().Balls[0].Y = 10;
  const auto dragBall = [&](QPoint from, QPoint to) {
    platform.pointer[QStringLiteral("Image6")] = from;
    drag.Image6MouseDown();
    drag.Image6DragDrop(to);
    drag.Image6EndDrag();
  };
  dragBall({12, 12}, {400, 300});  // not in the basket
  platform.Advance(4);
  dragBall({402, 302}, {230, 180});

  PuzzlePage puzzle(platform);
  puzzle.SetHistory(&recorder);
  puzzle.FormCreate();
  puzzle.SetUpGame().Board.FillInOrder();
  puzzle.SetUpGame().Board.Set(2, 1, puzzle.SetUpGame().Board.At(2, 2));
  puzzle.SetUpGame().Board.Set(2, 2, PuzzleBoard::kGap);
  puzzle.DrawPuzzle();
  platform.pointer[QStringLiteral("Image9")] = QPoint(10, 10);  // not beside the gap
  puzzle.Image9DblClick();
  platform.Advance(7);
  platform.pointer[QStringLiteral("Image9")] = QPoint(64 + 10, 2 * 64 + 10);
  puzzle.Image9DblClick();
  ASSERT_TRUE(puzzle.game().PuzzleSolved);

  const QList<MouseRecord> mouse = store.All().mouse;
  ASSERT_EQ(mouse.size(), 4);
  const auto fields = [](const MouseRecord& r) {
    return std::tuple(r.game, r.stage, r.misses, r.moves, r.seconds);
  };
  EXPECT_EQ(fields(mouse[0]), std::tuple(MouseGame::Maze, 1, 2, 0, 12.0));
  EXPECT_EQ(fields(mouse[1]), std::tuple(MouseGame::Click, 1, 1, 0, 3.0));
  EXPECT_EQ(fields(mouse[2]), std::tuple(MouseGame::Drag, 1, 1, 0, 4.0));
  EXPECT_EQ(fields(mouse[3]), std::tuple(MouseGame::Puzzle, 0, 0, 1, 7.0));
  // The pages went on as ever: the next maze, stage and deal are on.
  EXPECT_EQ(settings.M1CourseNo, 1);
  EXPECT_EQ(click.game().ClickStage, 2);
  EXPECT_EQ(drag.game().DragStage, 2);
}

}  // namespace
