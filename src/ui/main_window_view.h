#pragma once
// The one window: the page control with the six pages, the side panel, the
// exit button, the music box and the menu. It forwards the user's actions to
// TForm1 and renders what TForm1 holds.

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <array>
#include <memory>

#include "app/form1.h"
#include "history/history_service.h"
#include "reading/kanji_table.h"
#include "ui/history_notice_view.h"
#include "ui/keyboard_guide_view.h"

class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

namespace shurencho {

class FuriganaReader;
class QtPlatform;
class MusicBoxView;
class PageView;

class MainWindow final : public QMainWindow {
 public:
  MainWindow(TForm1& form, QtPlatform& platform);

  // Renders the shell and every page built so far.
  void RenderAll();
  QTabWidget* pageControl() const { return m_pageControl; }
  // A page's view, built now if it was not yet.
  PageView* pageView(Page page);
  // Where the 成績 window reads the learning history; null when there is none.
  void SetHistory(HistoryService* history) { m_history = history; }
  // Asks the history for what it holds and opens the 成績 window on the
  // answer when it comes; the window goes on meanwhile.
  void OpenRecords();
  // The history's state changed: a fault, a file of another program left
  // alone, or records written after they waited, is told once in the notice
  // beside the window, never in a box.
  void ShowHistoryStatus(const HistoryStatus& status);
  HistoryNoticeView* historyNotice() const { return m_notice; }
  // 練習 → キーボードガイド (F3): the guide under the window, following the
  // drill and 実践; null until first shown.
  KeyboardGuideView* keyboardGuide() const { return m_guide; }
  void ShowGuide(bool on);
  // The learner has no history yet: unless the settings say whether the
  // guide shows, it opens by itself with the first start's panel.
  void SetFirstStart(bool first) { m_firstStart = first; }
  // The learner's grade: readings go over the kanji it has not learned.
  void SetLearnerYear(SchoolYear year);
  // The history is open: the grade it holds, and every later change of it.
  void FollowLearner();
  // 練習 → 文字の大きさ: the windows beside this one at 100, 125 or 150 percent.
  void SetTextScale(int percent);
  // Readings for the test and the practice text; made at the first need.
  FuriganaReader& furigana();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // The menu bar: ファイル, 練習 and ヘルプ, each filled as it first opens.
  void BuildMenu();
  // An item with a function key, which works wherever the program's windows are active.
  QAction* AddShortcutItem(const QString& text, Qt::Key key);
  void BuildFileMenu(QMenu* file1);
  void BuildPracticeMenu(QMenu* r1);
  void BuildRomajiGuideMenu(QMenu* guide);
  void AddReadingItems(QMenu* r1);
  // The 実力テスト window and the practice text follow the grade and ふりがな.
  void ShowReadings();
  // 練習 → 実力テスト: its window, made at the first choice.
  void OpenSkillTest();
  // Pages are built when first shown or first named by the logic: the
  // window appears as soon as the page in view is ready.
  void BuildPage(Page page);
  void PlaceOnScreen();
  // Runs a shell command, then closes the window if it asked to, else renders.
  template <typename F>
  void Run(F&& command);

  TForm1& m_form;
  QtPlatform& m_platform;
  QTabWidget* m_pageControl;
  std::array<QWidget*, 6> m_tabs{};    // the page control's pages, in Page order
  std::array<PageView*, 6> m_pages{};  // the views inside them; null until built
  QLabel* m_label25;
  QPushButton* m_button2;
  MusicBoxView* m_panel2;
  QTimer* m_timer1;
  QString m_shownHelp;  // the side panel's text before line breaking
  void ShowRecords(const LearnerHistory& history, const QString& error, const HistoryStatus& status);
  void Tell(const QString& text);

  HistoryService* m_history = nullptr;
  HistoryStatus m_historyStatus;
  QSet<QString> m_told;      // faults told this session
  bool m_faultTold = false;  // one is told and has not passed yet
  QSet<QString> m_notesTold;
  QString m_stateTold;  // the fault's words as the notice shows them
  QPointer<HistoryNoticeView> m_notice;
  // The guide draws the page in view after each of its events.
  void RefreshGuide();
  // A next step pressed in the guide, done on the drill.
  void TakeStep(const GuideStep& step);
  KeyboardGuide m_guideState;
  // The keyboard the guide and the 苦手なキー map draw: the one chosen in
  // the guide's menu, else the one the X keyboard map names.
  const KeyboardLayout& ChosenLayout() const;
  void ChooseLayout(KeyboardKind kind);
  QString m_keyboardMap;  // the X keyboard map's layouts, asked once
  bool m_firstStart = false;
  QPointer<KeyboardGuideView> m_guide;
  bool m_reading = false;       // the 成績 window's read is under way
  QPointer<QWidget> m_records;  // the 成績 window, from its module
  bool m_closed = false;
  std::shared_ptr<FuriganaReader> m_furigana;  // shared with the practice text's reading thread
  SchoolYear m_year = SchoolYear::Unset;
};

}  // namespace shurencho
