// Start-up: settings, then every data file in its fixed order, then the
// window. A data file that cannot be read ends start-up before any window
// appears, with a box that names the file.

#include <fontconfig/fontconfig.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

#include "adapters/history_module.h"
#include "adapters/lazy_media_player.h"
#include "adapters/music_player_loader.h"
#include "adapters/session_bus.h"
#include "adapters/sqlite_history_store.h"
#include "adapters/xdg_help_launcher.h"
#include "app/form1.h"
#include "app/main_window_view.h"
#include "data/practice_data.h"
#include "history/deferred_history_store.h"
#include "history/sync_worker.h"
#include "report/report_command.h"
#include "settings/settings.h"
#include "settings/settings_session.h"
#include "text/errors.h"
#include "ui/japanese_ui.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"

using namespace shurencho;

namespace {

int g_signalPipe[2] = {-1, -1};

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
    window.close();
    // Ends every event loop, a box's too: the program ends even when a box
    // was open, once the settings are saved.
    QCoreApplication::quit();
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

// The learning history: the file is checked now and opened at its first
// use. A file that passes the check but then cannot be opened turns the
// history off with the same box, once the call that found it has returned.
std::unique_ptr<HistoryStore> OpenHistoryWhenUsed(const QString& file, QString* reason, QObject& context,
                                                  std::function<void(QString)> off) {
  if (!SqliteHistoryStore::Check(file, reason)) return nullptr;
  return std::make_unique<DeferredHistoryStore>(
      [file](QString* error) { return OpenHistoryFile(file, error); },
      [&context, off = std::move(off)](const QString& why) {
        QTimer::singleShot(0, &context, [off, why] { off(why); });
      });
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

}  // namespace

int main(int argc, char* argv[]) {
  // The class table is made without a window.
  if (IsReportCommand(argc, argv)) return RunReportCommand(argc, argv);
  if (IsClassReportCommand(argc, argv)) {
    QCoreApplication app(argc, argv);
    return RunHistoryCommand(&HistoryModule::classReport, argc, argv);
  }
  TurnOffSessionBusAutolaunch();
  // The toolkit sets the locale as it starts; set first, it stays the same
  // under the reading thread.
  std::setlocale(LC_ALL, "");
  const bool classWindow = IsClassWindowCommand(argc, argv);
  const QString programPath = ProgramFilePath();
  AppSettings settings;
  SettingsSession settingsSession(SettingsFilePath(programPath));
  std::unique_ptr<EarlyReading> early;
  if (!classWindow) early = std::make_unique<EarlyReading>(settings, settingsSession, programPath);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("shurencho"));
  InstallFontSubstitutes();
  InstallDesktopStyle();
  InstallJapaneseUi();
  if (classWindow) return RunHistoryCommand(&HistoryModule::classWindow, argc, argv);

  auto music = std::make_unique<LazyMediaPlayer>(&LoadAudioPlayer);
  LazyMediaPlayer& musicPlayer = *music;
  QtPlatform platform(std::move(music), std::make_unique<XdgHelpLauncher>());

  early->Join();
  for (const QString& warning : early->warnings()) platform.ShowWarning(warning);
  std::unique_ptr<PracticeData> data;
  try {
    data = early->TakeData();
  } catch (const DataFileError& e) {
    // Said on the terminal too, for whoever started the program from one.
    std::fprintf(stderr, "shurencho: %s\n", e.text().toLocal8Bit().constData());
    // The file name comes from the settings file: shown as typed, never as markup.
    QMessageBox box(QMessageBox::Critical, settings.WindowCaption, e.text(), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 1;
  }
  platform.Randomize();

  TForm1 form(settings, *data, platform, settingsSession);
  std::unique_ptr<SyncWorker> sync;  // ends before the form and the application
  MainWindow window(form, platform);
  RunHandler(platform, [&] { form.FormCreate(); });
  RunHandler(platform, [&] { form.FormShow(); });
  window.RenderAll();
  CloseOnTerminationSignals(window);
  window.show();
  // Without a window manager (kiosk sessions) nobody else makes it active:
  // the menu's Alt keys and the input method need an active window.
  window.activateWindow();
  // The audio device and the synthesizer come once the window is drawn, and
  // only when music plays; so does the learning history, whose pages wait
  // in memory meanwhile, and whose database opens at the first record.
  StartAfterFirstPaint(window, [&] {
    RunHandler(platform, [&] { musicPlayer.Ready(); });
    const QString historyFile = SqliteHistoryStore::DefaultPath();
    QString reason;
    std::unique_ptr<HistoryStore> history =
        OpenHistoryWhenUsed(historyFile, &reason, window, [&platform, &form, historyFile](QString why) {
          RunHandler(platform, [&] { form.HistoryOpened(nullptr, historyFile, why); });
        });
    const bool opened = history != nullptr;
    RunHandler(platform, [&] { form.HistoryOpened(std::move(history), historyFile, reason); });
    // The class server gets the file's rows from a thread of its own.
    QString noModule;
    const HistoryModule* module =
        opened && !settings.HistoryServer.isEmpty() ? LoadHistoryModule(&noModule) : nullptr;
    if (!noModule.isEmpty()) std::fprintf(stderr, "shurencho: %s\n", noModule.toLocal8Bit().constData());
    if (module != nullptr) {
      const QString server = settings.HistoryServer;
      sync = std::make_unique<SyncWorker>(
          [module, historyFile, server](QString* error) {
            return module->openSyncSource(historyFile, server, error);
          },
          [module, server](QString* error) { return module->openSyncSender(server, error); },
          SyncWorker::kDefaultIntervalMs,
          [](const SyncQueue::Result& r) {
            if (!r.ok) std::fprintf(stderr, "shurencho: %s\n", r.error.toLocal8Bit().constData());
          });
      sync->Start();
    }
    window.SetHistoryStore(form.historyStore());
    // The weak-unit drill may have dealt again.
    window.RenderAll();
  });
  return QApplication::exec();
}
