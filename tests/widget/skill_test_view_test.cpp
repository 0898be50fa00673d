#include "ui/skill_test_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "support/fake_platform.h"

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

}  // namespace
