// The shipped kanji table against the 2020 allotment, and furigana set over
// words as a printed page would for each school year.
#include <gtest/gtest.h>

#include <QMap>

#include "reading/furigana.h"
#include "reading/html_ruby.h"
#include "reading/kanji_table.h"

using namespace shurencho;

namespace {

const KanjiTable& Shipped() {
  static const KanjiTable table = [] {
    KanjiTable t;
    QString error;
    EXPECT_TRUE(t.Load(QStringLiteral(SHURENCHO_ASSETS_DIR "/kanji.txt"), &error)) << qPrintable(error);
    return t;
  }();
  return table;
}

TEST(KanjiTable, GradesFollowThe2020Allotment) {
  QMap<int, int> perGrade;
  for (int g = 1; g <= 6; ++g) perGrade[g] = 0;
  for (char32_t c = 0x4e00; c <= 0x9fff; ++c)
    if (const int g = Shipped().Grade(c); g >= 1 && g <= 6) ++perGrade[g];
  EXPECT_EQ(perGrade, (QMap<int, int>{{1, 80}, {2, 160}, {3, 200}, {4, 202}, {5, 193}, {6, 191}}));
  // Moved to the fourth grade in 2020: the prefectures' kanji.
  for (const char32_t c : {U'岐', U'阪', U'茨'}) EXPECT_EQ(Shipped().Grade(c), 4);
  KanjiTable bad;
  QString error;
  EXPECT_FALSE(
      bad.LoadText(QStringLiteral("# 表\n一 1 いち\nx 1 えっくす\n"), QStringLiteral("k.txt"), &error));
  EXPECT_EQ(error, QStringLiteral("漢字の表の 3 行目が読めません: k.txt"));
}

TEST(Furigana, OverTheKanjiNotYetLearnedOkuriganaNotRepeated) {
  struct Case {
    const char16_t* surface;
    const char16_t* reading;
    SchoolYear year;
    QList<Ruby> ruby;
  };
  const Case cases[] = {
      // 植 is learned in the third grade, 木 in the first.
      {u"植木ばち", u"うえきばち", SchoolYear::Sho3, {{0, 1, QStringLiteral("うえ")}}},
      {u"植木ばち", u"うえきばち", SchoolYear::Sho4, {}},
      {u"一週間", u"いっしゅうかん", SchoolYear::Sho1, {{0, 3, QStringLiteral("いっしゅうかん")}}},
      {u"一週間", u"いっしゅうかん", SchoolYear::Sho2, {{1, 2, QStringLiteral("しゅうかん")}}},
      {u"来年", u"らいねん", SchoolYear::Sho2, {{0, 1, QStringLiteral("らい")}}},
      {u"小さな", u"チイサナ", SchoolYear::Sho1, {{0, 1, QStringLiteral("ちい")}}},
      {u"五月", u"ごがつ", SchoolYear::Sho1, {{0, 2, QStringLiteral("ごがつ")}}},
      {u"五月", u"ごがつ", SchoolYear::Adult, {}},
      {u"五月", u"ごがつ", SchoolYear::Unset, {}},
      // A reading the table cannot split goes over the whole run.
      {u"今日", u"きょう", SchoolYear::Sho1, {{0, 2, QStringLiteral("きょう")}}},
      // A reading that does not fit the word's kana sets nothing.
      {u"小さな", u"おおきな", SchoolYear::Sho1, {}},
  };
  for (const Case& c : cases) {
    const QString surface = QString::fromUtf16(c.surface);
    SCOPED_TRACE(qPrintable(surface + QLatin1Char(' ') + SchoolYearName(c.year)));
    EXPECT_EQ(WordRuby(surface, QString::fromUtf16(c.reading), Shipped(), c.year), c.ruby);
  }
}

// The help page's readings go over the text a reader sees, nowhere else.
TEST(Furigana, HtmlGetsRubyOnlyInItsText) {
  const RubyOf kanji = [](const QString& text) {
    QList<Ruby> ruby;
    for (qsizetype at = text.indexOf(QStringLiteral("漢字")); at >= 0;
         at = text.indexOf(QStringLiteral("漢字"), at + 2))
      ruby.append({at, 2, QStringLiteral("かんじ")});
    return ruby;
  };
  const QString html = QStringLiteral(
      "<head><title>漢字</title></head><p title=\"漢字\">漢字を<kbd>漢字</kbd>、<!-- 漢字 -->"
      "<ruby>漢字<rt>かんじ</rt></ruby>と<b>漢字</b></p>");
  EXPECT_EQ(
      HtmlWithRuby(html, kanji),
      QStringLiteral("<head><title>漢字</title></head><p title=\"漢字\">"
                     "<ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>を<kbd>漢字</kbd>、<!-- 漢字 -->"
                     "<ruby>漢字<rt>かんじ</rt></ruby>と<b><ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></"
                     "ruby></b></p>"));
}

}  // namespace
