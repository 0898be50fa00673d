#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/form1.h"
#include "app/page_texts.h"
#include "support/fake_platform.h"
#include "support/shipped_data.h"

using namespace shurencho;

namespace {

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = SettingsForShippedData();
    form = std::make_unique<TForm1>(settings, ShippedPracticeData(), platform, iniPath());
    form->FormCreate();
    form->FormShow();
  }
  QString iniPath() const { return dir.filePath(QStringLiteral("shurencho.ini")); }

  QTemporaryDir dir;
  FakePlatform platform;
  AppSettings settings;
  std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(ShellTest, StartsOnTheDrillPageWithTheDrillText) {
  EXPECT_EQ(form->ActivePage, Page::Drill);
  EXPECT_EQ(form->Label25.caption, page_texts::Drill());
  EXPECT_EQ(form->Caption, settings.WindowCaption);
  EXPECT_FALSE(form->Timer1Enabled);
}

TEST_F(ShellTest, TabChangesSetTheTextTimerFocusAndPointer) {
  form->PageControl1Change(Page::Click);
  EXPECT_EQ(form->Label25.caption, page_texts::Click());
  EXPECT_TRUE(form->Timer1Enabled);

  form->PageControl1Change(Page::Maze);
  EXPECT_EQ(form->Label25.caption, page_texts::Maze());
  EXPECT_FALSE(form->Timer1Enabled);
  ASSERT_FALSE(platform.pointerMoves.empty());
  EXPECT_EQ(platform.pointerMoves.back().first, QStringLiteral("Image1"));
  EXPECT_EQ(platform.pointerMoves.back().second, form->maze().MazeStartPoint());

  const std::pair<Page, QString> others[] = {{Page::Drag, page_texts::Drag()},
                                             {Page::Puzzle, page_texts::Puzzle()},
                                             {Page::Typing, page_texts::Typing()},
                                             {Page::Drill, page_texts::Drill()}};
  for (const auto& [page, text] : others) {
    form->PageControl1Change(Page::Click);
    form->PageControl1Change(page);
    EXPECT_EQ(form->ActivePage, page);
    EXPECT_EQ(form->Label25.caption, text);
    EXPECT_FALSE(form->Timer1Enabled);
  }
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
}

TEST_F(ShellTest, MenuJumpsKeepTheSidePanelText) {
  form->P1Click();
  EXPECT_EQ(form->ActivePage, Page::Maze);
  EXPECT_EQ(form->Label25.caption, page_texts::Drill());
  EXPECT_EQ(platform.pointerMoves.back().second, form->maze().MazeStartPoint());

  form->C1Click();
  EXPECT_EQ(form->ActivePage, Page::Click);
  EXPECT_TRUE(form->Timer1Enabled);
  form->D1Click();
  EXPECT_FALSE(form->Timer1Enabled);
  form->C1Click();
  form->B1Click();
  EXPECT_EQ(form->ActivePage, Page::Puzzle);
  EXPECT_FALSE(form->Timer1Enabled);
  form->C1Click();
  form->L1Click();
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Memo2"));
  EXPECT_FALSE(form->Timer1Enabled);
  form->C1Click();
  form->K1Click();
  EXPECT_EQ(form->ActivePage, Page::Drill);
  EXPECT_EQ(platform.focus.back(), QStringLiteral("Edit2"));
  EXPECT_FALSE(form->Timer1Enabled);
  EXPECT_EQ(form->Label25.caption, page_texts::Drill());
}

TEST_F(ShellTest, ExitButtonLeavesTheTimerTheMenuStopsIt) {
  form->C1Click();
  form->Button2Click();
  EXPECT_TRUE(form->CloseRequested);
  EXPECT_TRUE(form->Timer1Enabled);
  form->CloseRequested = false;
  form->Exit1Click();
  EXPECT_TRUE(form->CloseRequested);
  EXPECT_FALSE(form->Timer1Enabled);
}

TEST_F(ShellTest, CloseSavesAndAFailedSaveWarns) {
  settings.CourseNo = 0;
  form->FormClose();
  QFile saved(iniPath());
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_TRUE(saved.readAll().contains("CourseNo=0\r\n"));
  EXPECT_TRUE(platform.boxes.empty());

  // A settings path that cannot be written: the close-time warning, and the program still ends.
  QFile::remove(iniPath());
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("shurencho.ini")));
  form->FormClose();
  ASSERT_EQ(platform.boxes.size(), 1u);
  EXPECT_EQ(platform.boxes[0].kind, FakePlatform::Box::Warning);
  EXPECT_EQ(platform.boxes[0].text, QString::fromUtf8(kSaveFailedWarning));
}

TEST_F(ShellTest, ResetReturnsToDefaultsWithoutReadingTheFile) {
  settings.TradeMark = QStringLiteral("Other");
  settings.CourseNo = 0;
  settings.M1CourseNo = 5;
  settings.SetRecordedSpeed(1, 80);
  form->PageControl1Change(Page::Drag);
  form->N1Click();
  EXPECT_EQ(form->Caption, QStringLiteral("打鍵修練帖　Ver1.0-宙文舎"));
  EXPECT_EQ(form->ActivePage, Page::Drill);
  EXPECT_EQ(form->Label25.caption, page_texts::Drill());
  EXPECT_EQ(settings.CourseNo, 2);
  EXPECT_EQ(settings.M1CourseNo, 0);
  EXPECT_EQ(settings.KeySpeed, (QStringList{"0", "0", "0", "0", "0", "0"}));
  EXPECT_FALSE(QFile::exists(iniPath()));
}
