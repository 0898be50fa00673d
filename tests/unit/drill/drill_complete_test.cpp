// Finishing items: the run's characters, time and speed, the stored speed
// and the grade mark, the next item, and what Enter does at each step.
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

class DrillComplete : public DrillTest {
 protected:
  // Course 4 made of one item whose question has `chars` characters and
  // whose reading is the single letter a.
  void StartWithQuestionOf(int chars) {
    const QString question(chars, QChar(u'字'));
    data.kanaWords = {QStringLiteral("%1,a,0,0,0,1,%1").arg(question)};
    StartOnCourse(4);
  }
  // Starts the clock with a refused key, waits, then finishes the item.
  void FinishAfter(double seconds) {
    Type(QStringLiteral("q"));
    platform.Advance(seconds);
    Type(QStringLiteral("a"));
  }
};

TEST_F(DrillComplete, SpeedIsCharactersPerMinuteTruncated) {
  StartWithQuestionOf(45);
  FinishAfter(90);
  EXPECT_EQ(page->Label3.caption, QStringLiteral("45　字"));
  EXPECT_EQ(page->Label4.caption, QStringLiteral("0:1:30"));
  EXPECT_EQ(page->Label2.caption, QStringLiteral("30　字／分"));
  EXPECT_EQ(settings.RecordedSpeed(4), 30);
  // 25 of 15-25: the top mark for course 4, the others untouched.
  EXPECT_EQ(page->Label20.caption, QStringLiteral("◎"));
  EXPECT_EQ(page->Label19.caption, QStringLiteral("×"));
}

TEST_F(DrillComplete, FiftyCharactersInNinetySecondsGiveThirtyThree) {
  StartWithQuestionOf(50);
  FinishAfter(90);
  EXPECT_EQ(page->Label2.caption, QStringLiteral("33　字／分"));
  EXPECT_EQ(settings.RecordedSpeed(4), 33);
}

TEST_F(DrillComplete, AFirstSecondCountsAsOneSecond) {
  StartWithQuestionOf(12);
  FinishAfter(0.6);
  EXPECT_EQ(page->Label4.caption, QStringLiteral("0:0:0"));
  EXPECT_EQ(page->Label2.caption, QStringLiteral("720　字／分"));
  // Too short a run to be stored, and the mark still follows the stored speed.
  EXPECT_EQ(settings.RecordedSpeed(4), 0);
  EXPECT_EQ(page->Label20.caption, QStringLiteral("×"));
}

TEST_F(DrillComplete, OnlyARunOfTheWarmUpTimeIsStored) {
  StartWithQuestionOf(10);
  FinishAfter(29.9);
  EXPECT_EQ(page->Label4.caption, QStringLiteral("0:0:29"));
  EXPECT_EQ(page->Label2.caption, QStringLiteral("20　字／分"));
  EXPECT_EQ(settings.RecordedSpeed(4), 0);
  // The run goes on across items: 20 characters in exactly 30 seconds.
  platform.Advance(0.1);
  Type(QStringLiteral("a"));
  EXPECT_EQ(page->Label3.caption, QStringLiteral("20　字"));
  EXPECT_EQ(page->Label4.caption, QStringLiteral("0:0:30"));
  EXPECT_EQ(settings.RecordedSpeed(4), 40);
  // The latest speed replaces the stored one, even when it is lower.
  platform.Advance(90);
  Type(QStringLiteral("a"));
  EXPECT_EQ(settings.RecordedSpeed(4), 15);
  EXPECT_EQ(page->Label20.caption, QStringLiteral("○"));
}

TEST_F(DrillComplete, HoursWrapAtADay) {
  StartWithQuestionOf(61);
  FinishAfter(25 * 3600 + 60);
  EXPECT_EQ(page->Label4.caption, QStringLiteral("1:1:0"));
  EXPECT_EQ(page->Label2.caption, QStringLiteral("1　字／分"));
}

TEST_F(DrillComplete, ListOrderWrapsAndRandomOrderDrawsWithReplacement) {
  StartOnCourse(1);
  Type(QStringLiteral("abc"));
  EXPECT_EQ(page->state().ItemIndex, 0);
  EXPECT_EQ(platform.beeps, 0);
  platform.randoms = {2, 1, 1};
  page->CheckBox1.click();  // RANDUM draws at once
  EXPECT_EQ(page->state().ItemIndex, 2);
  Type(QStringLiteral("c"));
  EXPECT_EQ(page->state().ItemIndex, 1);
  Type(QStringLiteral("b"));
  EXPECT_EQ(page->state().ItemIndex, 1);
  EXPECT_EQ(platform.randomRanges.back(), 3);
}

TEST_F(DrillComplete, EnterInTheMiddleOfAReadingChangesNothing) {
  StartOnCourse(4);
  Type(QStringLiteral("k\r"));
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("k"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("k"));
  Type(QStringLiteral("a\r"));
  EXPECT_EQ(page->Label1.caption, QStringLiteral("か"));
  EXPECT_EQ(page->state().ItemIndex, 0);
  EXPECT_EQ(platform.beeps, 0);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("入力"));
}

TEST_F(DrillComplete, EnterConfirmsThenGoesOnOrBeeps) {
  data.conversionWords = {QStringLiteral("かな,かな,1,1,0,0,かな"), QStringLiteral("かな,かな,1,1,1,0,かな"),
                          QStringLiteral("仮名,かな,1,1,1,0,仮名"),
                          QStringLiteral("学校,がっこう,1,1,0,0,学校")};
  StartOnCourse(5);
  EXPECT_EQ(page->Label1.font, Colour::Sys(SysColor::Highlight));
  Type(QStringLiteral("kana"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("確定"));
  Type(QStringLiteral("\r"));
  EXPECT_TRUE(page->state().Confirmed);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("次へ"));
  EXPECT_EQ(page->Label1.font, Colour::Sys(SysColor::WindowText));
  EXPECT_EQ(page->Label1.background, Colour::Sys(SysColor::BtnFace));
  // Finished by Enter, the box was already empty: the line keeps the entry
  // until the next key.
  Type(QStringLiteral("\r"));
  EXPECT_EQ(page->state().ItemIndex, 1);
  EXPECT_EQ(page->Label1.caption, QStringLiteral("かな"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("入力"));

  // Reading-only and right: one Enter goes on.
  EXPECT_EQ(page->Label1.font, Colour::Sys(SysColor::WindowText));
  Type(QStringLiteral("kana"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("次へ"));
  Type(QStringLiteral("\r"));
  EXPECT_EQ(page->state().ItemIndex, 2);

  // Reading-only and different from the question: Enter only beeps.
  Type(QStringLiteral("kana"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  Type(QStringLiteral("\r\r"));
  EXPECT_EQ(platform.beeps, 2);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("取消"));
  EXPECT_EQ(page->state().ItemIndex, 2);
  // Only RESET (or another course) leaves it.
  page->Button3Click();
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("入力"));
  EXPECT_EQ(page->state().ItemIndex, 2);
}

TEST_F(DrillComplete, AConfirmedWrongEntryBeepsAndStays) {
  StartOnCourse(5);
  Type(QStringLiteral("gakkou"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("変換"));
  Type(QStringLiteral("\r"));
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("取消"));
  EXPECT_EQ(platform.beeps, 0);
  Type(QStringLiteral("\r"));
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(page->Panel1.caption, QStringLiteral("取消"));
  EXPECT_EQ(page->state().ItemIndex, 0);
}

TEST_F(DrillComplete, EveryCourseOfTheSmallDataCanBePlayedThrough) {
  for (int n : {1, 2, 3, 4}) {
    page.reset();
    StartOnCourse(n);
    const int count = page->state().ItemCount;
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(page->state().ItemIndex, i);
      TypeReadingByHints();
    }
    EXPECT_EQ(page->state().ItemIndex, 0) << "course " << n;
    EXPECT_FALSE(page->Label3.caption.isEmpty());
  }
  EXPECT_EQ(platform.beeps, 0);
}

}  // namespace
