#include "ui/keyboard_guide_view.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QToolButton>

#include "history/history_records.h"
#include "support/shipped_data.h"

using namespace shurencho;

namespace {

// The three things the guide shows, each at its longest.
std::vector<GuideFrame> Frames() {
  GuideFrame live;
  live.progress = QStringLiteral("20／20");
  live.figures = {QStringLiteral("245 字／分　312 打鍵／分"), QStringLiteral("ミス 12")};
  live.next = {QStringLiteral("次の字：しゅ（syu）"), QStringLiteral("次のキー：ぇ（5）　左人差し指"),
               QStringLiteral("＋ Shift　右小指")};
  GuidePass pass{14, 312, 15, UngradedMark(), false, true, {QStringLiteral("しゅ"), QStringLiteral("ちゃ")}};
  pass.warmupSeconds = 30;
  GuideFrame summary;
  summary.summary = PassSummaryLines(pass);
  summary.step = PassStep(pass);
  GuideFrame welcome;
  welcome.welcome = WelcomeLines();
  welcome.step = WelcomeStep();
  return {live, summary, welcome};
}

}  // namespace

TEST(KeyboardGuideView, EveryWordIsWholeInsideTheWindowAtEveryScreenSizeAndScale) {
  QWidget main;
  main.setFixedSize(672, 466);
  KeyboardGuideView guide(&main);
  guide.show();
  // Every text size (標準・大・特大) at every screen size and scale.
  for (const auto& [text, screen] : {std::pair{100, QSize(1024, 768)},
                                     {100, QSize(1366, 768)},
                                     {125, QSize(1366, 768)},
                                     {150, QSize(1366, 768)},
                                     {150, QSize(1920, 1080)}}) {
    guide.SetTextScale(text);
    for (const double scale : {1.0, 1.5, 2.0}) {
      // The logical screen, with the main window centred in it as it starts.
      const QRect area(QPoint(0, 0), screen / scale);
      QRect mainFrame(QPoint(0, 0), QSize(672, 466 + 21));
      mainFrame.moveCenter(area.center());
      mainFrame.moveTopLeft(QPoint(std::max(0, mainFrame.left()), std::max(0, mainFrame.top())));
      const GuidePlace at = PlaceGuide(mainFrame, area, guide.Sizes());
      guide.Arrange(at.tall, at.rect.size());
      const std::string where = QStringLiteral("%1×%2 at %3×, text %4%")
                                    .arg(screen.width())
                                    .arg(screen.height())
                                    .arg(scale)
                                    .arg(text)
                                    .toStdString();
      EXPECT_TRUE(area.contains(QRect(at.rect.topLeft(), guide.size()))) << where;
      // Room around the window at 1×: the guide keeps clear of it (特大
      // words on a 1366×768 screen leave no band wide or tall enough).
      if (scale == 1.0 && (text < 150 || screen.width() >= 1920)) {
        EXPECT_FALSE(at.rect.intersects(mainFrame)) << where;
      }
      for (const GuideFrame& frame : Frames()) {
        guide.Show(frame);
        for (QLayout* layout : guide.findChildren<QLayout*>()) layout->activate();
        QCoreApplication::sendPostedEvents();
        for (QWidget* child : guide.findChildren<QWidget*>()) {
          if (!child->isVisibleTo(&guide)) continue;
          const QRect inWindow(child->mapTo(&guide, QPoint(0, 0)), child->size());
          EXPECT_TRUE(guide.rect().contains(inWindow)) << where << " " << child->metaObject()->className();
          // Never clipped: a label at least as large as its words.
          if (auto* label = qobject_cast<QLabel*>(child)) {
            EXPECT_GE(label->width(), label->sizeHint().width())
                << where << " " << label->text().toStdString();
            EXPECT_GE(label->height(), label->sizeHint().height())
                << where << " " << label->text().toStdString();
          }
        }
      }
    }
  }
}

// The class's assignment takes a line of its own while one is set: whole,
// inside the window, and the words shrink back when it goes.
TEST(KeyboardGuideView, TheAssignmentIsALineOfItsOwnWhileOneIsSet) {
  QWidget main;
  main.setFixedSize(672, 466);
  KeyboardGuideView guide(&main);
  guide.show();
  const QSize plain = guide.Sizes().wide;
  GuideFrame frame = Frames().front();
  frame.assignment = QStringLiteral("きょうの課題：コース2 を 3回（1回おわり）");
  guide.Show(frame);
  guide.Arrange(false, guide.Sizes().wide);
  QLabel* line = nullptr;
  for (QLabel* label : guide.findChildren<QLabel*>())
    if (label->text() == frame.assignment) line = label;
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(line->isVisibleTo(&guide));
  EXPECT_TRUE(guide.rect().contains(QRect(line->mapTo(&guide, QPoint(0, 0)), line->size())));
  EXPECT_GE(line->width(), line->sizeHint().width());
  frame.assignment.clear();
  guide.Show(frame);
  EXPECT_EQ(guide.Sizes().wide, plain);
}

// The guide draws the US keyboard it is handed, and its menu, reached by a
// button as well as a right click, names the keyboard chosen.
TEST(KeyboardGuideView, DrawsTheUsKeyboardChosenInItsOwnMenu) {
  QWidget main;
  KeyboardGuideView guide(&main);
  std::vector<KeyboardKind> chosen;
  guide.onLayoutChosen = [&chosen](KeyboardKind kind) { chosen.push_back(kind); };
  ASSERT_EQ(guide.menuButton()->menu(), guide.menu());
  EXPECT_FALSE(guide.menuButton()->accessibleName().isEmpty());
  emit guide.menu()->aboutToShow();  // filled as it first opens
  QMenu* keyboards = guide.menu()->actions().value(0)->menu();
  ASSERT_NE(keyboards, nullptr);
  EXPECT_EQ(keyboards->title(), QStringLiteral("キーボード"));
  const QList<QAction*> items = keyboards->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_TRUE(items[0]->isChecked());
  items[1]->trigger();
  EXPECT_EQ(chosen, std::vector<KeyboardKind>{KeyboardKind::Us});
  EXPECT_TRUE(items[1]->isChecked());

  const KeyboardLayout& us = ShippedPracticeData().keyboards.us;
  KeyboardGuide compose;
  compose.SetLayout(&us);
  GuideFeed feed;
  feed.follows = true;
  feed.next = QStringLiteral("a");
  guide.Show(compose.Compose(feed, false));
  guide.show();
  // The lit A key of the US board is painted in its finger's strong colour.
  QWidget* board = guide.findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_NE(board, nullptr);
  const QImage shot = board->grab().toImage();
  const KeyCap& a = us.keys()[size_t(us.StrokeOf(u'a').key)];
  const double unit = std::min(shot.width() / us.width(), shot.height() / us.height());
  const QPointF origin((shot.width() - us.width() * unit) / 2, (shot.height() - us.height() * unit) / 2);
  const QPoint inside = (origin + QPointF((a.x + 0.2) * unit, (a.y + 0.2) * unit)).toPoint();
  EXPECT_EQ(shot.pixelColor(inside), QColor(QString::fromLatin1(FingerColour(Finger::LeftPinky, true))));
  // Its outline, filled rather than stroked, is dark on the key's left edge.
  const QPoint edge =
      (origin + QPointF(a.x * unit + std::max(1.0, unit / 14) / 2, (a.y + 0.5) * unit)).toPoint();
  EXPECT_LT(shot.pixelColor(edge).lightness(), 100);
}
