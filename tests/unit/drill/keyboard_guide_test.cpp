// The keyboard guide: which key and finger each character needs in romaji
// and in かな入力, what the guide shows for the drill and 実践, the pass's
// summary and advice, and where its window goes.
#include "drill/keyboard_guide.h"

#include <QFile>
#include <QTemporaryDir>
#include <string_view>

#include "history/history_records.h"
#include "support/shipped_data.h"
#include "typing/typing_page.h"
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

const KeyboardLayout& Jis() { return ShippedPracticeData().keyboards.jis; }
QString Top(KeyStroke s) { return Jis().keys()[size_t(s.key)].top; }
Finger FingerOf(int key) { return Jis().keys()[size_t(key)].finger; }
KeyStroke StrokeOf(QChar c) { return Jis().StrokeOf(c); }
int ShiftFor(int key) { return Jis().ShiftFor(key); }
KeyboardGuide JisGuide() {
  KeyboardGuide guide;
  guide.SetLayout(&Jis());
  return guide;
}

TEST(KeyboardGuideKeys, EachColumnBelongsToItsFinger) {
  const std::pair<const char*, Finger> columns[] = {
      {"1qaz", Finger::LeftPinky},     {"2wsx", Finger::LeftRing},         {"3edc", Finger::LeftMiddle},
      {"45rtfgvb", Finger::LeftIndex}, {"67yuhjnm", Finger::RightIndex},   {"8ik,", Finger::RightMiddle},
      {"9ol.", Finger::RightRing},     {"0-^p@[;:]/", Finger::RightPinky}, {" ", Finger::Thumb},
  };
  for (const auto& [keys, finger] : columns) {
    for (const char c : std::string_view(keys)) {
      const KeyStroke s = StrokeOf(QLatin1Char(c));
      ASSERT_GE(s.key, 0) << c;
      EXPECT_EQ(FingerOf(s.key), finger) << c;
      EXPECT_FALSE(s.shift) << c;
    }
  }
  EXPECT_EQ(FingerName(Finger::LeftPinky), QStringLiteral("左小指"));
  EXPECT_EQ(FingerName(Finger::RightIndex), QStringLiteral("右人差し指"));
  // The home position is felt on F and J alone.
  int bumps = 0;
  for (const KeyCap& k : Jis().keys()) bumps += k.bump ? 1 : 0;
  EXPECT_EQ(bumps, 2);
  EXPECT_TRUE(Jis().keys()[size_t(StrokeOf(u'f').key)].bump);
  EXPECT_TRUE(Jis().keys()[size_t(StrokeOf(u'j').key)].bump);
}

TEST(KeyboardGuideKeys, ShiftedCharactersAndKanaFindTheirJisKeys) {
  // Upper case and the JIS signs take Shift, pressed by the other hand.
  const KeyStroke upperA = StrokeOf(u'A');
  EXPECT_EQ(Top(upperA), QStringLiteral("A"));
  EXPECT_TRUE(upperA.shift);
  EXPECT_EQ(FingerOf(ShiftFor(upperA.key)), Finger::RightPinky);
  EXPECT_EQ(FingerOf(ShiftFor(StrokeOf(u'?').key)), Finger::LeftPinky);
  EXPECT_EQ(Top(StrokeOf(u'"')), QStringLiteral("2"));  // not where a US board has it
  EXPECT_EQ(Top(StrokeOf(u'*')), QStringLiteral(":"));
  EXPECT_EQ(Top(StrokeOf(u'_')), QStringLiteral("＼"));
  EXPECT_EQ(Top(StrokeOf(u'ｋ')), QStringLiteral("K"));  // full width as its ASCII key

  // Kana by the key's place: の on K, small ぁ by Shift on 3, ろ beside the right Shift.
  EXPECT_EQ(Top(StrokeOf(u'の')), QStringLiteral("K"));
  EXPECT_FALSE(StrokeOf(u'の').shift);
  EXPECT_EQ(Top(StrokeOf(u'ぁ')), QStringLiteral("3"));
  EXPECT_TRUE(StrokeOf(u'ぁ').shift);
  EXPECT_EQ(Top(StrokeOf(u'ロ')), QStringLiteral("＼"));
  EXPECT_EQ(Top(StrokeOf(u'゛')), QStringLiteral("@"));
  EXPECT_EQ(StrokeOf(u'漢').key, -1);
}

// On US the guide lights US keys: " is Shift and the ' key beside Enter,
// the BS to take a slip out is the US board's own.
TEST(KeyboardGuideFrame, OnAUsKeyboardTheUsKeysAreLit) {
  const KeyboardLayout& us = ShippedPracticeData().keyboards.us;
  KeyboardGuide guide;
  guide.SetLayout(&us);
  GuideFeed feed;
  feed.follows = true;
  feed.next = QStringLiteral("\"");
  GuideFrame frame = guide.Compose(feed, false);
  EXPECT_EQ(frame.keyboard, &us);
  ASSERT_EQ(frame.lit.size(), 2u);
  EXPECT_EQ(us.keys()[size_t(frame.lit[0].key)].top, QStringLiteral("'"));
  EXPECT_EQ(frame.lit[1].finger, Finger::LeftPinky);
  EXPECT_EQ(frame.next.value(0), QStringLiteral("次のキー：'　右小指"));
  feed.backspace = true;
  frame = guide.Compose(feed, false);
  EXPECT_EQ(us.keys()[size_t(frame.lit.at(0).key)].top, QStringLiteral("Backspace"));
}

TEST(KeyboardGuideFrame, TheNextKeyIsLitAndNamedAndARefusedKeyFlashes) {
  KeyboardGuide guide = JisGuide();
  GuideFeed feed;
  feed.follows = true;
  feed.next = QStringLiteral("の");
  feed.done = 12;
  feed.total = 30;
  feed.charsPerMinute = 45;
  feed.keysPerMinute = 120;
  feed.misses = 3;
  feed.refusals = 3;
  feed.refused = QStringLiteral("x");
  feed.seconds = 4.9;  // speeds wait for the pass's first seconds
  GuideFrame frame = guide.Compose(feed, true);
  ASSERT_EQ(frame.lit.size(), 1u);
  EXPECT_EQ(frame.lit[0].finger, Finger::RightMiddle);
  EXPECT_EQ(frame.next, QStringList{QStringLiteral("次のキー：の（K）　右中指")});
  EXPECT_EQ(frame.progress, QStringLiteral("12／30"));
  EXPECT_EQ(frame.figures, (QStringList{QStringLiteral("－ 字／分"), QStringLiteral("ミス 3")}));
  EXPECT_EQ(frame.flash, -1);  // refusals from before the guide opened
  feed.seconds = 5;
  EXPECT_EQ(guide.Compose(feed, true).figures.value(0), QStringLiteral("45 字／分　120 打鍵／分"));

  feed.next = QStringLiteral("!");
  feed.refusals = 4;
  frame = guide.Compose(feed, false);
  ASSERT_EQ(frame.lit.size(), 2u);
  ASSERT_GE(frame.flash, 0);
  EXPECT_EQ(Top({frame.lit[1].key, false}), QStringLiteral("Shift"));
  EXPECT_EQ(frame.lit[1].finger, Finger::RightPinky);
  EXPECT_TRUE(frame.next.contains(QStringLiteral("＋ Shift　右小指")));
  EXPECT_EQ(Top({frame.flash, false}), QStringLiteral("X"));
  EXPECT_EQ(guide.Compose(feed, false).flash, -1);  // once per refusal
}

TEST(KeyboardGuidePass, TheStepFollowsTheMarkAndTheMissesAndAnUnmarkedPassSaysWhy) {
  GuidePass pass{3,   65, 42, QStringLiteral("○"), true, true, {QStringLiteral("しゃ"), QStringLiteral("つ")},
                 100, 10, 30};
  EXPECT_EQ(PassSummaryLines(pass),
            (QStringList{QStringLiteral("コース3 おわり"), QStringLiteral("時間 1分05秒　42 字／分"),
                         QStringLiteral("評価 ○"), QStringLiteral("時間のかかった字：しゃ　つ")}));
  EXPECT_EQ(PassStep(pass), (GuideStep{GuideStep::NextCourse, 4, QStringLiteral("次は コース4")}));
  pass.misses = 11;
  EXPECT_EQ(PassAdvice(pass), QStringLiteral("苦手練習をしよう"));
  pass.misses = 0;
  pass.course = 15;  // かな入力 on course 5: no course after it
  EXPECT_EQ(PassStep(pass).kind, GuideStep::Again);
  // 30 letters in 17 s: shorter than the warm-up, so no mark, and the reason.
  const GuidePass quick{1, 17, 105, UngradedMark(), false, true, {}, 30, 0, 90};
  EXPECT_EQ(PassSummaryLines(quick).at(2), QStringLiteral("評価 計測なし"));
  EXPECT_EQ(PassSummaryLines(quick).at(3), QStringLiteral("1分30秒より短いので計測しません"));
  EXPECT_EQ(PassAdvice(quick), QStringLiteral("もう一度"));
}

class KeyboardGuideDrillTest : public DrillTest {};

TEST_F(KeyboardGuideDrillTest, APassOfTheDrillEndsInItsSummaryAndAdvice) {
  settings.Course01 = {QStringLiteral("1"), QStringLiteral("2")};
  StartOnCourse(1);
  KeyboardGuide guide = JisGuide();
  GuideFrame frame = guide.Compose(FeedFromDrill(*page), false);
  EXPECT_EQ(Top({frame.lit.at(0).key, false}), QStringLiteral("A"));
  EXPECT_EQ(frame.progress, QStringLiteral("0／3"));
  Type(QStringLiteral("a"));
  platform.Advance(30);
  Type(QStringLiteral("bq"));  // q refused
  frame = guide.Compose(FeedFromDrill(*page), false);
  ASSERT_GE(frame.flash, 0);
  EXPECT_EQ(Top({frame.flash, false}), QStringLiteral("Q"));
  EXPECT_EQ(frame.progress, QStringLiteral("2／3"));
  EXPECT_TRUE(frame.summary.isEmpty());
  platform.Advance(30);
  Type(QStringLiteral("c"));
  frame = guide.Compose(FeedFromDrill(*page), false);
  ASSERT_FALSE(frame.summary.isEmpty());
  EXPECT_EQ(frame.summary[0], QStringLiteral("コース1 おわり"));
  // One key in four refused: the weak letters come first.
  EXPECT_EQ(frame.advice, QStringLiteral("苦手練習をしよう"));
  EXPECT_EQ(frame.progress, QStringLiteral("0／3"));

  // The step does what the learner would, and the box has the keyboard.
  platform.focus.clear();
  TakeGuideStep(*page, frame.step);
  EXPECT_TRUE(page->CheckBox5.checked());
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
  EXPECT_TRUE(guide.Compose(FeedFromDrill(*page), false).summary.isEmpty());
}

TEST_F(KeyboardGuideDrillTest, ASummaryGoesWithAnotherCourseAndTheNextCourseStepChoosesIt) {
  settings.Course01 = {QStringLiteral("1"), QStringLiteral("2")};
  StartOnCourse(1);
  KeyboardGuide guide = JisGuide();
  Type(QStringLiteral("ab"));
  platform.Advance(40);
  Type(QStringLiteral("c"));
  const GuideFrame frame = guide.Compose(FeedFromDrill(*page), false);
  ASSERT_EQ(frame.step.kind, GuideStep::NextCourse);
  page->RadioButtonClick(3);
  EXPECT_TRUE(guide.Compose(FeedFromDrill(*page), false).summary.isEmpty());
  TakeGuideStep(*page, frame.step);
  EXPECT_EQ(settings.CourseNo, 1);
  EXPECT_TRUE(page->CourseButton(2).checked);
  EXPECT_FALSE(page->CourseButton(3).checked);
}

TEST(KeyboardGuideFrame, TheFirstStartShowsTheHomePositionUntilTheLearnerBegins) {
  KeyboardGuide guide = JisGuide();
  guide.SetWelcome(true);
  GuideFeed feed;
  feed.follows = true;
  GuideFrame frame = guide.Compose(feed, false);
  EXPECT_EQ(frame.step, WelcomeStep());
  ASSERT_EQ(frame.lit.size(), 2u);
  EXPECT_EQ(Top({frame.lit[0].key, false}), QStringLiteral("F"));
  EXPECT_EQ(Top({frame.lit[1].key, false}), QStringLiteral("J"));
  EXPECT_TRUE(frame.welcome.join(QString()).contains(QStringLiteral("F3")));
  feed.keystrokes = 1;
  EXPECT_TRUE(guide.Compose(feed, false).welcome.isEmpty());
  EXPECT_FALSE(guide.welcome());
}

TEST(KeyboardGuideTyping, TheNextCharacterIsSpelledInTheLearnersNotation) {
  QTemporaryDir dir;
  FakePlatform platform;
  AppSettings settings;
  LoadSettings(settings, false, QString());
  settings.RomajiGuide = static_cast<int>(Notation::Kunrei);
  PracticeData data;
  TypingPage page(settings, data, platform);
  page.FormCreate();
  const QString path = dir.filePath(QStringLiteral("t.txt"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QStringLiteral("がっしゃ").toUtf8());
  file.close();
  platform.dialogAnswers.push_back(path);
  page.Button4Click();

  page.Memo2UserEdit(QStringLiteral("が"));
  GuideFeed feed = FeedFromTyping(page, settings, Jis());
  EXPECT_EQ(feed.next, QStringLiteral("s"));  // っ doubles the next consonant
  page.Memo2UserEdit(QStringLiteral("がっ"));
  feed = FeedFromTyping(page, settings, Jis());
  EXPECT_EQ(feed.shown, QStringLiteral("次の字：しゃ（sya）"));
  EXPECT_EQ(feed.done, 2);
  page.Memo2UserEdit(QStringLiteral("がっさ"));
  EXPECT_TRUE(FeedFromTyping(page, settings, Jis()).backspace);
}

TEST(KeyboardGuideWindow, ItGoesUnderTheMainWindowOrWhereItFitsWithoutCoveringIt) {
  const GuideSizes sizes{QSize(672, 180), QSize(500, 110), QSize(400, 320), QSize(300, 250)};
  const QRect screen(0, 0, 1024, 768);
  auto at = [&](const QRect& main, const QRect& on = QRect(0, 0, 1024, 768)) {
    return PlaceGuide(main, on, sizes);
  };
  // Room below: right under it, at its left edge.
  EXPECT_EQ(at(QRect(176, 100, 672, 466)).rect, QRect(176, 566, 672, 180));
  // The e2e screen's centred window: below, shrunk to the room there.
  EXPECT_EQ(at(QRect(176, 151, 672, 466)).rect, QRect(176, 617, 672, 151));
  // At the foot of the screen: above it.
  EXPECT_EQ(at(QRect(176, 302, 672, 466)).rect, QRect(176, 122, 672, 180));
  // 1366×768 with the window centred: too little room above and below for
  // the whole guide, so tall beside it.
  const GuidePlace beside = at(QRect(347, 100, 672, 568), QRect(0, 0, 1366, 768));
  EXPECT_TRUE(beside.tall);
  EXPECT_EQ(beside.rect, QRect(1019, 100, 347, 320));
  // No room anywhere (2× on 1366×768 is 683×384): whole and on the screen,
  // at its smallest, over the window's foot.
  const QRect small(0, 0, 683, 384);
  const GuidePlace over = at(QRect(0, 0, 672, 384), small);
  EXPECT_TRUE(small.contains(over.rect));
  EXPECT_EQ(over.rect.size(), sizes.wideSmallest);
  EXPECT_EQ(over.rect.bottom(), small.bottom());
}

}  // namespace
