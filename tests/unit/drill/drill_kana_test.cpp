// かな入力: the kana each JIS key types, the keys of a voiced kana, and the
// drill judging, hinting and measuring the kana courses by those keys.
#include "data/kana_keys.h"
#include "history/history_recorder.h"
#include "unit/drill_fixture.h"
#include "unit/history_fixture.h"

using namespace shurencho;

namespace {

TEST(KanaKeys, EveryKeyTypesItsKanaWithAndWithoutShift) {
  // Row by row in JisKey order: number row with ¥, then Q, A and Z rows with ろ.
  const QString plain = QStringLiteral(
      "ぬふあうえおやゆよわほへー"
      "たていすかんなにらせ゛゜"
      "ちとしはきくまのりれけむ"
      "つさそひこみもねるめろ");
  const QString shifted = QStringLiteral(
      "ぬふぁぅぇぉゃゅょをほへー"
      "たてぃすかんなにらせ゛「"
      "ちとしはきくまのりれけ」"
      "っさそひこみも、。・ろ");
  ASSERT_EQ(plain.size(), kJisKeyCount);
  for (int i = 1; i <= kJisKeyCount; ++i) {
    const auto key = static_cast<JisKey>(i);
    EXPECT_EQ(KanaOfKey(key, false), plain.at(i - 1)) << i;
    EXPECT_EQ(KanaOfKey(key, true), shifted.at(i - 1)) << i;
    // Each kana is typed back by its own key.
    EXPECT_EQ(KanaKeyTops(shifted.mid(i - 1, 1)), shifted.mid(i - 1, 1)) << i;
  }
  EXPECT_TRUE(KanaOfKey(JisKey::None, false).isNull());
}

TEST(KanaKeys, AVoicedKanaIsItsBaseKanaThenTheMark) {
  const QString voiced = QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼゔ");
  const QString bases = QStringLiteral("かきくけこさしすせそたちつてとはひふへほう");
  for (qsizetype i = 0; i < voiced.size(); ++i) {
    EXPECT_EQ(KanaKeyTops(voiced.mid(i, 1)), bases.mid(i, 1) + u'゛') << i;
  }
  const QString semi = QStringLiteral("ぱぴぷぺぽ");
  for (qsizetype i = 0; i < semi.size(); ++i) {
    EXPECT_EQ(KanaKeyTops(semi.mid(i, 1)), QStringLiteral("はひふへほ").mid(i, 1) + u'゜') << i;
  }
  const QList<KanaStroke> ba{{JisKey::F, false}, {JisKey::At, false}};
  EXPECT_EQ(KanaStrokes(QStringLiteral("ば")), ba);
  // Katakana as hiragana; small kana without a key as their full size.
  EXPECT_EQ(KanaKeyTops(QStringLiteral("ヴャー")), QStringLiteral("う゛ゃー"));
  EXPECT_EQ(KanaKeyTops(QStringLiteral("ヵ")), QStringLiteral("か"));
  EXPECT_TRUE(KanaStrokes(QStringLiteral("aか")).isEmpty());
}

class DrillKana : public DrillTest {
 protected:
  void StartKana(int course) {
    StartOnCourse(course);
    page->KanaInputClick(true);
  }
  // A key at a place on the keyboard; whatever character the keyboard map
  // gives it, the box gets the key's kana from the page.
  void Key(JisKey key, bool shift = false) {
    if (page->Edit2Key(vk::Punctuation, shift ? ShiftState{ssShift} : 0, QChar(u'x'), key)) {
      page->Edit2.setText(page->Edit2.text() + u'x');
    }
  }
};

TEST_F(DrillKana, UnitsAreTypedByTheirKeysAndHintedByTheirKeyTops) {
  data.kanaWords = {R"("バー","ばー",1,0,0,1,"バー")", R"("きゃ","きゃ",1,0,0,1,"きゃ")"};
  StartKana(4);
  EXPECT_EQ(page->Label44.caption, QStringLiteral("「は」「゛」"));
  Key(JisKey::F);
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("は"));
  Key(JisKey::LeftBracket);  // ゜: ぱ is not ば
  EXPECT_EQ(platform.beeps, 1);
  EXPECT_EQ(page->Edit2.text(), QStringLiteral("は"));
  Key(JisKey::At);
  EXPECT_EQ(page->Label1.caption, QStringLiteral("ば"));
  EXPECT_EQ(page->Label44.caption, QStringLiteral("「ー」"));
  Key(JisKey::Yen);
  ASSERT_EQ(page->state().Item.question, QStringLiteral("きゃ"));
  EXPECT_EQ(page->Label44.caption, QStringLiteral("「き」「ゃ」"));
  Key(JisKey::G);
  Key(JisKey::Digit7, true);
  EXPECT_EQ(page->state().Item.question, QStringLiteral("バー"));
  EXPECT_EQ(platform.beeps, 1);

  // Text without a key (an input method's) is refused, even the right kana.
  EXPECT_FALSE(page->Edit2Key(vk::Punctuation, 0, QChar(u'は')));
  EXPECT_EQ(platform.beeps, 2);
  EXPECT_TRUE(page->Edit2.text().isEmpty());
}

TEST_F(DrillKana, AKanaRunIsStoredAndGradedApartFromRomaji) {
  data.kanaWords = {QStringLiteral("%1,か,0,0,0,1,%1").arg(QString(45, QChar(u'字')))};
  settings.KeySpeed[3] = QStringLiteral("12");
  StartKana(4);
  HistoryRecorder recorder{platform};
  MemoryStore store;
  recorder.Attach(&store);
  page->SetHistory(&recorder);
  Key(JisKey::Q);  // refused, but the clock starts
  platform.Advance(90);
  Key(JisKey::T);
  EXPECT_EQ(page->Label2.caption, QStringLiteral("30　字／分"));
  EXPECT_EQ(settings.KanaSpeed.value(3), QStringLiteral("30"));
  EXPECT_EQ(settings.KeySpeed.value(3), QStringLiteral("12"));
  EXPECT_EQ(page->Label20.caption, QStringLiteral("◎"));
  EXPECT_EQ(page->Label5.caption, QStringLiteral("かな入力　単語入力練習"));
  page->KanaInputClick(false);  // ends the run
  EXPECT_EQ(page->Label5.caption, settings.CourseName04);
  // The history keeps the kana run as a course of its own.
  const HistoryBatch all = store.All();
  ASSERT_EQ(all.runs.size(), 1);
  EXPECT_EQ(all.runs[0].course, 14);
  ASSERT_EQ(all.misses.size(), 1);
  EXPECT_EQ(all.misses[0].key, QStringLiteral("た"));
  EXPECT_EQ(all.misses[0].expected, QStringLiteral("か"));
  EXPECT_EQ(page->Label20.caption, QStringLiteral("×"));
  EXPECT_EQ(page->Label44.caption, QStringLiteral("ka"));
}

}  // namespace
