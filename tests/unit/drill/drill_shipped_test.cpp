// Every item of the shipped courses played to its right answer with the keys
// a learner uses: the data and the drill checked together.
#include <iterator>
#include <utility>

#include "support/shipped_data.h"
#include "text/width_convert.h"
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

class DrillShipped : public DrillTest {
 protected:
  DrillShipped() {
    settings = SettingsForShippedData();
    data = ShippedPracticeData();
  }

  // Expects the item after `index` to be current, waiting for its reading.
  void ExpectNextItem(int index) {
    const DrillState& s = page->state();
    EXPECT_EQ(s.ItemIndex, (index + 1) % s.ItemCount) << "after item " << index;
    EXPECT_FALSE(s.ReadingDone);
    EXPECT_EQ(page->Panel1.caption, QStringLiteral("入力"));
  }

  // Converts the typed reading of a course 5 item into its question.
  void Convert() {
    const DrillState& s = page->state();
    const QString target = s.QuestionText;
    const QStringList& candidates = s.Item.candidates;
    if (s.DoneText == target) return;  // the reading is the answer
    if (candidates.contains(target)) {
      Type(QStringLiteral(" "));
      if (s.DoneText == target) return;
      Type(QStringLiteral(" "));
      ASSERT_TRUE(page->ListBox1.enabled);
      for (int guard = 0; guard < candidates.size() && candidates.value(page->ListBox1.itemIndex) != target;
           ++guard) {
        ListPress(vk::Space);
      }
      EXPECT_EQ(page->Panel1.caption, QStringLiteral("確定"));
      ListPress(vk::Return);  // takes and confirms the candidate
    } else if (target == ToFullWidth(s.DoneRomaji)) {
      Press(vk::F9);
    } else if (target == s.DoneRomaji) {
      Press(vk::F10);
    } else if (target == ToFullWidth(ToHalfWidth(s.Reading))) {
      Press(vk::F7);
    } else if (target == ToHalfWidth(s.Reading)) {
      Press(vk::F8);
    } else {
      FAIL() << "no key reaches " << qPrintable(target);
    }
  }

  // Types the reading by what the hint shows, leaving out the letters
  // already in the box, until the reading is done or the item has moved on.
  void TypeReadingByGuide() {
    const DrillState& s = page->state();
    for (int guard = 0; guard < 64; ++guard) {
      const QString hint = page->Label44.caption;
      const QString typed = s.PendingShown();
      const int beeps = platform.beeps;
      Type(hint.startsWith(typed) ? hint.mid(typed.size()) : hint);
      ASSERT_EQ(platform.beeps, beeps) << "refused: " << qPrintable(hint) << " in " << qPrintable(s.Reading);
      if (s.ReadingDone || (s.DoneText.isEmpty() && s.PendingShown().isEmpty())) return;
    }
    FAIL() << "the reading never ended";
  }

  void PlayConversionItem(bool byGuide = false) {
    const DrillState& s = page->state();
    const int index = s.ItemIndex;
    const QString item = s.ActiveItems.value(index).question;
    const bool byTypingAlone = s.NoConversion;
    if (byGuide) {
      TypeReadingByGuide();
    } else {
      TypeReadingByHints();
    }
    if (byTypingAlone) {
      ExpectNextItem(index);
      return;
    }
    ASSERT_TRUE(s.ReadingDone) << qPrintable(item);
    if (!s.ReadingOnly) {
      Convert();
      if (!s.Confirmed) {
        EXPECT_EQ(page->Panel1.caption, QStringLiteral("確定")) << qPrintable(item);
        Type(QStringLiteral("\r"));
      }
    }
    EXPECT_EQ(page->Panel1.caption, QStringLiteral("次へ")) << qPrintable(item);
    Type(QStringLiteral("\r"));
    ExpectNextItem(index);
  }
};

TEST_F(DrillShipped, EveryConversionItemCanBeAnswered) {
  StartOnCourse(5);
  const int count = page->state().ItemCount;
  ASSERT_GT(count, 0);
  for (int i = 0; i < count && !HasFatalFailure(); ++i) PlayConversionItem();
  EXPECT_EQ(page->state().ItemIndex, 0);
  EXPECT_EQ(platform.beeps, 0);
}

TEST_F(DrillShipped, EveryItemOfTheTypingCoursesCanBeTypedByItsHints) {
  for (int n = 1; n <= 4; ++n) {
    page.reset();
    StartOnCourse(n);
    const int count = page->state().ItemCount;
    ASSERT_GT(count, 0);
    for (int i = 0; i < count && !HasFatalFailure(); ++i) {
      TypeReadingByHints();
      ExpectNextItem(i);
    }
  }
  EXPECT_EQ(platform.beeps, 0);
}

// Each notation's hint, typed as shown, goes through every kana item,
// context spellings (ん by n, っ by a doubled consonant) included.
TEST_F(DrillShipped, EveryKanaItemCanBeTypedByItsGuideInBothNotations) {
  for (const int guide : {1, 2}) {
    for (int n = 3; n <= 5; ++n) {
      page.reset();
      settings.RomajiGuide = guide;
      StartOnCourse(n);
      const int count = page->state().ItemCount;
      for (int i = 0; i < count && !HasFatalFailure(); ++i) PlayConversionItem(true);
    }
  }
  EXPECT_EQ(platform.beeps, 0);
}

// The sounds of loanwords, in both kana where CP932 has them.
const char16_t kLoanwordUnits[] =
    u"ふぁ ふぃ ふぇ ふぉ ふゅ てぃ でぃ てゅ でゅ とぅ どぅ しぇ じぇ ちぇ "
    u"つぁ つぃ つぇ つぉ いぇ うぃ うぇ うぉ くぁ くぃ くぇ くぉ ぐぁ "
    u"ファ フィ フェ フォ フュ ティ ディ テュ デュ トゥ ドゥ シェ ジェ チェ "
    u"ツァ ツィ ツェ ツォ イェ ウィ ウェ ウォ クァ クィ クェ クォ グァ ヴ ヴァ ヴィ ヴェ ヴォ ヴュ";

CourseItem TypedAlone(const QString& reading) {
  return CourseItem(QStringLiteral("\"%1\",\"%1\",1,0,0,1,\"%1\"").arg(reading));
}

// Each form of each loanword unit, typed alone, completes it under the
// table and under both notations.
TEST_F(DrillShipped, EveryLoanwordUnitCompletesByEachOfItsForms) {
  QList<std::pair<QString, QString>> typings;  // unit, form
  for (const QString& unit : QString::fromUtf16(kLoanwordUnits).split(u' ')) {
    const QStringList line = KanaUnitLine(data.kanaRomaTable, data.kanaKeyList, unit);
    ASSERT_GE(line.size(), 2) << qPrintable(unit) << " has no line";
    for (const QString& form : line.mid(1)) typings.append({unit, form});
  }
  data.kanaWords.clear();
  for (const auto& typing : typings) data.kanaWords.append(TypedAlone(typing.first));
  for (const int guide : {0, 1, 2}) {
    page.reset();
    settings.RomajiGuide = guide;
    StartOnCourse(4);
    for (qsizetype i = 0; i < typings.size(); ++i) {
      Type(typings.at(i).second);
      ASSERT_EQ(page->state().ItemIndex, (i + 1) % typings.size())
          << "guide " << guide << ": " << qPrintable(typings.at(i).first + " by " + typings.at(i).second);
    }
  }
  EXPECT_EQ(platform.beeps, 0);
}

// A teacher's loanwords typed as the input method takes them, and as each
// notation's hint shows them.
TEST_F(DrillShipped, LoanwordsFinishInTheInputMethodsSpellingsAndByTheGuide) {
  const std::pair<const char16_t*, const char*> words[] = {
      {u"ファイル", "fairu"},        {u"ティッシュ", "thisshu"}, {u"スマートフォン", "suma-tofonn"},
      {u"ウィンドウ", "winndou"},    {u"シェア", "shea"},        {u"ヴァイオリン", "vaiorinn"},
      {u"パーティー", "pa-thi-"},    {u"ディスク", "dhisuku"},   {u"デュエット", "dhuetto"},
      {u"タトゥー", "tatwu-"},       {u"ウェブ", "webu"},        {u"ウォーター", "who-ta-"},
      {u"チェック", "chekku"},       {u"ジェット", "jetto"},     {u"モーツァルト", "mo-tsaruto"},
      {u"フュージョン", "fyu-jonn"}, {u"クォーツ", "kwo-tsu"},   {u"イェティ", "yethi"},
      {u"ふぁいる", "fairu"},        {u"てぃっしゅ", "thisshu"}, {u"しぇあ", "shea"},
  };
  data.kanaWords.clear();
  for (const auto& [word, romaji] : words) data.kanaWords.append(TypedAlone(QString::fromUtf16(word)));
  for (const int guide : {0, 1, 2}) {
    page.reset();
    settings.RomajiGuide = guide;
    StartOnCourse(4);
    for (qsizetype i = 0; i < std::ssize(words); ++i) {
      Type(QString::fromLatin1(words[i].second));
      ASSERT_EQ(page->state().ItemIndex, (i + 1) % std::ssize(words))
          << "guide " << guide << ": " << words[i].second;
    }
    if (guide == 0) continue;
    for (qsizetype i = 0; i < std::ssize(words) && !HasFatalFailure(); ++i) PlayConversionItem(true);
  }
  EXPECT_EQ(platform.beeps, 0);
}

}  // namespace
