#include "ui/main_window_view.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <utility>

#include "adapters/furigana_reader.h"
#include "adapters/records_module.h"
#include "data/practice_data.h"
#include "platform/control_ids.h"
#include "platform/data_dirs.h"
#include "ui/click_view.h"
#include "ui/drag_view.h"
#include "ui/drill_view.h"
#include "ui/history_notice_view.h"
#include "ui/line_break.h"
#include "ui/maze_view.h"
#include "ui/music_box_view.h"
#include "ui/puzzle_view.h"
#include "ui/qt_platform.h"
#include "ui/skill_test_view.h"
#include "ui/typing_view.h"
#include "ui/widget_style.h"

namespace shurencho {

namespace {
struct PageInfo {
  Page page;
  const char* caption;
};
// Tab order, left to right.
constexpr PageInfo kPages[] = {
    {Page::Maze, "POINT"},   {Page::Click, "CLICK"}, {Page::Drag, "DORAG"},
    {Page::Puzzle, "DOBLE"}, {Page::Drill, "特訓"},  {Page::Typing, "実践"},
};
// The page whose view holds a control the logic names.
std::optional<Page> PageOfControl(const QString& control) {
  if (control == ids::Edit2 || control == ids::ListBox1) return Page::Drill;
  if (control == ids::Memo2) return Page::Typing;
  if (control == ids::Image1) return Page::Maze;
  if (control == ids::Image3) return Page::Click;
  if (control == ids::Image6) return Page::Drag;
  if (control == ids::Image9) return Page::Puzzle;
  return std::nullopt;
}
}  // namespace

MainWindow::MainWindow(TForm1& form, QtPlatform& platform)
    : m_form(form), m_platform(platform), m_keyboardMap(platform.KeyboardMapLayout()) {
  form.SetButtonFace(palette().color(QPalette::Button));
  setFont(DesignFont(kGothic, 24));
  auto* central = new QWidget(this);
  central->setFixedSize(672, 441);
  setCentralWidget(central);

  m_pageControl = new QTabWidget(central);
  m_pageControl->setGeometry(0, 0, 537, 433);
  // Leaving the maze puts the pointer right of the page control.
  platform.RegisterControl(ids::PageControl1, m_pageControl);
  // The tab bar names its scroll buttons as it is made, before the
  // toolkit's Japanese texts are installed; they are named here.
  for (const auto& [button, name] :
       {std::pair{"ScrollLeftButton", "左へスクロール"}, {"ScrollRightButton", "右へスクロール"}}) {
    if (auto* scroll = m_pageControl->tabBar()->findChild<QToolButton*>(QLatin1String(button)))
      scroll->setAccessibleName(QString::fromUtf8(name));
  }
  for (const PageInfo& info : kPages) {
    QWidget* tab = new QWidget;
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tabs[static_cast<int>(info.page)] = tab;
    m_pageControl->addTab(tab, QString::fromUtf8(info.caption));
  }
  BuildPage(m_form.ActivePage);
  platform.SetControlProvider([this](const QString& control) {
    if (const std::optional<Page> page = PageOfControl(control)) BuildPage(*page);
  });
  connect(m_pageControl, &QTabWidget::currentChanged, this,
          [this](int index) { Run([this, index] { m_form.PageControl1Change(kPages[index].page); }); });

  m_label25 = new QLabel(central);
  m_label25->setGeometry(544, 168, 121, 265);
  m_label25->setFont(DesignFont(kMincho, 13));
  // Lines are broken by BreakJapaneseLines, not by the label.
  m_label25->setWordWrap(false);
  m_label25->setTextFormat(Qt::PlainText);
  m_label25->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetBackground(m_label25, palette().color(QPalette::Mid));

  m_button2 = new QPushButton(central);
  m_button2->setGeometry(544, 32, 121, 49);
  m_button2->setToolTip(QStringLiteral("もう終わりなの～"));
  m_button2->setFocusPolicy(Qt::TabFocus);
  connect(m_button2, &QPushButton::clicked, this, [this] { Run([this] { m_form.Button2Click(); }); });

  m_panel2 = new MusicBoxView(form.music(), platform, central);
  m_panel2->setGeometry(544, 88, 121, 73);

  m_timer1 = new QTimer(this);
  m_timer1->setInterval(1500);
  connect(m_timer1, &QTimer::timeout, this,
          [this] { pageView(Page::Click)->Run([this] { m_form.Timer1Timer(); }); });

  BuildMenu();
  platform.SetMainWindow(this);
  // The window holds exactly the menu and the pages with the side panel:
  // no empty band below them. Fixed, so a tiling desktop floats it instead
  // of stretching it.
  setFixedSize(central->width(), central->height() + menuBar()->sizeHint().height());
  PlaceOnScreen();
}

void MainWindow::BuildPage(Page page) {
  PageView*& view = m_pages[static_cast<int>(page)];
  if (view != nullptr) return;
  QWidget* tab = m_tabs[static_cast<int>(page)];
  switch (page) {
    case Page::Maze:
      view = new MazeView(m_form.maze(), m_platform);
      break;
    case Page::Click:
      view = new ClickView(m_form.click(), m_platform);
      break;
    case Page::Drag:
      view = new DragView(m_form.drag(), m_platform);
      break;
    case Page::Puzzle:
      view = new PuzzleView(m_form.puzzle(), m_platform);
      break;
    case Page::Drill:
      view = new DrillView(m_form.drill(), m_platform, m_form.data().keyboards.jis);
      break;
    case Page::Typing: {
      auto* typing = new TypingView(m_form.typing(), m_platform);
      if (m_form.settings().Furigana && m_history != nullptr) m_history->Open();  // for the grade
      const bool on =
          m_year != SchoolYear::Unset && m_year != SchoolYear::Adult && m_form.settings().Furigana;
      if (on) typing->SetReadings((furigana(), m_furigana), m_year);
      view = typing;
      break;
    }
  }
  view->afterRun = [this] { RefreshGuide(); };
  tab->layout()->addWidget(view);
  view->show();
  view->Render();
}

PageView* MainWindow::pageView(Page page) {
  BuildPage(page);
  return m_pages[static_cast<int>(page)];
}

void MainWindow::PlaceOnScreen() {
  const QScreen* screen = this->screen();
  if (screen == nullptr) return;
  // Centred in the screen's free area, but never above or left of it: on a
  // small or highly scaled screen the menu and the title stay reachable.
  const QRect area = screen->availableGeometry();
  const QSize size = frameGeometry().size().expandedTo(this->size());
  const QPoint centred = area.center() - QPoint(size.width() / 2, size.height() / 2);
  move(std::max(area.left(), centred.x()), std::max(area.top(), centred.y()));
}

void MainWindow::BuildMenu() {
  QMenuBar* bar = menuBar();
  // Menus keep the desktop's own font; the window's large design font is for the pages.
  QFont menuFont = QApplication::font();
  menuFont.setResolveMask(QFont::AllPropertiesResolved);
  bar->setFont(menuFont);
  // F1-F3 work before their menus are first opened: those items are the window's from the start.
  QAction* records = AddShortcutItem(QStringLiteral("成績(&G)"), Qt::Key_F2);
  connect(records, &QAction::triggered, this, [this] { OpenRecords(); });
  QAction* keyGuide = AddShortcutItem(QStringLiteral("キーボードガイド(&Y)"), Qt::Key_F3);
  keyGuide->setCheckable(true);
  // F3 turns the guide over as it stands, whatever the item's tick said last.
  connect(keyGuide, &QAction::triggered, this, [this] {
    const bool on = m_guide == nullptr || !m_guide->isVisible();
    if (!on) m_guideState.SetWelcome(false);
    m_form.settings().GuideShow = on;
    m_form.settings().GuideShowChosen = true;
    ShowGuide(on);
  });
  QAction* help2 = AddShortcutItem(QStringLiteral("ヘルプ(&H)"), Qt::Key_F1);
  connect(help2, &QAction::triggered, this, [this] { Run([this] { m_form.Help2Click(); }); });
  QMenu* file1 = bar->addMenu(QStringLiteral("ファイル(&F)"));
  FillOnFirstOpen(file1, [this, file1] { BuildFileMenu(file1); });
  QMenu* r1 = bar->addMenu(QStringLiteral("練習(&R)"));
  FillOnFirstOpen(r1, [this, r1, records, keyGuide] {
    BuildPracticeMenu(r1);
    r1->addAction(records);
    r1->addAction(keyGuide);
    connect(r1, &QMenu::aboutToShow, this,
            [this, keyGuide] { keyGuide->setChecked(m_guide != nullptr && m_guide->isVisible()); });
    AddReadingItems(r1);
  });
  QMenu* help1 = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
  FillOnFirstOpen(help1, [this, help1, help2] {
    help1->addAction(help2);
    help1->addAction(QStringLiteral("バージョン情報(&A)"), this,
                     [this] { Run([this] { m_form.About1Click(); }); });
  });
}

QAction* MainWindow::AddShortcutItem(const QString& text, Qt::Key key) {
  auto* item = new QAction(text, this);
  item->setShortcut(QKeySequence(key));
  item->setShortcutContext(Qt::ApplicationShortcut);
  addAction(item);
  return item;
}

void MainWindow::BuildFileMenu(QMenu* file1) {
  file1->addAction(QStringLiteral("リセット(&S)"), this, [this] {
    Run([this] { m_form.N1Click(); });
    // The reset settings decide whether the guide stays.
    if (m_guide != nullptr && m_guide->isVisible() != m_form.settings().GuideShow) {
      ShowGuide(m_form.settings().GuideShow);
    }
  });
  file1->addAction(QStringLiteral("終了(&X)"), this, [this] { Run([this] { m_form.Exit1Click(); }); });
}

void MainWindow::BuildPracticeMenu(QMenu* r1) {
  r1->addAction(QStringLiteral("ポイント(&P)"), this, [this] { Run([this] { m_form.P1Click(); }); });
  r1->addAction(QStringLiteral("クリック(&C)"), this, [this] { Run([this] { m_form.C1Click(); }); });
  r1->addAction(QStringLiteral("ドラック(&D)"), this, [this] { Run([this] { m_form.D1Click(); }); });
  r1->addAction(QStringLiteral("ダブルクリック(&B)"), this, [this] { Run([this] { m_form.B1Click(); }); });
  r1->addAction(QStringLiteral("キーボード特訓(&K)"), this, [this] { Run([this] { m_form.K1Click(); }); });
  r1->addAction(QStringLiteral("キーボード実践(&L)"), this, [this] { Run([this] { m_form.L1Click(); }); });
  BuildRomajiGuideMenu(r1->addMenu(QStringLiteral("ローマ字の表記(&H)")));
  // The kana courses typed on the kana keys of a JIS keyboard.
  QAction* kana = r1->addAction(QStringLiteral("かな入力(&J)"));
  kana->setCheckable(true);
  connect(kana, &QAction::triggered, this,
          [this](bool on) { Run([this, on] { m_form.drill().KanaInputClick(on); }); });
  connect(r1, &QMenu::aboutToShow, this, [this, kana] {
    kana->setChecked(m_form.settings().KanaInput);
    // A US keyboard has no kana keys; one left on may still be turned off.
    const bool jis = ChosenLayout().kind() == KeyboardKind::Jis;
    kana->setEnabled(jis || m_form.settings().KanaInput);
    const QString why = jis ? QString() : QStringLiteral("かな入力は JIS キーボードで使えます");
    kana->setToolTip(why);
    kana->setStatusTip(why);
  });
  r1->setToolTipsVisible(true);
  r1->addAction(QStringLiteral("実力テスト(&T)"), this, [this] { OpenSkillTest(); });
  r1->addSeparator();
}

// ふりがな over the practice text and the size of the text in our own windows.
void MainWindow::AddReadingItems(QMenu* r1) {
  QAction* readings = r1->addAction(QStringLiteral("ふりがな(&F)"));
  readings->setCheckable(true);
  // Where readings cannot be had, the item says why under it, greyed.
  QAction* why = r1->addAction(QString());
  why->setEnabled(false);
  why->setVisible(false);
  connect(readings, &QAction::triggered, this, [this](bool on) {
    m_form.settings().Furigana = on;
    m_form.settings().FuriganaChosen = true;
    ShowReadings();
  });
  QMenu* size = r1->addMenu(QStringLiteral("文字の大きさ(&Z)"));
  auto* sizes = new QActionGroup(size);
  const std::pair<int, const char16_t*> choices[] = {
      {100, u"標準(&N)"}, {125, u"大(&L)"}, {150, u"特大(&X)"}};
  for (const auto& [percent, caption] : choices) {
    QAction* item = size->addAction(QString::fromUtf16(caption), this, [this, p = percent] {
      m_form.settings().TextScaleChosen = true;
      SetTextScale(p);
    });
    item->setCheckable(true);
    item->setData(percent);
    sizes->addAction(item);
  }
  connect(r1, &QMenu::aboutToShow, this, [this, readings, why, size] {
    if (m_history != nullptr) m_history->Open();  // for the grade
    QString reason;
    const bool available = furigana().Available(&reason);
    readings->setEnabled(available);
    readings->setChecked(available && m_form.settings().Furigana);
    // Readings follow the learner's grade: without one they have nothing to go by.
    if (available && m_year == SchoolYear::Unset)
      reason = QStringLiteral("（成績で学年を選ぶと、ふりがなが出ます）");
    why->setText(reason);
    why->setVisible(!reason.isEmpty());
    for (QAction* item : size->actions())
      item->setChecked(item->data().toInt() == m_form.settings().TextScale);
  });
}

FuriganaReader& MainWindow::furigana() {
  if (m_furigana == nullptr) {
    m_furigana =
        std::make_shared<FuriganaReader>(FindDataFile(QStringLiteral("kanji.txt"), m_platform.ProgramPath()));
  }
  return *m_furigana;
}

void MainWindow::FollowLearner() {
  if (m_history == nullptr) return;
  const auto follow = [this] {
    SetLearnerYear(SchoolYearFromName(m_history->LearnerYear()));
    // The class's assignment, on the guide in every frame.
    const QString line = AssignmentLine(m_history->Assignments());
    if (line != m_guideState.assignment()) {
      m_guideState.SetAssignment(line);
      RefreshGuide();
    }
  };
  m_history->OnLearnerChanged(this, follow);
  follow();
}

void MainWindow::SetLearnerYear(SchoolYear year) {
  if (year == m_year) return;
  m_year = year;
  ShowReadings();
}

void MainWindow::ShowReadings() {
  const bool wanted = m_year != SchoolYear::Unset && m_year != SchoolYear::Adult;
  if (SkillTestView* test = findChild<SkillTestView*>(QString(), Qt::FindDirectChildrenOnly))
    test->SetReadings(wanted ? &furigana() : nullptr, m_year);
  if (auto* typing = static_cast<TypingView*>(m_pages[static_cast<int>(Page::Typing)])) {
    const bool on = wanted && m_form.settings().Furigana;
    typing->SetReadings(on ? (furigana(), m_furigana) : nullptr, m_year);
  }
}

void MainWindow::SetTextScale(int percent) {
  m_form.settings().TextScale = percent;
  if (m_guide != nullptr) m_guide->SetTextScale(percent);
  for (SkillTestView* test : findChildren<SkillTestView*>(QString(), Qt::FindDirectChildrenOnly)) {
    ScaleFonts(test, percent);
    KeepOnScreen(test);
  }
  if (m_records != nullptr) {
    ScaleFonts(m_records, percent);
    KeepOnScreen(m_records);
  }
}

// How the drill spells its romaji hint. The tick is read from the settings
// each time the menu opens, since a reset changes them.
void MainWindow::BuildRomajiGuideMenu(QMenu* guide) {
  auto* guides = new QActionGroup(guide);
  const QString guideCaptions[] = {QStringLiteral("いつもの表示(&N)"),
                                   QStringLiteral("ヘボン式　shi・tsu・fu(&H)"),
                                   QStringLiteral("訓令式　si・tu・hu(&K)")};
  for (int n = 0; n < 3; ++n) {
    QAction* item = guide->addAction(guideCaptions[n], this,
                                     [this, n] { Run([this, n] { m_form.drill().RomajiGuideClick(n); }); });
    item->setCheckable(true);
    guides->addAction(item);
  }
  connect(guide, &QMenu::aboutToShow, this, [this, guide] {
    const QList<QAction*> items = guide->actions();
    for (int n = 0; n < items.size(); ++n) items[n]->setChecked(m_form.settings().RomajiGuide == n);
  });
}

// The three-minute test runs in a window of its own; a second choice brings it forward.
void MainWindow::OpenSkillTest() {
  SkillTestView* test = findChild<SkillTestView*>(QString(), Qt::FindDirectChildrenOnly);
  if (test == nullptr) {
    // The readings follow the learner's grade, which the history holds.
    if (m_history != nullptr) m_history->Open();
    test = new SkillTestView(m_platform, &m_form.history(), SkillTestFolder(m_platform.ProgramPath()), this);
    const bool wanted = m_year != SchoolYear::Unset && m_year != SchoolYear::Adult;
    test->SetReadings(wanted ? &furigana() : nullptr, m_year);
    if (m_form.settings().TextScale != 100) {
      ScaleFonts(test, m_form.settings().TextScale);
      KeepOnScreen(test);
    }
  }
  test->show();
  test->raise();
  test->activateWindow();
}

void MainWindow::OpenRecords() {
  if (m_history == nullptr) {
    m_platform.ShowInformation(QStringLiteral("学習の記録を取っていないため、成績はありません。"));
    return;
  }
  // The read runs on the history's thread; a second F2 meanwhile asks nothing more.
  if (m_reading) return;
  m_reading = true;
  m_history->Read(10, this,
                  [this](const LearnerHistory& history, const QString& error, const HistoryStatus& status) {
                    m_reading = false;
                    if (!m_closed) ShowRecords(history, error, status);
                  });
}

void MainWindow::ShowRecords(const LearnerHistory& history, const QString& error,
                             const HistoryStatus& status) {
  // Each opening reads the history afresh; one already open is replaced in place.
  QRect placed;
  if (m_records != nullptr) {
    placed = m_records->geometry();
    m_records->close();
  }
  // The charts and their libraries come in a module of their own, loaded at
  // the first opening, so they cost the start-up nothing.
  const ModuleLoad<RecordsModule>& module = LoadModule<RecordsModule>();
  if (module.api == nullptr) {
    m_platform.ShowError(QStringLiteral("成績の画面を開けません。\n%1").arg(module.error));
    return;
  }
  // Renaming goes through the history's thread too; the answer comes back to the 成績 window.
  HistoryService* service = m_history;
  const RecordsPage::Renamer rename = [service](const QString& name, QObject* context,
                                                HistoryService::RenameDone done) {
    service->Rename(name, context, std::move(done));
  };
  const RecordsPage::YearSetter setYear = [service](const QString& year, QObject* context,
                                                    HistoryService::RenameDone done) {
    service->SetLearnerYear(year, context, std::move(done));
  };
  const RecordsPage::ClassSetter setClass = [service](const LearnerClass& place, QObject* context,
                                                      HistoryService::RenameDone done) {
    service->SetClassOfLearner(place, context, std::move(done));
  };
  m_records = module.api->createOf(history, error, HistoryStateText(status), rename, setYear, setClass,
                                   m_form.settings(), ChosenLayout(), this);
  m_records->setAttribute(Qt::WA_DeleteOnClose);
  if (m_form.settings().TextScale != 100) ScaleFonts(m_records, m_form.settings().TextScale);
  if (placed.isValid()) m_records->setGeometry(placed);
  m_records->show();
  m_records->raise();
  m_records->activateWindow();
}

void MainWindow::ShowHistoryStatus(const HistoryStatus& status) {
  m_historyStatus = status;
  QStringList told;
  // Each note once, line by line: the journal's may come before the file's.
  for (const QString& line : status.note.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
    if (m_notesTold.contains(line)) continue;
    m_notesTold.insert(line);
    told << line;
  }
  if (!status.reason.isEmpty()) {
    // Each fault once: a lock that comes back is not told again.
    if (!m_told.contains(status.reason)) {
      m_told.insert(status.reason);
      m_faultTold = true;
      m_stateTold = HistoryStateText(status);
      told << m_stateTold;
    } else if (m_notice != nullptr && m_notice->isVisible() && !m_stateTold.isEmpty() &&
               m_notice->text().contains(m_stateTold)) {
      // The same fault still in view: its count of waiting records kept current.
      const QString now = HistoryStateText(status);
      if (now != m_stateTold) {
        m_notice->Tell(m_notice->text().replace(m_stateTold, now));
        m_stateTold = now;
      }
    }
  } else if (status.state == HistoryStatus::State::Open && status.written > 0) {
    told << (m_faultTold ? QStringLiteral("学習履歴のファイルに書き込めるようになりました。"
                                          "待っていた記録 %1 件を書き込みました。")
                         : QStringLiteral("前回書き込めなかった記録 %1 件を学習履歴に書き込みました。"))
                .arg(status.written);
    m_faultTold = false;
  }
  if (!told.isEmpty()) Tell(told.join(QStringLiteral("\n\n")));
}

void MainWindow::Tell(const QString& text) {
  if (m_closed) return;
  if (m_notice == nullptr) m_notice = new HistoryNoticeView(this);
  m_notice->SetNeighbour(m_guide);
  m_notice->Tell(text);
}

void MainWindow::ShowGuide(bool on) {
  if (!on || m_closed) {
    if (m_guide != nullptr) m_guide->hide();
  } else {
    if (m_guide == nullptr) {
      m_guide = new KeyboardGuideView(this);
      m_guide->onPlaced = [this] {
        // The notice goes under the guide, so the two never overlap.
        if (m_notice != nullptr && m_notice->isVisible()) m_notice->Place();
      };
      m_guide->onStep = [this](const GuideStep& step) { TakeStep(step); };
      if (m_form.settings().TextScale != 100) m_guide->SetTextScale(m_form.settings().TextScale);
      m_guide->onLayoutChosen = [this](KeyboardKind kind) { ChooseLayout(kind); };
      m_guide->onClosed = [this] {
        // Closed by its title bar: as F3 would, and remembered.
        m_form.settings().GuideShow = false;
        m_form.settings().GuideShowChosen = true;
        m_guideState.SetWelcome(false);
      };
    }
    m_guide->SetLayoutChoice(ChosenLayout().kind());
    m_guide->Place();
    m_guide->show();
    RefreshGuide();
  }
  if (m_notice != nullptr) {
    m_notice->SetNeighbour(m_guide);
    if (m_notice->isVisible()) m_notice->Place();
  }
}

void MainWindow::TakeStep(const GuideStep& step) {
  m_guideState.SetWelcome(false);
  // The steps are the drill's: its page comes into view as a click on its tab would.
  const int drillTab = m_pageControl->indexOf(m_tabs[static_cast<int>(Page::Drill)]);
  if (m_pageControl->currentIndex() != drillTab) m_pageControl->setCurrentIndex(drillTab);
  pageView(Page::Drill)->Run([this, step] { TakeGuideStep(m_form.drill(), step); });
  RefreshGuide();
}

void MainWindow::RefreshGuide() {
  if (m_guide == nullptr || !m_guide->isVisible()) return;
  GuideFeed feed;
  bool kana = false;
  if (m_form.ActivePage == Page::Drill) {
    feed = FeedFromDrill(m_form.drill());
    kana = m_form.drill().KanaMode();
  } else if (m_form.ActivePage == Page::Typing) {
    feed = FeedFromTyping(m_form.typing(), m_form.settings(), ChosenLayout());
    kana = m_form.settings().KanaInput;
  }
  m_guideState.SetLayout(&ChosenLayout());
  m_guide->Show(m_guideState.Compose(feed, kana));
}

const KeyboardLayout& MainWindow::ChosenLayout() const {
  return m_form.data().keyboards.Of(ChosenKeyboard(m_form.settings().GuideLayout, m_keyboardMap));
}

void MainWindow::ChooseLayout(KeyboardKind kind) {
  AppSettings& settings = m_form.settings();
  settings.GuideLayout = KeyboardSettingName(kind);
  settings.GuideLayoutChosen = true;
  // The kana keys are the JIS keyboard's: a US keyboard goes back to romaji.
  if (kind == KeyboardKind::Us && settings.KanaInput) {
    pageView(Page::Drill)->Run([this] { m_form.drill().KanaInputClick(false); });
  }
  RefreshGuide();
}

template <typename F>
void MainWindow::Run(F&& command) {
  RunHandler(m_platform, command);
  if (m_form.CloseRequested) {
    close();
    return;
  }
  RenderAll();
}

void MainWindow::RenderAll() {
  setWindowTitle(m_form.Caption);
  {
    const QSignalBlocker block(m_pageControl);
    // The page made active from code is shown without a page-change event.
    BuildPage(m_form.ActivePage);
    m_pageControl->setCurrentWidget(m_tabs[static_cast<int>(m_form.ActivePage)]);
  }
  const QString help = ToWidgetText(m_form.Label25.caption);
  if (m_shownHelp != help) {
    m_shownHelp = help;
    // The IPA fonts set lines a little wider apart than the design's fonts:
    // the longest explanation gets a slightly smaller size so no line is lost.
    for (int px = 13; px >= 10; --px) {
      const QFont font = DesignFont(kMincho, px);
      const QFontMetrics metrics(font);
      const QString lines = BreakJapaneseLines(help, metrics, m_label25->contentsRect().width());
      m_label25->setFont(font);
      m_label25->setText(lines);
      if ((lines.count(QLatin1Char('\n')) + 1) * metrics.lineSpacing() <= m_label25->contentsRect().height())
        break;
    }
  }
  m_button2->setText(m_form.Button2.caption);
  if (m_form.Timer1Enabled != m_timer1->isActive()) {
    if (m_form.Timer1Enabled) {
      m_timer1->start();
    } else {
      m_timer1->stop();
    }
  }
  m_panel2->Render();
  for (PageView* page : m_pages) {
    if (page != nullptr) page->Render();
  }
  RefreshGuide();
}

namespace {

// A Wayland compositor places a new window itself, over the practice, and
// gives it the keyboard: there the guide waits for F3.
bool CanPlaceWindows() { return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland")); }

}  // namespace

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  RenderAll();
  // The guide chosen last time comes back once the window is up; at the
  // first start it comes by itself to show where to begin.
  const AppSettings& settings = m_form.settings();
  if (m_guide != nullptr) return;
  if (settings.GuideShow) {
    QTimer::singleShot(0, this, [this] { ShowGuide(m_form.settings().GuideShow); });
  } else if (m_firstStart && !settings.GuideShowInFile && !settings.GuideShowChosen && CanPlaceWindows()) {
    m_guideState.SetWelcome(true);
    QTimer::singleShot(0, this, [this] { ShowGuide(true); });
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!m_closed) {
    m_closed = true;
    m_timer1->stop();
    // Hidden, not closed: closing deletes it, and one of its boxes may be
    // open (a termination signal closes the window from inside that box's
    // loop). It goes with the main window.
    if (m_records != nullptr) m_records->hide();
    if (m_guide != nullptr) m_guide->hide();
    if (m_notice != nullptr) m_notice->hide();
    // A test under way is recorded as left before the history closes.
    for (SkillTestView* test : findChildren<SkillTestView*>(QString(), Qt::FindDirectChildrenOnly))
      test->close();
    m_form.FormClose();
  }
  event->accept();
}

}  // namespace shurencho
