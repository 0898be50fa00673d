#include <gtest/gtest.h>

#include "data/word_list.h"
#include "text/comma_text.h"
#include "text/errors.h"

using namespace shurencho;

namespace {

const QString kFile = QStringLiteral("w.dat");

CourseItemList Words(const QString& text, const char* flags = kAlphabetWordFlags) {
  return LoadWordListFromText(text, kFile, QString::fromLatin1(flags));
}

CourseItemList Conversion(const QString& text) { return LoadConversionListFromText(text, kFile); }

// The line a conversion load fails at; -1 when it loads.
int ConversionFailingLine(const QString& text) {
  try {
    Conversion(text);
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.file(), kFile);
    return e.line();
  }
  return -1;
}

}  // namespace

// A word item as the drill reads it: the word three times, typed alone.
CourseItem WordItem(const QString& w, bool hint = false) {
  CourseItem item;
  item.question = item.reading = w;
  item.hint = hint;
  item.noConversion = true;
  item.candidates = {w};
  return item;
}

TEST(DataWordList, EveryLineIncludingTheLastIsOneItemInOrder) {
  const CourseItemList items = Words(QStringLiteral("cat\r\ndog\r\nbird"));
  EXPECT_EQ(items, (CourseItemList{WordItem("cat"), WordItem("dog"), WordItem("bird")}));
  EXPECT_EQ(Words(QStringLiteral("cat\r\ndog\r\nbird\r\n")).size(), 3);
}

TEST(DataWordList, SpacesCommasAndCaseStayInTheWord) {
  const CourseItemList items = Words(QStringLiteral("thank you\r\nJapan\r\na, b\r\n"));
  EXPECT_EQ(items, (CourseItemList{WordItem("thank you"), WordItem("Japan"), WordItem("a, b")}));
}

TEST(DataWordList, KanaWordsAllowTheHint) {
  const CourseItemList items = Words(QStringLiteral("がっこう\r\n"), kKanaWordFlags);
  EXPECT_EQ(items, CourseItemList{WordItem(QStringLiteral("がっこう"), true)});
}

TEST(DataWordList, BlankLinesAreSkippedAQuoteIsRefused) {
  EXPECT_EQ(Words(QStringLiteral("\r\ncat\r\n  \r\n\r\ndog\r\n")).size(), 2);
  EXPECT_TRUE(Words(QString()).isEmpty());
  try {
    Words(QStringLiteral("cat\r\nsay \"hi\"\r\n"));
    FAIL() << "a quote would cut the word short";
  } catch (const DataFileError& e) {
    EXPECT_EQ(e.line(), 2);
  }
}

TEST(DataConversionList, TheLastLineIsNeverTaken) {
  const QString three =
      QStringLiteral("山,やま,1,1,0,0,山\r\n川,かわ,1,1,0,0,川,皮\r\n空,そら,1,1,0,0,空\r\n");
  EXPECT_EQ(Conversion(three).size(), 2);
  const CourseItemList items = Conversion(three + QStringLiteral("/ end\r\n"));
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items.at(1), QStringLiteral("川,かわ,1,1,0,0,川,皮"));  // taken exactly as written
  // A trailing empty line is a line too: the item before it is taken.
  EXPECT_EQ(Conversion(three + QStringLiteral("\r\n")).size(), 3);
  EXPECT_TRUE(Conversion(QStringLiteral("山,やま,1,1,0,0,山")).isEmpty());
  EXPECT_TRUE(Conversion(QString()).isEmpty());
}

TEST(DataConversionList, CommentsAndBlankLinesAnywhereAreLeftOut) {
  const QString text = QStringLiteral(
      "/ head\r\n山,やま,1,1,0,0,山\r\n/ one\r\n/ two\r\n\r\n"
      "はい,はい,1,1,0,1\r\n  \r\nありがとう,ありがとう,1,1,1,0\r\n/ end\r\n");
  EXPECT_EQ(Conversion(text),
            (CourseItemList{"山,やま,1,1,0,0,山", "はい,はい,1,1,0,1", "ありがとう,ありがとう,1,1,1,0"}));
  // Only a leading "/" makes a comment.
  EXPECT_EQ(Conversion(QStringLiteral(" /x,y,0,0,0,0,z\r\n/\r\n")).size(), 1);
}

TEST(DataConversionList, RefusesItemsTheDrillCannotUse) {
  EXPECT_EQ(ConversionFailingLine(QStringLiteral("/\r\n山,やま,1,1,0\r\n/\r\n")), 2);
  EXPECT_EQ(ConversionFailingLine(QStringLiteral("山,やま,1,1,0,0\r\n/\r\n")), 1);  // nothing to convert to
  EXPECT_EQ(ConversionFailingLine(QStringLiteral(",やま,1,1,0,0,山\r\n/\r\n")), 1);
  EXPECT_EQ(ConversionFailingLine(QStringLiteral("山,,1,1,0,0,山\r\n/\r\n")), 1);
  // The last line is not read, so it is not judged either.
  EXPECT_EQ(ConversionFailingLine(QStringLiteral("山,やま,1,1,0,0,山\r\nbroken\r\n")), -1);
}
