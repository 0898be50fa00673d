// What a learner sees and reaches: Japanese line breaks in the side panel,
// a keyboard path to every course, the check mark the style draws itself
// and the toolkit's own texts in Japanese.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTest>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "ui/drill_view.h"
#include "ui/japanese_ui.h"
#include "ui/line_break.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"
#include "unit/drill_fixture.h"

using namespace shurencho;

namespace {

TEST(LineBreak, NoLoneCharacterNoSmallKanaAtLineStartLatinWordsWhole) {
  const QFontMetrics metrics(DesignFont(kMincho, 13));
  const int width = 119;
  const QString text = QStringLiteral(
      "1."
      "コースを選択\n　コース名を左クリック\n※入力が終わったら、読み込みボタンを左クリックして再挑戦\n確定取"
      "消(CTRL+BS)");
  const QStringList lines = BreakJapaneseLines(text, metrics, width).split(QLatin1Char('\n'));
  ASSERT_GT(lines.size(), 4);
  static const QString kSmall = QStringLiteral("ぁぃぅぇぉっゃゅょァィゥェォッャュョー、。）");
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString& line = lines[i];
    SCOPED_TRACE(line.toStdString());
    EXPECT_LE(metrics.horizontalAdvance(line), width);
    EXPECT_GT(line.size(), 1);
    EXPECT_FALSE(kSmall.contains(line.at(0)));
    EXPECT_FALSE(line.startsWith(QStringLiteral("BS")) || line.startsWith(QStringLiteral("TRL")));
  }
  EXPECT_EQ(BreakJapaneseLines(text, metrics, width).remove(QLatin1Char('\n')),
            QString(text).remove(QLatin1Char('\n')));
}

// The current course's button is disabled; Tab must still reach the others.
TEST(DrillTabOrder, TabFromTheInputBoxReachesTheCourseButtons) {
  QtPlatform platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>());
  AppSettings settings;
  LoadSettings(settings, false, QString());
  PracticeData data = SmallDrillData();
  DrillPage page(settings, data, platform);
  DrillView view(page, platform, data.keyboards.jis);
  view.resize(537, 410);
  view.show();
  page.FormCreate();
  page.FormShow();
  view.Render();
  QApplication::setActiveWindow(&view);
  view.edit2()->setFocus();
  QApplication::processEvents();
  int courseButtons = 0;
  for (int i = 0; i < 10 && courseButtons < 4; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    if (qobject_cast<QRadioButton*>(QApplication::focusWidget()) != nullptr) ++courseButtons;
  }
  EXPECT_EQ(courseButtons, 4);  // every course but the current one
}

}  // namespace

TEST(DesktopStyle, ACheckedBoxShowsItsMarkAndAnUncheckedOneNone) {
  QCheckBox box(QStringLiteral("ROMA"));
  box.resize(box.sizeHint());
  QStyleOptionButton option;
  option.initFrom(&box);
  const QRect indicator = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
  const auto darkPixels = [&] {
    const QImage shot = box.grab().toImage();
    int dark = 0;
    for (int y = indicator.top(); y <= indicator.bottom(); ++y)
      for (int x = indicator.left(); x <= indicator.right(); ++x)
        dark += shot.pixelColor(x, y).lightness() < 100;
    return dark;
  };
  EXPECT_EQ(darkPixels(), 0);
  box.setChecked(true);
  EXPECT_GE(darkPixels(), indicator.height());
}

TEST(ToolkitJapanese, ReadWhenADialogFirstAsks) {
  ASSERT_TRUE(InstallToolkitJapanese());
  QDialogButtonBox box(QDialogButtonBox::Cancel);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
}
