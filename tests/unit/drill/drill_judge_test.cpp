// The romaji judge: every key is taken, refused with a beep, or completes a unit.
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

class DrillJudge : public DrillTest {
 protected:
  // Course 4 starts on かな; a second course-4 list makes other readings current.
  void StartOnWord(const QString& item) {
    data.kanaWords = {item, QStringLiteral(R"("ほん","ほん",1,0,0,1,"ほん")")};
    StartOnCourse(4);
  }
};

TEST_F(DrillJudge, KanaShowsAsKanaAndTheUnitBeingTypedAsRomaji) {
  StartOnCourse(4);
  ASSERT_EQ(page->Label43.caption, QStringLiteral("かな"));
  EXPECT_EQ(page->Label44.caption, QStringLiteral("ka"));
  Type(QStringLiteral("k"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("k"));
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("k"));
  Type(QStringLiteral("a"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("か"));
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_EQ(page->Label44.caption, QStringLiteral("na"));
  Type(QStringLiteral("n"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("かn"));
  Type(QStringLiteral("q"));
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("n"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("かn"));
  EXPECT_EQ(page->state().DoneRomaji, QStringLiteral("ka"));
  // The last unit finishes the item and the next one is shown, its box and line empty.
  Type(QStringLiteral("a"));
  EXPECT_EQ(page->Label43.caption, QStringLiteral("きゃく"));
  EXPECT_EQ(page->Label1.caption, QString());
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("入力"));
  EXPECT_EQ(platform.beeps, 1);
}

TEST_F(DrillJudge, OtherFormsAndTheLongestUnit) {
  StartOnWord(QStringLiteral(R"("きゃく","きゃく",1,0,0,1,"きゃく")"));
  EXPECT_EQ(page->state().KanaUnit, QStringLiteral("きゃ"));
  Type(QStringLiteral("kya"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("きゃ"));
  Type(QStringLiteral("cu"));  // the second form of く
  EXPECT_EQ(page->Label43.caption, QStringLiteral("ほん"));
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(DrillJudge, BackspaceTakesALetterButNeverEmptiesTheBox) {
  StartOnWord(QStringLiteral(R"("しゃ","しゃ",1,0,0,1,"しゃ")"));
  Type(QStringLiteral("sh"));
  Type(QStringLiteral("\b"));
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("s"));
  EXPECT_EQ(platform.beeps, 0);
  // The box would be empty: refused, and the letter comes back. The restored
  // text is judged again and is still a good beginning.
  Type(QStringLiteral("\b"));
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("s"));
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(page->Label1.caption, QStringLiteral("s"));
  Type(QStringLiteral("ya"));
  EXPECT_EQ(page->Label43.caption, QStringLiteral("ほん"));
}

TEST_F(DrillJudge, AWrongFirstKeyBeepsTwiceAndStartsTheClock) {
  StartOnCourse(4);
  platform.now = 45000.25;
  Type(QStringLiteral("q"));
  // The restored empty text is judged too, and an empty text never matches.
  EXPECT_EQ(platform.beeps, 2);
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_DOUBLE_EQ(page->state().RunStart, 45000.25);
}

TEST_F(DrillJudge, NBeforeNnCompletesOnlyWithTheLongerForm) {
  StartOnWord(QStringLiteral(R"("ほん","ほん",1,0,0,1,"ほん")"));
  Type(QStringLiteral("hon"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("ほn"));
  EXPECT_EQ(page->state().ItemIndex, 0);
  Type(QStringLiteral("n"));
  EXPECT_EQ(page->state().ItemIndex, 1);
}

TEST_F(DrillJudge, ConversionReadingDoneSwallowsKeysAndKeepsTheReading) {
  StartOnCourse(5);
  Type(QStringLiteral("gakkou"));
  EXPECT_TRUE(page->state().ReadingDone);
  EXPECT_EQ(page->state().DoneText, QStringLiteral("がっこう"));
  EXPECT_EQ(page->state().DoneRomaji, QStringLiteral("gakkou"));
  EXPECT_FALSE(page->Label44.visible);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("がっこう"));
  // A good beginning or a whole form of the last unit vanishes from the box.
  Type(QStringLiteral("w"));
  EXPECT_EQ(page->Edit2.text(), QString());
  Type(QStringLiteral("u"));
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_EQ(platform.beeps, 0);
  // Other keys beep.
  Type(QStringLiteral("q"));
  EXPECT_GE(platform.beeps, 1);
  EXPECT_EQ(page->Edit2.text(), QString());
  EXPECT_EQ(page->Label1.caption, QStringLiteral("がっこう"));
  EXPECT_EQ(page->state().DoneText, QStringLiteral("がっこう"));
}

TEST_F(DrillJudge, TheHintFollowsTheUnitAndTheRomaOption) {
  StartOnCourse(3);
  EXPECT_TRUE(page->Label44.visible);
  EXPECT_EQ(page->Label44.caption, QStringLiteral("ka"));
  page->CheckBox4.click();
  EXPECT_FALSE(page->Label44.visible);
  EXPECT_FALSE(settings.Viewroma);
  page->CheckBox4.click();
  EXPECT_TRUE(page->Label44.visible);
  // Letter items never allow it.
  page->RadioButtonClick(1);
  EXPECT_FALSE(page->Label44.visible);
}

}  // namespace
