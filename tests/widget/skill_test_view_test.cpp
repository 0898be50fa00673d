#include "ui/skill_test_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "adapters/furigana_reader.h"
#include "support/fake_platform.h"
#include "support/fake_readings.h"
#include "ui/ruby_text_edit.h"
#include "ui/widget_style.h"

using namespace shurencho;

namespace {

// The window on the shipped passages: started, typed into through the input
// method, and ended by its own timer once the clock has passed three minutes.
TEST(SkillTestViewTest, ATestTypedThroughTheInputMethodEndsOnItsTimer) {
  FakePlatform platform;
  platform.now = 46000.5;
  SkillTestView view(platform, nullptr, QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"));
  view.show();
  ASSERT_EQ(view.choice()->count(), 7);
  ASSERT_TRUE(view.startButton()->isEnabled());
  QTest::mouseClick(view.startButton(), Qt::LeftButton);
  ASSERT_TRUE(view.test().open());

  const QString passage = view.test().texts()[view.test().chosen()].passage;
  const auto commit = [&](const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(view.box(), &event);
  };
  commit(passage.left(2));
  EXPECT_EQ(view.test().correct(), 2);
  // The next character is marked; letters where kana belong bring the band.
  ASSERT_EQ(view.passage()->extraSelections().size(), 1);
  EXPECT_EQ(view.passage()->extraSelections()[0].cursor.selectedText(), passage.mid(2, 1));
  EXPECT_TRUE(view.band()->isHidden());
  commit(QStringLiteral("no"));
  EXPECT_FALSE(view.band()->isHidden());
  commit(passage.mid(2, 1));
  EXPECT_TRUE(view.band()->isHidden());

  platform.Advance(kSkillTestSeconds + 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.test().state() == SkillTest::State::Finished; }, 10000));
  EXPECT_EQ(view.startButton()->text(), QStringLiteral("もう一度"));
  EXPECT_EQ(view.test().typed(), passage.left(2) + QStringLiteral("no") + passage.mid(2, 1));
}

// A 小3 learner sees readings above the lines at every text size, never
// over a line; an adult sees none and no ふりがな box; without MeCab the
// window says why.
TEST(SkillTestViewTest, ReadingsSitAboveTheLinesForALearnerWhoNeedsThem) {
  FakePlatform platform;
  SkillTestView view(platform, nullptr, QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"));
  FuriganaReader reader(QStringLiteral(SHURENCHO_ASSETS_DIR "/kanji.txt"), &KanjiRunsAsWords);
  view.SetReadings(&reader, SchoolYear::Sho3);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  EXPECT_TRUE(view.furigana()->isVisible());
  for (int percent : {100, 125, 150}) {
    ScaleFonts(&view, percent);
    // Laid out again, and still within the smallest screen the guide is placed on.
    EXPECT_TRUE(QRect(0, 0, 1024, 768).contains(QRect(QPoint(), view.minimumSizeHint()))) << percent;
    view.passage()->resize(view.passage()->size());
    QApplication::processEvents();
    const QList<RubyTextEdit::Placed> placed = view.passage()->PlacedRuby();
    ASSERT_FALSE(placed.isEmpty()) << percent;
    for (const RubyTextEdit::Placed& p : placed) {
      EXPECT_LE(p.rect.bottom(), p.base.top()) << percent;
      for (const QRect& line : view.passage()->LineRects()) EXPECT_FALSE(p.rect.intersects(line)) << percent;
    }
  }
  EXPECT_TRUE(view.passage()->accessibleDescription().startsWith(QStringLiteral("ふりがな：")));
  view.furigana()->setChecked(false);
  EXPECT_TRUE(view.passage()->ruby().isEmpty());
  EXPECT_TRUE(view.passage()->accessibleDescription().isEmpty());

  view.SetReadings(&reader, SchoolYear::Adult);
  EXPECT_FALSE(view.furigana()->isVisible());
  EXPECT_TRUE(view.passage()->ruby().isEmpty());

  FuriganaReader missing(QStringLiteral(SHURENCHO_ASSETS_DIR "/kanji.txt"),
                         [](const QString&, QList<TextWord>*, QString* error) {
                           *error = QStringLiteral("libmecab.so.2 がありません");
                           return false;
                         });
  view.SetReadings(&missing, SchoolYear::Sho3);
  EXPECT_FALSE(view.furigana()->isEnabled());
  EXPECT_TRUE(view.furiganaWhy()->isVisible());
  EXPECT_TRUE(view.passage()->ruby().isEmpty());
}

}  // namespace
