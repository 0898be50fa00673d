// Start-up: settings, then every data file in its fixed order, then the
// window. A data file that cannot be read ends start-up before any window
// appears, with a box that names the file.

#include <fontconfig/fontconfig.h>
#include <malloc.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "adapters/history_module.h"
#include "adapters/history_path.h"
#include "adapters/lazy_media_player.h"
#include "adapters/music_player_loader.h"
#include "adapters/session_bus.h"
#include "adapters/xdg_help_launcher.h"
#include "app/form1.h"
#include "data/practice_data.h"
#include "history/history_journal.h"
#include "history/history_service.h"
#include "history/sync_worker.h"
#include "main/command_line.h"
#include "measure/course.h"
#include "platform/clock.h"
#include "report/report_command.h"
#include "settings/settings.h"
#include "settings/settings_session.h"
#include "text/errors.h"
#include "ui/japanese_ui.h"
#include "ui/main_window_view.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"

using namespace shurencho;

namespace {

int g_signalPipe[2] = {-1, -1};
bool g_closedBySignal = false;  // a logout or a kill closed the window

void OnTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// A logout or a kill asks the program to end: it closes the window the usual
// way, so the settings and the records of this session are saved first, and
// then ends.
void CloseOnTerminationSignals(QWidget& window) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
    char byte = 0;
    [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
    notifier->setEnabled(false);
    g_closedBySignal = true;
    window.close();
    // Ends every event loop, a box's too, and any box opened after: the
    // program ends even when a box was open, once the settings are saved,
    // and even when that box is the one the close opened after the main
    // loop (where a quit would be heard by nobody).
    QCoreApplication::exit(0);
  });
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &action, nullptr);
}

// Runs start once, from the event loop, after the window's first paint.
void StartAfterFirstPaint(QWidget& window, std::function<void()> start) {
  class FirstPaint final : public QObject {
   public:
    FirstPaint(QObject* parent, std::function<void()> start) : QObject(parent), m_start(std::move(start)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Paint) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
          m_start();
          deleteLater();
        });
      }
      return false;
    }

   private:
    std::function<void()> m_start;
  };
  window.installEventFilter(new FirstPaint(&window, std::move(start)));
}

// Said once when the history is stopped with records it could not write:
// on stderr always, and in a box after a close by the learner (a logout
// must not wait for anyone to read one).
void TellUnwrittenRecords(const HistoryService::Closing& closing, const QString& journal,
                          const QString& caption) {
  if (closing.unwrittenRows <= 0) return;
  QString text;
  if (!closing.inTime) {
    text = QStringLiteral(
               "学習履歴の書き込みが終わらないうちに終了しました。記録 %1 件が失われたかもしれません。")
               .arg(closing.unwrittenRows);
  } else if (closing.kept) {
    text = QStringLiteral(
               "学習履歴のファイルに書き込めなかった記録が %1 件あります。"
               "%2 に保存したので、ファイルが使えるようになってから起動したときに書き込みます。")
               .arg(closing.unwrittenRows)
               .arg(journal);
  } else {
    text = QStringLiteral(
               "学習履歴のファイルに書き込めなかった記録が %1 件あり、保存もできませんでした。"
               "これらの記録は失われました。")
               .arg(closing.unwrittenRows);
  }
  std::fprintf(stderr, "shurencho: %s\n", text.toLocal8Bit().constData());
  if (g_closedBySignal) return;
  QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

// This program's file, as the toolkit finds it once it has started.
QString ProgramFilePath() {
  return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).canonicalFilePath();
}

// What start-up reads before the window: the desktop's font configuration,
// the settings (with the warnings to show) and every data file. None of it
// needs the display, so it is read on a thread of its own while the toolkit
// connects to the display; Join() before the first box or widget.
class EarlyReading final {
 public:
  EarlyReading(AppSettings& settings, SettingsSession& session, const QString& programPath)
      : m_thread([this, &settings, &session, programPath] {
          FcInit();
          try {
            m_warnings = session.Load(settings);
            m_data = std::make_unique<PracticeData>(LoadPracticeData(settings, programPath));
          } catch (...) {
            m_error = std::current_exception();
          }
        }) {}
  ~EarlyReading() { Join(); }
  EarlyReading(const EarlyReading&) = delete;
  EarlyReading& operator=(const EarlyReading&) = delete;

  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }
  const QStringList& warnings() const { return m_warnings; }
  // The data, or what stopped their reading, thrown again.
  std::unique_ptr<PracticeData> TakeData() {
    if (m_error) std::rethrow_exception(m_error);
    return std::move(m_data);
  }

 private:
  QStringList m_warnings;
  std::unique_ptr<PracticeData> m_data;
  std::exception_ptr m_error;
  std::thread m_thread;  // last: starts once the rest is made
};

// The commands answered without the practice window: --help and --version
// (with no display), the class table from records files, and the class
// server's table. Nothing when the window is to start.
std::optional<int> RunWindowlessCommand(const CommandLine& line, int& argc, char* argv[]) {
  if (const int status = RunInfoCommand(line); status >= 0) return status;
  if (line.kind == CommandLine::Kind::Report) return RunReportCommand(line.operands);
  if (line.kind == CommandLine::Kind::ClassReport) {
    QCoreApplication app(argc, argv);
    return RunHistoryCommand(&HistoryModule::classReport, argc, argv);
  }
  if (line.kind == CommandLine::Kind::ClassArchive) {
    QCoreApplication app(argc, argv);
    return RunHistoryCommand(&HistoryModule::classArchive, argc, argv);
  }
  if (line.kind == CommandLine::Kind::ClassRoster) {
    QCoreApplication app(argc, argv);
    return RunHistoryCommand(&HistoryModule::classRoster, argc, argv);
  }
  if (line.kind == CommandLine::Kind::ClassAssign) {
    QCoreApplication app(argc, argv);
    return RunHistoryCommand(&HistoryModule::classAssign, argc, argv);
  }
  return std::nullopt;
}

// The toolkit's look: the application's name, the design fonts, the desktop
// style and the Japanese locale. The Japanese texts of its own dialogs are
// installed once the main window is made (or at once when there is none):
// the tab bar asks for texts of its own as it is made.
void SetUpToolkit() {
  QApplication::setApplicationName(QStringLiteral("shurencho"));
  InstallFontSubstitutes();
  InstallDesktopStyle();
  UseJapaneseLocale();
}

// Waits for the early reading, shows its warnings and takes the data; null
// after a data file that could not be read was told.
std::unique_ptr<PracticeData> TakeStartUpData(EarlyReading& early, QtPlatform& platform,
                                              const AppSettings& settings) {
  early.Join();
  // A box shown before the main window has the toolkit's Japanese texts too.
  if (!early.warnings().isEmpty()) InstallToolkitJapanese();
  for (const QString& warning : early.warnings()) platform.ShowWarning(warning);
  try {
    return early.TakeData();
  } catch (const DataFileError& e) {
    // Said on the terminal too, for whoever started the program from one.
    std::fprintf(stderr, "shurencho: %s\n", e.text().toLocal8Bit().constData());
    // The file name comes from the settings file: shown as typed, never as markup.
    InstallToolkitJapanese();
    QMessageBox box(QMessageBox::Critical, settings.WindowCaption, e.text(), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return nullptr;
  }
}

// The class server gets the file's rows from a thread of its own; started
// once, when the history is ready and a server is set.
void StartSync(std::unique_ptr<SyncWorker>& sync, const QString& server, HistoryService& history) {
  if (sync || server.isEmpty()) return;
  QString noModule;
  const HistoryModule* module = LoadHistoryModule(&noModule);
  if (!noModule.isEmpty()) std::fprintf(stderr, "shurencho: %s\n", noModule.toLocal8Bit().constData());
  if (module == nullptr) return;
  const QString file = history.status().file;
  sync = std::make_unique<SyncWorker>(
      [module, file, server](QString* error) { return module->openSyncSource(file, server, error); },
      [module, server](QString* error) { return module->openSyncSender(server, error); },
      SyncWorker::kDefaultIntervalMs,
      [&history](const SyncQueue::Result& r) {
        if (!r.ok) std::fprintf(stderr, "shurencho: %s\n", r.error.toLocal8Bit().constData());
        // A new assignment kept in the file: the guide reads it (through the history's worker).
        if (r.assignmentsChanged) history.ReloadAssignments();
      });
  sync->Start();
}

// Where the learner is, for the teacher's class window: the page open (the
// drill by its course) and how long since an item, run or stage ended, or
// since the program opened when none has.
Presence PresenceOf(TForm1& form, HistoryService& history, QtPlatform& platform, ClockTime opened) {
  Presence p;
  p.name = history.front().LearnerName();
  p.machine = QSysInfo::machineHostName();
  if (p.machine.isEmpty()) p.machine = QStringLiteral("localhost");
  const AppSettings& s = form.settings();
  switch (form.ActivePage) {
    case Page::Maze:
      p.page = QStringLiteral("POINT");
      break;
    case Page::Click:
      p.page = QStringLiteral("CLICK");
      break;
    case Page::Drag:
      p.page = QStringLiteral("DORAG");
      break;
    case Page::Puzzle:
      p.page = QStringLiteral("DOBLE");
      break;
    case Page::Typing:
      p.page = QStringLiteral("実践");
      break;
    case Page::Drill:
      p.page = QStringLiteral("コース%1").arg(s.CourseNo + 1);
      p.course = DrillCourseId(s.CourseNo + 1, s.KanaInput);
      break;
  }
  const ClockTime last = std::max(form.history().lastEnded(), opened);
  p.itemAgeMs = std::max<qint64>(0, ClockMs(platform.Now() - last));
  return p;
}

// The form's first events, then the window on the screen.
void ShowMainWindow(TForm1& form, MainWindow& window, HistoryService& history, QtPlatform& platform) {
  form.AttachHistory(&history.front());
  window.SetHistory(&history);
  RunHandler(platform, [&] { form.FormCreate(); });
  RunHandler(platform, [&] { form.FormShow(); });
  window.RenderAll();
  CloseOnTerminationSignals(window);
  window.show();
  // Without a window manager (kiosk sessions) nobody else makes it active:
  // the menu's Alt keys and the input method need an active window.
  window.activateWindow();
}

// After the event loop: the sync winds down while the history closes.
int CloseDown(int status, HistoryService& history, std::unique_ptr<SyncWorker>& sync,
              const QString& historyFile, const QString& caption) {
  if (sync) sync->AskToStop();
  // Closing never waits long on the history: what it cannot write in time
  // stays in the journal, and is said.
  TellUnwrittenRecords(history.Stop(1500), HistoryJournal::PathFor(historyFile), caption);
  if (sync && !sync->Stop()) {
    // A round still waits for the class server, on a thread nothing may be
    // torn down under. The settings and the history are saved by now, and
    // the rows it did not mark go next time: the program ends here.
    std::fflush(nullptr);
    std::_Exit(status);
  }
  return status;
}

// The practice window from its making to its close.
int RunWindow(AppSettings& settings, SettingsSession& settingsSession, PracticeData& data,
              QtPlatform& platform, LazyMediaPlayer& musicPlayer) {
  // The learning history's worker: the pages hand it their records from the
  // start and never wait for it; it opens the file after the first paint.
  // Made before the form, it outlives everything that reports to it.
  const QString historyFile = DefaultHistoryPath();
  HistoryService history([historyFile](const BusyWait& wait) { return OpenHistoryFile(historyFile, wait); },
                         HistoryJournal::PathFor(historyFile));
  // The database code (Qt SQL, SQLite) is loaded at the history's first
  // use; a file the check finds at fault is opened at once, so the fault is
  // told as the window appears.
  history.OpenWhenFirstUsed([historyFile] {
    if (!CheckHistoryFile(historyFile)) return false;
    // An empty file is a new history to the store; made now, the next start
    // is no first start, as when the database was made at once.
    QFile file(historyFile);
    return file.exists() || file.open(QIODevice::WriteOnly | QIODevice::NewOnly) || file.exists();
  });
  // The class server is sent the file's rows from the start.
  if (!settings.HistoryServer.isEmpty()) history.Open();
  TForm1 form(settings, data, platform, settingsSession);
  std::unique_ptr<SyncWorker> sync;  // ends before the form and the application
  MainWindow window(form, platform);
  InstallToolkitJapanese();
  // No history yet: a first start, for the guide's welcome.
  window.SetFirstStart(!QFileInfo::exists(historyFile));
  ShowMainWindow(form, window, history, platform);
  // The audio device and the synthesizer come once the window is drawn, and
  // only when music plays; the learning history's file is opened then, on
  // its own thread, and its faults are told beside the window.
  history.SetListeners(
      &window, [&window](const HistoryStatus& status) { window.ShowHistoryStatus(status); },
      [&] {
        // The weak-unit drill may deal again.
        RunHandler(platform, [&] { form.HistoryReady(); });
        window.FollowLearner();
        window.RenderAll();
        StartSync(sync, settings.HistoryServer, history);
      });
  // A finished pass goes to the class server within seconds, so that the
  // teacher's class window sees it during the lesson.
  history.OnRunsWritten(&window, [&sync] {
    if (sync) sync->SyncSoon();
  });
  // The sync worker only keeps what it is told here, and sends it with its
  // rounds and once a minute.
  const ClockTime opened = platform.Now();
  QTimer presence;
  presence.setInterval(10000);
  QObject::connect(&presence, &QTimer::timeout, &window, [&] {
    if (sync) sync->SetPresence(PresenceOf(form, history, platform, opened));
  });
  if (!settings.HistoryServer.isEmpty()) presence.start();
  StartAfterFirstPaint(window, [&] {
    RunHandler(platform, [&] { musicPlayer.Ready(); });
    history.Start();
    // Start-up's passing allocations (the data files' text, the first
    // layouts) leave free pages behind that would otherwise stay resident.
    malloc_trim(0);
  });
  return CloseDown(QApplication::exec(), history, sync, historyFile, settings.WindowCaption);
}

}  // namespace

int main(int argc, char* argv[]) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QFile::decodeName(argv[i]);
  const CommandLine line = ParseCommandLine(args);
  if (const std::optional<int> status = RunWindowlessCommand(line, argc, argv)) return *status;
  TurnOffSessionBusAutolaunch();
  // One malloc arena for every thread: the reading and history threads
  // allocate little, and an arena of their own would each keep its pages
  // resident for the whole session.
  mallopt(M_ARENA_MAX, 1);
  // The toolkit sets the locale as it starts; set first, it stays the same
  // under the reading thread.
  std::setlocale(LC_ALL, "");
  const bool classWindow = line.kind == CommandLine::Kind::ClassWindow;
  const QString programPath = ProgramFilePath();
  AppSettings settings;
  SettingsSession settingsSession(SettingsFilePath(programPath));
  std::unique_ptr<EarlyReading> early;
  if (!classWindow) early = std::make_unique<EarlyReading>(settings, settingsSession, programPath);
  QApplication app(argc, argv);
  SetUpToolkit();
  if (classWindow) {
    InstallToolkitJapanese();
    return RunHistoryCommand(&HistoryModule::classWindow, argc, argv);
  }

  auto music = std::make_unique<LazyMediaPlayer>(&LoadAudioPlayer);
  LazyMediaPlayer& musicPlayer = *music;
  QtPlatform platform(std::move(music), std::make_unique<XdgHelpLauncher>());
  const std::unique_ptr<PracticeData> data = TakeStartUpData(*early, platform, settings);
  if (!data) return 1;
  platform.Randomize();
  return RunWindow(settings, settingsSession, *data, platform, musicPlayer);
}
