// Start-up, the course buttons and the options of the drill page.
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

using DrillCourse = DrillTest;

TEST_F(DrillCourse, AStoredCourseOutsideTheFiveStartsCourseThree) {
  settings.CourseNo = 7;
  settings.KeySpeed = QStringList{"20", "0", "30", "0", "0", "0"};
  Start();
  EXPECT_EQ(settings.CourseNo, 2);
  EXPECT_EQ(page->Label5.caption, QStringLiteral("ローマ字　文字入力練習"));
  for (int n = 1; n <= 5; ++n) {
    EXPECT_EQ(page->CourseButton(n).enabled, n != 3) << n;
    EXPECT_FALSE(page->CourseButton(n).checked) << n;
  }
  EXPECT_EQ(page->Label17.caption, QStringLiteral("○"));
  EXPECT_EQ(page->Label18.caption, QStringLiteral("×"));
  EXPECT_EQ(page->Label19.caption, QStringLiteral("◎"));
  EXPECT_EQ(page->Label43.caption, QStringLiteral("か"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("入力"));
  EXPECT_FALSE(page->Panel1.visible);  // letter items need no conversion
  EXPECT_TRUE(page->Panel5.caption.isEmpty());
  EXPECT_TRUE(page->Label44.visible);
  EXPECT_EQ(page->state().RunStart, 0);
  EXPECT_FALSE(page->ListBox1.visible);
  EXPECT_FALSE(page->ListBox1.enabled);
  EXPECT_FALSE(page->CheckBox2.visible);
}

TEST_F(DrillCourse, ShowTicksTheOptionsAndRunsTheirHandlers) {
  settings.Random = true;
  settings.AutoCourse = true;
  settings.Viewroma = false;
  platform.randoms = {2};
  Start();
  EXPECT_TRUE(page->CheckBox2.checked());
  EXPECT_TRUE(page->CheckBox1.checked());
  EXPECT_FALSE(page->CheckBox4.checked());
  // The first item was drawn at random at once; the hint stays hidden.
  EXPECT_EQ(platform.randomRanges, std::vector<int>{3});
  EXPECT_EQ(page->Label43.caption, QStringLiteral("ん"));
  EXPECT_FALSE(page->Label44.visible);
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
}

TEST_F(DrillCourse, SwitchingCourseStartsItsFirstLineWithAFreshRun) {
  Start();
  Type(QStringLiteral("ka"));
  ASSERT_EQ(page->state().ItemIndex, 1);
  ASSERT_FALSE(page->Label3.caption.isEmpty());
  page->RadioButtonClick(2);
  EXPECT_EQ(settings.CourseNo, 1);
  EXPECT_EQ(page->Label5.caption, QStringLiteral("アルファベット　単語入力練習"));
  EXPECT_EQ(page->Label43.caption, QStringLiteral("cat"));
  EXPECT_TRUE(page->Label3.caption.isEmpty());
  EXPECT_EQ(page->state().RunStart, 0);
  EXPECT_FALSE(page->RadioButton2.enabled);
  EXPECT_TRUE(page->RadioButton3.enabled);
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
  // And back: course 3 starts over at its first line.
  page->RadioButtonClick(3);
  EXPECT_EQ(page->Label43.caption, QStringLiteral("か"));
  EXPECT_EQ(page->state().ItemIndex, 0);
  // The current course's handler only gives the focus back.
  platform.focus.clear();
  Type(QStringLiteral("k"));
  page->RadioButtonClick(3);
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("k"));
  EXPECT_EQ(platform.focus, std::vector<QString>{QStringLiteral("Edit2")});
}

TEST_F(DrillCourse, RandumDuringARunKeepsTheRun) {
  Start();
  Type(QStringLiteral("ka"));
  const double start = page->state().RunStart;
  Type(QStringLiteral("n"));
  platform.randoms = {2};
  page->CheckBox1.click();
  EXPECT_TRUE(settings.Random);
  EXPECT_EQ(page->Label43.caption, QStringLiteral("ん"));
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_EQ(page->Label1.caption, QString());
  EXPECT_EQ(page->state().RunStart, start);
  EXPECT_EQ(page->state().RunChars, 1);
  EXPECT_EQ(page->Label3.caption, QStringLiteral("1　字"));
  // Unticking changes nothing but the setting.
  page->CheckBox1.click();
  EXPECT_FALSE(settings.Random);
  EXPECT_EQ(page->Label43.caption, QStringLiteral("ん"));
  EXPECT_EQ(page->Label3.caption, QStringLiteral("1　字"));
}

TEST_F(DrillCourse, RandumWithoutARunBlanksTheCounters) {
  Start();
  page->Label3.caption = QStringLiteral("stale");
  platform.randoms = {1};
  page->CheckBox1.click();
  EXPECT_EQ(page->Label43.caption, QStringLiteral("な"));
  EXPECT_TRUE(page->Label3.caption.isEmpty());
  EXPECT_EQ(page->state().RunStart, 0);
}

TEST_F(DrillCourse, ResetRestartsTheSameItemAndDropsTheRun) {
  settings.Random = true;
  platform.randoms = {1};
  StartOnCourse(4);
  ASSERT_EQ(page->Label43.caption, QStringLiteral("きゃく"));
  settings.KeySpeed[3] = QStringLiteral("20");
  Type(QStringLiteral("kyak"));
  ASSERT_GT(page->state().RunStart, 0);
  page->Button3Click();
  // The box held text: clearing it ran the judge, whose run start the reset dropped.
  EXPECT_EQ(page->state().RunStart, 0);
  EXPECT_EQ(page->Label43.caption, QStringLiteral("きゃく"));
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_EQ(page->Label1.caption, QString());
  EXPECT_EQ(page->state().DoneText, QString());
  EXPECT_EQ(page->state().KanaUnit, QStringLiteral("きゃ"));
  EXPECT_EQ(settings.RecordedSpeed(4), 20);
  EXPECT_EQ(platform.randomRanges.size(), 1u);
}

TEST_F(DrillCourse, TheQuestionShowsTheReadingOnlyWhenTheItemAllowsIt) {
  StartOnCourse(5);
  page->Label43Click();
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].kind, FakePlatform::Box::Information);
  EXPECT_EQ(platform.boxes[0].text, QStringLiteral("がっこう"));
  page->RadioButtonClick(3);
  page->Label43Click();
  EXPECT_EQ(platform.boxes.size(), 1u);
}

TEST_F(DrillCourse, PageHelpFollowsTheStep) {
  data.conversionWords = {QStringLiteral("記者,きしゃ,1,1,0,0,記者,汽車,貴社"),
                          QStringLiteral("かな,かな,1,0,1,1,かな"), QStringLiteral("かな,かな,1,0,1,0,かな")};
  StartOnCourse(5);
  auto help = [this] {
    page->TabSheet1MouseDown();
    return platform.boxes.back().text;
  };
  EXPECT_TRUE(help().startsWith(QStringLiteral("1.読みを入力してください。\r\n2.変換してください。")));
  page->ListBox1.visible = true;
  EXPECT_EQ(help(), QStringLiteral("↑：前候補\r\nSPACE：次候補\r\nEnter/↓：選択\r\nマウスでクリック：選択"));
  page->ListBox1.visible = false;
  // A wrong confirmed entry comes before the open list.
  Type(QStringLiteral("kisha\r"));
  ASSERT_EQ(page->Panel1.caption, QStringLiteral("取消"));
  page->ListBox1.visible = true;
  EXPECT_TRUE(help().startsWith(QStringLiteral("入力ミスあり。")));
  // Field 5 before field 4, and both before everything else.
  platform.randoms = {1};
  page->CheckBox1.setChecked(false);
  page->CheckBox1.setChecked(true);
  EXPECT_EQ(help(), QStringLiteral("読みをローマ字で入力してください。"));
  platform.randoms = {2};
  page->CheckBox1.setChecked(false);
  page->CheckBox1.setChecked(true);
  EXPECT_EQ(
      help(),
      QStringLiteral("読みをローマ字で入力してください。\r\n次の問題にいくには、ENTERキー を押して下さい。"));
  EXPECT_EQ(platform.boxes.size(), 5u);
}

TEST_F(DrillCourse, WeakDrillBeforeAnyHistoryDealsTheItemsWithKanaChildrenFindHard) {
  settings.WeakDrill = true;
  StartOnCourse(4);  // かな, きゃく, ほん: only the small ゃ is one of them
  EXPECT_EQ(page->state().ActiveItems, CourseItemList{data.kanaWords.at(1)});
  page->RadioButtonClick(1);  // letters hold none: the whole course
  EXPECT_EQ(page->state().ActiveItems, data.alphabetLetters);
}

TEST_F(DrillCourse, AResetOfTheSettingsLeavesCourseThreeWithDefaultRecords) {
  settings.Random = true;
  settings.KeySpeed = QStringList{"50", "50", "50", "50", "50", "0"};
  Start();
  page->RadioButtonClick(1);
  LoadSettings(settings, false, QString());
  page->FormCreate();
  page->FormShow();
  EXPECT_EQ(settings.CourseNo, 2);
  EXPECT_EQ(page->Label5.caption, QStringLiteral("ローマ字　文字入力練習"));
  for (int n = 1; n <= 5; ++n) {
    EXPECT_EQ(page->CourseButton(n).enabled, n != 3) << n;
    EXPECT_EQ(page->GradeLabel(n).caption, QStringLiteral("×")) << n;
  }
  EXPECT_FALSE(page->CheckBox1.checked());
  EXPECT_TRUE(page->CheckBox4.checked());
  EXPECT_EQ(page->state().ItemIndex, 0);
}

}  // namespace
