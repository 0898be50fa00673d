// The drill with a school notation chosen: the hint in ヘボン式 or 訓令式,
// planned again from the learner's keys, and the spellings an input method
// takes in context.
#include <QMap>
#include <string>

#include "data/romaji_notation.h"
#include "support/shipped_data.h"
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

QString Katakana(const QString& hiragana) {
  QString text;
  for (const QChar c : hiragana) text.append(QChar(char16_t(c.unicode() + 0x60)));
  return text;
}

// Where the two notations part; every other kana of the table is hinted by
// its line's first form in both. A hiragana row stands for its katakana too.
TEST(RomajiNotationTest, EveryKanaOfTheShippedTableHasAGuideInBothNotationsThatIsTyped) {
  const struct {
    const char16_t* kana;
    const char* hepburn;
    const char* kunrei;
  } parting[] = {
      {u"し", "shi", "si"},        {u"ち", "chi", "ti"},        {u"つ", "tsu", "tu"},
      {u"ふ", "fu", "hu"},         {u"じ", "ji", "zi"},         {u"っ", "xtsu", "xtu"},
      {u"しゃ", "sha", "sya"},     {u"しゅ", "shu", "syu"},     {u"しょ", "sho", "syo"},
      {u"じゃ", "ja", "zya"},      {u"じゅ", "ju", "zyu"},      {u"じょ", "jo", "zyo"},
      {u"ちゃ", "cha", "tya"},     {u"ちゅ", "chu", "tyu"},     {u"ちょ", "cho", "tyo"},
      {u"しぇ", "she", "sye"},     {u"じぇ", "je", "zye"},      {u"ちぇ", "che", "tye"},
      {u"っし", "sshi", "ssi"},    {u"っち", "tchi", "tti"},    {u"っつ", "ttsu", "ttu"},
      {u"ッジ", "jji", "zzi"},     {u"ッフ", "ffu", "hhu"},     {u"っしゃ", "ssha", "ssya"},
      {u"っしゅ", "sshu", "ssyu"}, {u"っしょ", "ssho", "ssyo"}, {u"っちゃ", "tcha", "ttya"},
      {u"っちゅ", "tchu", "ttyu"}, {u"っちょ", "tcho", "ttyo"}, {u"ッジャ", "jja", "zzya"},
  };
  const PracticeData& data = ShippedPracticeData();
  const RomajiNotation spellings(data.kanaRomaTable, data.kanaKeyList);
  QMap<QString, QStringList> expected;
  for (const auto& row : parting) {
    const QString kana = QString::fromUtf16(row.kana);
    const QStringList both{QString::fromLatin1(row.hepburn), QString::fromLatin1(row.kunrei)};
    ASSERT_GE(data.kanaKeyList.IndexOf(kana), 0) << qPrintable(kana);
    expected.insert(kana, both);
    if (kana.at(0) < u'\u30A0') expected.insert(Katakana(kana), both);
  }
  for (int i = kKanaLetterFirst; i < data.kanaRomaTable.count(); ++i) {
    const QString key = data.kanaKeyList.key(i).toString();
    const QString first = KanaUnitLine(data.kanaRomaTable, data.kanaKeyList, key).value(1);
    const QStringList want = expected.value(key, {first, first});
    const QString hepburn = spellings.Plan(Notation::Hepburn, key, {}, {});
    const QString kunrei = spellings.Plan(Notation::Kunrei, key, {}, {});
    EXPECT_EQ(hepburn, want[0]) << qPrintable(key);
    EXPECT_EQ(kunrei, want[1]) << qPrintable(key);
    EXPECT_EQ(spellings.Match(key, {}, hepburn), GuideMatch::Complete) << qPrintable(key);
    EXPECT_EQ(spellings.Match(key, {}, kunrei), GuideMatch::Complete) << qPrintable(key);
  }
}

class DrillGuide : public DrillTest {
 protected:
  DrillGuide() {
    settings = SettingsForShippedData();
    data = ShippedPracticeData();
  }
  // The reading as the only item of course 4, finished by typing alone.
  void StartOnReading(const QString& reading, int guide) {
    data.kanaWords = {QStringLiteral(R"("%1","%1",1,0,0,1,"%1")").arg(reading)};
    settings.RomajiGuide = guide;
    StartOnCourse(4);
  }
};

TEST_F(DrillGuide, ANotationTakesWhatAnInputMethodTakesInContext) {
  const struct {
    int guide;
    const char16_t* reading;
    const char* keys;
    bool finished;
  } cases[] = {
      {1, u"でんしゃ", "densha", true},
      {2, u"かんぱい", "kanpai", true},
      {1, u"さんぽ", "sanpo", true},
      {1, u"こんにちは", "konnnichiha", true},
      {2, u"こんにちは", "kon'nichiha", true},
      {1, u"こんにちは", "konnichiha", false},  // n before n is no ん
      {1, u"ばっぐ", "baggu", true},            // っ by the doubled consonant
      {0, u"でんしゃ", "densha", false},
      {0, u"ばっぐ", "baggu", false},  // the table alone, as always
  };
  for (const auto& c : cases) {
    const QString reading = QString::fromUtf16(c.reading);
    page.reset();
    platform.beeps = 0;
    StartOnReading(reading, c.guide);
    Type(QString::fromLatin1(c.keys));
    EXPECT_EQ(page->state().RunChars > 0, c.finished) << qPrintable(reading) << " " << c.keys;
    EXPECT_EQ(platform.beeps == 0, c.finished) << qPrintable(reading) << " " << c.keys;
  }
}

TEST_F(DrillGuide, SmallKanaByXOrLWhereTheTableLacksThem) {
  data = SmallDrillData();  // っこ is only kko there
  const struct {
    int guide;
    const char* keys;
    bool done;
  } cases[] = {{1, "gaxtukou", true}, {2, "galtsukou", true}, {0, "gaxtukou", false}};
  for (const auto& c : cases) {
    page.reset();
    platform.beeps = 0;
    settings.RomajiGuide = c.guide;
    StartOnCourse(5);  // 学校, がっこう
    Type(QString::fromLatin1(c.keys));
    EXPECT_EQ(page->state().ReadingDone, c.done) << c.keys;
    EXPECT_EQ(platform.beeps == 0, c.done) << c.keys;
  }
}

TEST_F(DrillGuide, TheHintFollowsTheSpellingTheLearnerTypes) {
  const struct {
    int guide;
    const char16_t* reading;
    const char* hints;  // before any key, then after each key of `keys`
    const char* keys;
  } cases[] = {
      {1, u"しゃち", "sha sha sya chi ti", "syat"},     {2, u"しゃち", "sya sya sha ti chi", "shac"},
      {1, u"でんしゃ", "de de n sha sha sha", "densh"},  // ん by n: the hint goes on
      {1, u"まっちゃ", "ma ma tcha tcha ttya", "matt"}, {2, u"まっちゃ", "ma ma ttya ttya tcha", "matc"},
  };
  for (const auto& c : cases) {
    const QString reading = QString::fromUtf16(c.reading);
    page.reset();
    StartOnReading(reading, c.guide);
    QStringList seen{page->Label44.caption};
    for (const char key : std::string(c.keys)) {
      Type(QString(QLatin1Char(key)));
      seen << page->Label44.caption;
    }
    EXPECT_EQ(seen.join(u' '), QString::fromLatin1(c.hints)) << qPrintable(reading);
  }
  EXPECT_EQ(platform.beeps, 0);
}

}  // namespace
