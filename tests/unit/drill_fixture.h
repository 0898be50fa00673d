#pragma once
// The drill page on a small table and five small courses built in memory,
// with the fake platform, and a learner's hands: every key goes the way the
// window sends it (key-down first, Enter to the default button, then the
// character into the box).

#include <gtest/gtest.h>

#include <memory>

#include "data/practice_data.h"
#include "drill/drill_page.h"
#include "support/fake_platform.h"
#include "text/comma_text.h"

namespace shurencho {

inline KanaRomaTable SmallTable(const QStringList& lines) {
  KanaRomaTable table;
  for (const QString& line : lines) table.lines.Append(line);
  return table;
}

inline PracticeData SmallDrillData() {
  QStringList lines;
  for (char c = 'a'; c <= 'z'; ++c) lines << QStringLiteral("%1,%1").arg(QLatin1Char(c));
  lines << QStringLiteral("か,ka,ca") << QStringLiteral("な,na") << QStringLiteral("ん,nn,xn")
        << QStringLiteral("き,ki") << QStringLiteral("きゃ,kya") << QStringLiteral("く,ku,cu")
        << QStringLiteral("し,shi,si") << QStringLiteral("しゃ,sha,sya") << QStringLiteral("が,ga")
        << QStringLiteral("っこ,kko") << QStringLiteral("う,u,wu,whu") << QStringLiteral("こ,ko,co")
        << QStringLiteral("ほ,ho");
  PracticeData data;
  data.kanaRomaTable = SmallTable(lines);
  data.kanaKeyList = BuildKanaKeyList(data.kanaRomaTable);
  data.alphabetLetters = {R"("a","a",0,0,0,1,"a")", R"("b","b",0,0,0,1,"b")", R"("c","c",0,0,0,1,"c")"};
  data.alphabetWords = {R"("cat","cat",0,0,0,1,"cat")", R"("dog","dog",0,0,0,1,"dog")"};
  data.kanaLetters = {R"("か","か",1,0,0,1,"か")", R"("な","な",1,0,0,1,"な")", R"("ん","ん",1,0,0,1,"ん")"};
  data.kanaWords = {R"("かな","かな",1,0,0,1,"かな")", R"("きゃく","きゃく",1,0,0,1,"きゃく")",
                    R"("ほん","ほん",1,0,0,1,"ほん")"};
  data.conversionWords = {
      QStringLiteral("学校,がっこう,1,1,0,0,学校"), QStringLiteral("記者,きしゃ,1,1,0,0,記者,汽車,貴社"),
      QStringLiteral("かな,かな,1,0,1,0,かな"),     QStringLiteral("仮名,かな,0,0,1,0,仮名"),
      QStringLiteral("こな,こな,1,1,0,1,こな"),
  };
  return data;
}

class DrillTest : public ::testing::Test {
 protected:
  DrillTest() { LoadSettings(settings, false, QString()); }

  // Creates and shows the page, as the window does.
  void Start() {
    page = std::make_unique<DrillPage>(settings, data, platform);
    page->FormCreate();
    page->FormShow();
  }
  void StartOnCourse(int n) {
    settings.CourseNo = n - 1;
    Start();
  }

  // Types each character as a key press in Edit2: "\b" is Backspace, "\r" Enter.
  void Type(const QString& keys) {
    for (const QChar c : keys) TypeKey(c);
  }
  // The page routes the key; what it lets through changes the box's text as
  // the widget would.
  void TypeKey(QChar c) {
    if (!page->Edit2Key(KeyCode(c), 0, c == u'\r' ? QChar() : c)) return;
    QString text = page->Edit2.text();
    if (c == u'\b') {
      text.chop(1);
    } else {
      text += c.toLower();  // the box takes letters in lower case
    }
    page->Edit2.setText(text);
  }
  // A key without a character (arrows, function keys) pressed in Edit2.
  // Returns the key code as the handler left it (0: discarded).
  int Press(int code, ShiftState shift = 0) {
    page->Edit2KeyDown(code, shift);
    return code;
  }
  // A key pressed in the open candidate list; Enter goes to the default button.
  bool ListPress(int code, ShiftState shift = 0) { return page->ListBox1Key(code, shift); }

  // Types the reading of the current item with the first form (the hint)
  // of each unit, until the reading is done or the item has moved on.
  void TypeReadingByHints() {
    for (int guard = 0; guard < 64; ++guard) {
      const QString hint = page->state().UnitRomaji.value(1);
      ASSERT_FALSE(hint.isEmpty()) << "no hint for " << qPrintable(page->state().KanaUnit);
      const int beeps = platform.beeps;
      Type(hint);
      ASSERT_EQ(platform.beeps, beeps) << "refused: " << qPrintable(hint);
      if (page->state().ReadingDone || page->state().DoneText.isEmpty()) return;
    }
    FAIL() << "the reading never ended";
  }

  static int KeyCode(QChar c) {
    if (c == u'\b') return vk::Back;
    if (c == u'\r') return vk::Return;
    if (c == u' ') return vk::Space;
    if (c.isLetterOrNumber() && c.unicode() < 128) return c.toUpper().unicode();
    return vk::Punctuation;
  }

  AppSettings settings;
  PracticeData data = SmallDrillData();
  FakePlatform platform;
  std::unique_ptr<DrillPage> page;
};

}  // namespace shurencho
