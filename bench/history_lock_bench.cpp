// A finished drill item while another program holds the history file: the
// time from the item's last key to the page drawn again, through the real
// input box, with the real SQLite file held by a second connection on
// another thread for 40 s. The learner's run is timed by the page's clock;
// its time should be the typing's own, with no wait for the file in it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "data/practice_data.h"
#include "drill/drill_page.h"
#include "history/history_journal.h"
#include "history/history_recorder.h"
#include "history/history_service.h"
#include "history_sqlite/sqlite_history_store.h"
#include "support/shipped_data.h"
#include "ui/drill_view.h"
#include "ui/qt_platform.h"

using namespace shurencho;

namespace {

// Holds the file in an exclusive transaction until told or 40 s have passed.
class LockHolder final {
 public:
  explicit LockHolder(const QString& file) {
    m_thread = std::thread([this, name = QFile::encodeName(file)] {
      sqlite3* db = nullptr;
      sqlite3_open(name.constData(), &db);
      m_held = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
      m_ready = true;
      const QDeadlineTimer until(40000);
      while (!m_release && !until.hasExpired()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close(db);
    });
    while (!m_ready) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~LockHolder() {
    m_release = true;
    m_thread.join();
  }
  bool held() const { return m_held; }

 private:
  std::atomic<bool> m_ready{false};
  std::atomic<bool> m_release{false};
  std::atomic<bool> m_held{false};
  std::thread m_thread;
};

void BM_DrillItemEndWhileTheHistoryIsLocked(benchmark::State& state) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("history.sqlite"));
  QtPlatform platform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>());
  AppSettings settings = SettingsForShippedData();
  settings.CourseNo = 3;  // kana words
  const PracticeData data = LoadPracticeData(settings, QString(), ShippedKeyboardFiles());
  HistoryService service(
      [file](const BusyWait& wait) { return SqliteHistoryStore::OpenForTrainer(file, wait); },
      HistoryJournal::PathFor(file));
  QObject context;
  HistoryStatus last;
  service.SetListeners(&context, [&](const HistoryStatus& s) { last = s; }, {});
  service.Start();
  const QDeadlineTimer opening(30000);
  while (last.state != HistoryStatus::State::Open && !opening.hasExpired()) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  HistoryRecorder recorder(platform);
  recorder.Attach(&service.front());
  DrillPage page(settings, data, platform);
  page.SetHistory(&recorder);
  page.FormCreate();
  page.FormShow();
  DrillView view(page, platform, data.keyboards.jis);
  view.resize(537, 400);
  view.show();
  view.Render();
  QApplication::processEvents();

  LockHolder lock(file);
  if (!lock.held()) {
    state.SkipWithError("the file could not be locked");
    return;
  }
  QElapsedTimer typing;
  typing.start();
  double worst = 0;
  for (auto _ : state) {
    const QString question = page.state().Item.question;
    QElapsedTimer key;
    for (;;) {
      const QString hint = page.state().UnitRomaji.value(1);
      const QString typed = page.Edit2.text();
      const QChar letter = typed.size() < hint.size() ? hint.at(typed.size()) : QChar(u'a');
      QKeyEvent press(QEvent::KeyPress, letter.toUpper().unicode(), Qt::NoModifier, QString(letter));
      key.start();
      QApplication::sendEvent(view.edit2(), &press);
      if (page.state().Item.question != question) break;
    }
    view.repaint();
    const double seconds = static_cast<double>(key.nsecsElapsed()) / 1e9;
    worst = std::max(worst, seconds);
    state.SetIterationTime(seconds);
    // The learner reads the next item: the worker meanwhile retries and
    // keeps the batches in the journal, as it would all along the lock.
    const QDeadlineTimer reading(100);
    while (!reading.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  const double wall = static_cast<double>(typing.elapsed()) / 1000.0;
  const double run = SecondsBetween(0, page.state().RunElapsed);
  state.counters["worst_ms"] = worst * 1000;
  // The run's time as the page measured it against the time since the first
  // key (the run starts at the first item's end, so it is a little shorter).
  state.counters["run_s"] = run;
  state.counters["typing_s"] = wall;
  // What waits for the file when the last item is drawn.
  state.counters["waiting_rows"] = service.status().waitingRows;
}
BENCHMARK(BM_DrillItemEndWhileTheHistoryIsLocked)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

}  // namespace
