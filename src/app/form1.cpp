#include "app/form1.h"

#include "app/help_about.h"
#include "app/page_texts.h"
#include "platform/control_ids.h"
#include "text/errors.h"

namespace shurencho {

TForm1::TForm1(AppSettings& settings, const PracticeData& data, Platform& platform, SettingsSession& session)
    : TForm1(settings, data, platform, nullptr, &session) {}

TForm1::TForm1(AppSettings& settings, const PracticeData& data, Platform& platform, QString settingsPath)
    : TForm1(settings, data, platform, std::make_unique<SettingsSession>(std::move(settingsPath)), nullptr) {}

TForm1::TForm1(AppSettings& settings, const PracticeData& data, Platform& platform,
               std::unique_ptr<SettingsSession> own, SettingsSession* session)
    : m_settings(settings),
      m_platform(platform),
      m_ownSession(std::move(own)),
      m_session(session ? *session : *m_ownSession),
      m_history(platform),
      m_drill(settings, data, platform),
      m_typing(settings, data, platform),
      m_data(data),
      m_music(settings, platform, [this] { FocusActivePageInput(); }) {
  Button2.caption = QStringLiteral("終了");
  m_drill.SetHistory(&m_history);
  m_typing.SetHistory(&m_history);
}

void TForm1::FormCreate() {
  ActivePage = Page::Drill;
  Label25.caption = page_texts::Drill();
  m_drill.FormCreate();
  m_typing.FormCreate();
  Caption = m_settings.WindowCaption;
  // A music file that cannot be opened is reported with the player's text;
  // the mouse pages are still prepared, so the window is whole either way.
  try {
    m_music.FormCreate();
  } catch (const AppError& e) {
    m_platform.ShowError(e.text());
  }
  m_created = true;
  if (m_maze) m_maze->FormCreate();
  if (m_click) m_click->FormCreate();
  if (m_drag) m_drag->FormCreate();
  if (m_puzzle) m_puzzle->FormCreate();
}

namespace {

// A mouse page made after the window's creation is set up as the window set
// up the pages made with it: it reports to the history, paints with the
// desktop's button face, and is created at once.
template <typename P, typename... Args>
void MakeLate(std::optional<P>& page, HistoryRecorder& history, const QColor& buttonFace, bool created,
              Args&... args) {
  if (page) return;
  page.emplace(args...);
  page->SetHistory(&history);
  if constexpr (requires { page->ButtonFace; }) {
    if (buttonFace.isValid()) page->ButtonFace = buttonFace;
  }
  if (created) page->FormCreate();
}

}  // namespace

void TForm1::MakePage(Page page) {
  switch (page) {
    case Page::Maze:
      return MakeLate(m_maze, m_history, m_buttonFace, m_created, m_settings, m_data, m_platform);
    case Page::Click:
      return MakeLate(m_click, m_history, m_buttonFace, m_created, m_platform);
    case Page::Drag:
      return MakeLate(m_drag, m_history, m_buttonFace, m_created, m_platform);
    case Page::Puzzle:
      return MakeLate(m_puzzle, m_history, m_buttonFace, m_created, m_platform);
    case Page::Drill:
    case Page::Typing:
      return;
  }
}

MazePage& TForm1::maze() {
  MakePage(Page::Maze);
  return *m_maze;
}

ClickPage& TForm1::click() {
  MakePage(Page::Click);
  return *m_click;
}

DragPage& TForm1::drag() {
  MakePage(Page::Drag);
  return *m_drag;
}

PuzzlePage& TForm1::puzzle() {
  MakePage(Page::Puzzle);
  return *m_puzzle;
}

void TForm1::FormShow() {
  m_drill.FormShow();
  try {
    m_music.FormShow();
  } catch (const AppError& e) {
    m_platform.ShowError(e.text());
  }
}

void TForm1::FormClose() {
  // The runs under way are written before the window goes.
  m_drill.FormClose();
  m_typing.FormClose();
  try {
    m_session.Save(m_settings);
  } catch (const SettingsError&) {
    m_platform.ShowWarning(QString::fromUtf8(kSaveFailedWarning));
  }
}

void TForm1::PageControl1Change(Page page) {
  MakePage(page);
  ActivePage = page;
  switch (page) {
    case Page::Drill:
      Timer1Enabled = false;
      Label25.caption = page_texts::Drill();
      m_platform.SetFocus(ids::Edit2);
      break;
    case Page::Typing:
      Timer1Enabled = false;
      Label25.caption = page_texts::Typing();
      m_platform.SetFocus(ids::Memo2);
      break;
    case Page::Maze:
      Label25.caption = page_texts::Maze();
      Timer1Enabled = false;
      MovePointerToMazeStart();
      break;
    case Page::Click:
      Label25.caption = page_texts::Click();
      Timer1Enabled = true;
      break;
    case Page::Drag:
      Label25.caption = page_texts::Drag();
      Timer1Enabled = false;
      break;
    case Page::Puzzle:
      Label25.caption = page_texts::Puzzle();
      Timer1Enabled = false;
      break;
  }
}

void TForm1::Button2Click() { CloseRequested = true; }

void TForm1::Exit1Click() {
  Timer1Enabled = false;
  CloseRequested = true;
}

void TForm1::N1Click() {
  LoadSettings(m_settings, false, m_session.path());
  FormCreate();
  FormShow();
}

void TForm1::P1Click() {
  ShowPage(Page::Maze);
  MovePointerToMazeStart();
  Timer1Enabled = false;
}

void TForm1::C1Click() {
  ShowPage(Page::Click);
  Timer1Enabled = true;
}

void TForm1::D1Click() {
  ShowPage(Page::Drag);
  Timer1Enabled = false;
}

void TForm1::B1Click() {
  ShowPage(Page::Puzzle);
  Timer1Enabled = false;
}

void TForm1::K1Click() {
  ShowPage(Page::Drill);
  m_platform.SetFocus(ids::Edit2);
  Timer1Enabled = false;
}

void TForm1::L1Click() {
  ShowPage(Page::Typing);
  m_platform.SetFocus(ids::Memo2);
  Timer1Enabled = false;
}

void TForm1::Help2Click() { OpenHelpDocument(m_settings, m_platform); }

void TForm1::About1Click() { ShowAbout(m_settings, m_platform); }

void TForm1::Timer1Timer() {
  if (Timer1Enabled) click().Timer1Timer();
}

void TForm1::ShowPage(Page page) {
  MakePage(page);
  ActivePage = page;
}

void TForm1::MovePointerToMazeStart() { maze().ReturnToStart(); }

void TForm1::FocusActivePageInput() {
  if (ActivePage == Page::Drill) m_platform.SetFocus(ids::Edit2);
  if (ActivePage == Page::Typing) m_platform.SetFocus(ids::Memo2);
}

}  // namespace shurencho
