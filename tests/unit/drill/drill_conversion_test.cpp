// The conversion exercise of course 5: the space bar and the candidate list,
// the function keys, confirming, and taking a confirmation back.
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

class DrillConversion : public DrillTest {
 protected:
  // Course 5 with the given items, the first one's reading already typed.
  void StartTyped(const CourseItemList& items, const QString& romaji) {
    data.conversionWords = items;
    StartOnCourse(5);
    Type(romaji);
    ASSERT_TRUE(page->state().ReadingDone);
  }
  const QString& Entry() const { return page->state().DoneText; }
  bool ListOpen() const { return page->ListBox1.enabled && page->ListBox1.visible; }
  void ExpectLook(SysColor font, SysColor background) const {
    EXPECT_EQ(page->Label1.font, Colour::Sys(font));
    EXPECT_EQ(page->Label1.background, Colour::Sys(background));
  }
  void ExpectConvertingLook() const { ExpectLook(SysColor::HighlightText, SysColor::Highlight); }

  const QString kGakkou = QStringLiteral("学校,がっこう,1,1,0,0,学校");
  const QString kKisha = QStringLiteral("記者,きしゃ,1,1,0,0,記者,汽車,貴社");
};

TEST_F(DrillConversion, FunctionKeysMakeKatakanaHalfWidthAndRomaji) {
  StartTyped({kGakkou}, QStringLiteral("gakkou"));
  ExpectLook(SysColor::Highlight, SysColor::BtnFace);
  EXPECT_EQ(Press(vk::F7), vk::F7);
  EXPECT_EQ(Entry(), QStringLiteral("ガッコウ"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("ガッコウ"));
  EXPECT_TRUE(page->state().Converting);
  ExpectConvertingLook();
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  // Katakana or a candidate shown: F8 makes the reading half-width.
  Press(vk::F8);
  EXPECT_EQ(Entry(), QStringLiteral("ｶﾞｯｺｳ"));
  Type(QStringLiteral(" "));
  ASSERT_EQ(Entry(), QStringLiteral("学校"));
  Press(vk::F8);
  EXPECT_EQ(Entry(), QStringLiteral("ｶﾞｯｺｳ"));
  Press(vk::F9);
  EXPECT_EQ(Entry(), QStringLiteral("ｇａｋｋｏｕ"));
  Press(vk::F8);
  EXPECT_EQ(Entry(), QStringLiteral("gakkou"));
  Press(vk::F6);
  EXPECT_EQ(Entry(), QStringLiteral("がっこう"));
  Press(vk::F8);
  EXPECT_EQ(Entry(), QStringLiteral("ｶﾞｯｺｳ"));
  EXPECT_EQ(Press(vk::F10), 0);
  EXPECT_EQ(Entry(), QStringLiteral("gakkou"));
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
  // Backspace goes back to the reading, no longer converting.
  Type(QStringLiteral("\b"));
  EXPECT_EQ(Entry(), QStringLiteral("がっこう"));
  EXPECT_FALSE(page->state().Converting);
  ExpectLook(SysColor::Highlight, SysColor::BtnFace);
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(DrillConversion, OneCandidateIsSwappedWithTheReading) {
  StartTyped({kGakkou, kKisha}, QStringLiteral("gakkou"));
  Type(QStringLiteral(" "));
  EXPECT_EQ(Entry(), QStringLiteral("学校"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("確定"));
  ExpectConvertingLook();
  Type(QStringLiteral(" "));
  EXPECT_EQ(Entry(), QStringLiteral("がっこう"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  Type(QStringLiteral(" "));
  EXPECT_EQ(Entry(), QStringLiteral("学校"));
  EXPECT_FALSE(page->ListBox1.visible);
  EXPECT_EQ(page->Edit2.text(), QString());
  // Enter confirms, Enter goes on.
  Type(QStringLiteral("\r"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("次へ"));
  ExpectLook(SysColor::WindowText, SysColor::BtnFace);
  Type(QStringLiteral("\r"));
  EXPECT_EQ(page->Label43.caption, QStringLiteral("記者"));
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(DrillConversion, ThreeCandidatesOpenTheListAndSpaceRunsThrough) {
  StartTyped({kKisha}, QStringLiteral("kisha"));
  Type(QStringLiteral(" "));
  EXPECT_EQ(Entry(), QStringLiteral("記者"));
  EXPECT_FALSE(ListOpen());
  Type(QStringLiteral(" "));
  ASSERT_TRUE(ListOpen());
  EXPECT_EQ(page->ListBox1.items, (QStringList{"記者", "汽車", "貴社"}));
  EXPECT_EQ(page->ListBox1.itemIndex, 0);
  EXPECT_EQ(platform.focus.back(), QStringLiteral("ListBox1"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("確定"));
  // Moving the highlight leaves the entry alone.
  EXPECT_FALSE(ListPress(vk::Space));
  EXPECT_EQ(page->ListBox1.itemIndex, 1);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  EXPECT_EQ(Entry(), QStringLiteral("記者"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("記者"));
  ListPress(vk::Space);
  EXPECT_EQ(page->ListBox1.itemIndex, 2);
  ListPress(vk::Up);
  EXPECT_EQ(page->ListBox1.itemIndex, 1);
  ListPress(vk::Space);
  // Space on the last closes the list and shows the reading, still converting.
  EXPECT_FALSE(ListPress(vk::Space));
  EXPECT_FALSE(ListOpen());
  EXPECT_EQ(Entry(), QStringLiteral("きしゃ"));
  EXPECT_TRUE(page->state().Converting);
  ExpectConvertingLook();
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
  // Up on the first one closes too; so do Left and Right.
  Type(QStringLiteral(" "));
  ASSERT_TRUE(ListOpen());
  ListPress(vk::Up);
  EXPECT_FALSE(ListOpen());
  EXPECT_EQ(Entry(), QStringLiteral("きしゃ"));
  for (int key : {vk::Left, vk::Right}) {
    Type(QStringLiteral(" "));
    ASSERT_TRUE(ListOpen());
    EXPECT_FALSE(ListPress(key));
    EXPECT_FALSE(ListOpen());
    EXPECT_TRUE(page->state().Converting);
  }
  // Backspace in the list leaves converting altogether.
  Type(QStringLiteral(" "));
  ListPress(vk::Back);
  EXPECT_FALSE(ListOpen());
  EXPECT_FALSE(page->state().Converting);
  ExpectLook(SysColor::Highlight, SysColor::BtnFace);
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(DrillConversion, AfterKatakanaTheSpaceBarOpensTheListAtOnce) {
  StartTyped({kKisha, kGakkou}, QStringLiteral("kisha"));
  Press(vk::F7);
  EXPECT_EQ(Entry(), QStringLiteral("キシャ"));
  Type(QStringLiteral(" "));
  ASSERT_TRUE(ListOpen());
  EXPECT_EQ(page->ListBox1.itemIndex, 0);
  EXPECT_EQ(Entry(), QStringLiteral("キシャ"));
  ListPress(vk::Down);
  Type(QStringLiteral("\r"));
  // One candidate: F7 then space shows it.
  Type(QStringLiteral("gakkou"));
  Press(vk::F7);
  Type(QStringLiteral(" "));
  EXPECT_EQ(Entry(), QStringLiteral("学校"));
  EXPECT_FALSE(ListOpen());
}

TEST_F(DrillConversion, AWrongCandidateIsTakenBackWithCtrlBackspace) {
  StartTyped({kKisha}, QStringLiteral("kisha"));
  Type(QStringLiteral("  "));
  ListPress(vk::Space);
  ListPress(vk::Down);
  EXPECT_FALSE(ListOpen());
  EXPECT_TRUE(page->state().Confirmed);
  EXPECT_EQ(Entry(), QStringLiteral("汽車"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("取消"));
  ExpectLook(SysColor::WindowText, SysColor::BtnFace);
  Type(QStringLiteral("\r"));
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("取消"));
  // A plain Backspace does nothing to a confirmed entry; with Ctrl it reopens it.
  Press(vk::Back);
  EXPECT_TRUE(page->state().Confirmed);
  Press(vk::Back, ssCtrl);
  EXPECT_FALSE(page->state().Confirmed);
  EXPECT_EQ(Entry(), QStringLiteral("汽車"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  ExpectConvertingLook();
  // Converting goes on from the confirmed entry: the list opens on it.
  Type(QStringLiteral(" "));
  ASSERT_TRUE(ListOpen());
  EXPECT_EQ(page->ListBox1.itemIndex, 1);
  ListPress(vk::Up);
  // Enter in the list takes the candidate and confirms it: one more Enter goes on.
  ListPress(vk::Return);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("次へ"));
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
  Type(QStringLiteral("\r"));
  EXPECT_EQ(page->state().ReadingDone, false);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("入力"));
  EXPECT_EQ(platform.beeps, 1);
}

TEST_F(DrillConversion, DownConfirmsWhateverIsShown) {
  StartTyped({kGakkou}, QStringLiteral("gakkou"));
  EXPECT_EQ(Press(vk::Down), vk::Down);
  EXPECT_TRUE(page->state().Confirmed);
  EXPECT_EQ(Entry(), QStringLiteral("がっこう"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("取消"));
}

TEST_F(DrillConversion, ClickingACandidateConfirmsIt) {
  StartTyped({kKisha, kGakkou}, QStringLiteral("kisha"));
  Type(QStringLiteral("  "));
  page->ListBox1.itemIndex = 2;
  page->ListBox1Click();
  EXPECT_FALSE(ListOpen());
  EXPECT_EQ(Entry(), QStringLiteral("貴社"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("取消"));
  Press(vk::Back, ssCtrl);
  Type(QStringLiteral(" "));
  page->ListBox1.itemIndex = 0;
  page->ListBox1Click();
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("次へ"));
  Type(QStringLiteral("\r"));
  EXPECT_EQ(page->Label43.caption, QStringLiteral("学校"));
  // A click on a closed list does nothing.
  page->ListBox1Click();
  EXPECT_FALSE(page->state().Confirmed);
}

TEST_F(DrillConversion, FunctionKeysAreDiscardedOutsideConversion) {
  data.conversionWords = {kGakkou, QStringLiteral("かな,かな,1,0,1,0,かな")};
  StartOnCourse(5);
  Type(QStringLiteral("ga"));
  for (int key = vk::F1; key <= vk::F12; ++key) EXPECT_EQ(Press(key), 0) << key;
  EXPECT_EQ(Press(vk::F4, ssAlt), vk::F4);
  EXPECT_EQ(Press(vk::Down), vk::Down);
  EXPECT_FALSE(page->state().Confirmed);
  // Confirmed: the function keys are discarded again and change nothing.
  Type(QStringLiteral("kkou\r"));
  EXPECT_EQ(Press(vk::F7), 0);
  EXPECT_EQ(Entry(), QStringLiteral("がっこう"));
  // A reading-only item never converts.
  platform.randoms = {1};
  page->CheckBox1.click();
  ASSERT_TRUE(page->state().ReadingOnly);
  Type(QStringLiteral("kana"));
  EXPECT_EQ(Press(vk::F7), 0);
  Type(QStringLiteral(" "));
  EXPECT_EQ(Entry(), QStringLiteral("かな"));
  EXPECT_FALSE(page->state().Converting);
}

TEST_F(DrillConversion, TheListDiscardsItsKeysAndLeavesTheRest) {
  StartTyped({kKisha}, QStringLiteral("kisha"));
  Type(QStringLiteral("  "));
  for (int key = vk::F1; key <= vk::F12; ++key) EXPECT_FALSE(ListPress(key)) << key;
  EXPECT_TRUE(ListOpen());
  EXPECT_TRUE(ListPress(36));  // Home moves the highlight in the list itself
  EXPECT_TRUE(ListPress('A'));
  EXPECT_TRUE(ListOpen());
  EXPECT_EQ(page->ListBox1.itemIndex, 0);
}

}  // namespace
