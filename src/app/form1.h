#pragma once
// The main window's logic: the shell around the six practice pages. It starts
// every page when the window is created, reacts to page changes and menu
// commands, and saves the settings when the window closes. What happens
// inside a page is that page's own class.

#include <QColor>
#include <QString>
#include <memory>
#include <optional>

#include "app/music_box.h"
#include "drill/drill_page.h"
#include "history/history_recorder.h"
#include "mouse/click_page.h"
#include "mouse/drag_page.h"
#include "mouse/maze_page.h"
#include "mouse/puzzle_page.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "settings/settings.h"
#include "settings/settings_session.h"
#include "typing/typing_page.h"

namespace shurencho {

struct PracticeData;

// The pages of PageControl1, in tab order.
enum class Page {
  Maze,    // TabSheet3, POINT
  Click,   // TabSheet4, CLICK
  Drag,    // TabSheet5, DORAG
  Puzzle,  // TabSheet6, DOBLE
  Drill,   // TabSheet1, 特訓
  Typing,  // TabSheet2, 実践
};

class TForm1 final {
 public:
  // session: the run's hold on the settings file, which saves them at close.
  TForm1(AppSettings& settings, const PracticeData& data, Platform& platform, SettingsSession& session);
  // settingsPath: where SaveSettings writes at close.
  TForm1(AppSettings& settings, const PracticeData& data, Platform& platform, QString settingsPath);

  void FormCreate();
  // The desktop's button face, which the mouse pages paint their fields with.
  void SetButtonFace(const QColor& colour) { m_buttonFace = colour; }
  void FormShow();
  // Saves the settings; a failure shows the close-time warning. The window closes either way.
  void FormClose();

  // The learning history: the pages report to `store` from now on. In the
  // trainer it is the history's worker, which never keeps them waiting.
  void AttachHistory(HistoryStore* store) { m_history.Attach(store); }
  // The history has opened: a weak-kana drill not under way deals again.
  void HistoryReady() { m_drill.HistoryOpened(); }
  HistoryRecorder& history() { return m_history; }

  // Run only when the user changes the tab (never for changes made by code).
  void PageControl1Change(Page page);
  void Button2Click();
  void Exit1Click();
  void N1Click();
  void P1Click();
  void C1Click();
  void D1Click();
  void B1Click();
  void K1Click();
  void L1Click();
  void Help2Click();
  void About1Click();
  void Timer1Timer();

  QString Caption;                // window title
  Page ActivePage = Page::Drill;  // PageControl1's active page
  Label Label25;                  // explanation of the page in view
  Button Button2;                 // exit
  bool Timer1Enabled = false;     // Timer1 (1500 ms) ticks the click game
  // Set when the window should close; the view closes it and then calls FormClose.
  bool CloseRequested = false;

  DrillPage& drill() { return m_drill; }
  TypingPage& typing() { return m_typing; }
  MazePage& maze();
  ClickPage& click();
  DragPage& drag();
  PuzzlePage& puzzle();
  MusicBox& music() { return m_music; }
  AppSettings& settings() { return m_settings; }
  Platform& platform() { return m_platform; }
  const PracticeData& data() const { return m_data; }

 private:
  void ShowPage(Page page);
  // Makes the page if it is a mouse page not made yet.
  void MakePage(Page page);
  void MovePointerToMazeStart();
  // Focus the page's input box, when the page has one.
  void FocusActivePageInput();

  TForm1(AppSettings& settings, const PracticeData& data, Platform& platform,
         std::unique_ptr<SettingsSession> own, SettingsSession* session);

  AppSettings& m_settings;
  Platform& m_platform;
  std::unique_ptr<SettingsSession> m_ownSession;
  SettingsSession& m_session;
  HistoryRecorder m_history;  // what the pages report to
  DrillPage m_drill;
  TypingPage m_typing;
  // The mouse pages are made when first used (shown, or asked for by a
  // view): their pictures and fields cost the start-up nothing. One made
  // after the window's creation is created at once, as if it had been there.
  const PracticeData& m_data;
  bool m_created = false;  // FormCreate has run
  QColor m_buttonFace;     // invalid: the pages' own default
  std::optional<MazePage> m_maze;
  std::optional<ClickPage> m_click;
  std::optional<DragPage> m_drag;
  std::optional<PuzzlePage> m_puzzle;
  MusicBox m_music;
};

}  // namespace shurencho
