#include "history_module/class_view.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "adapters/records_module.h"
#include "data/keyboard_layout.h"
#include "history_module/class_live_view.h"
#include "history_module/class_window.h"
#include "history_postgres/postgres_class_command.h"
#include "report/class_table.h"
#include "report/records_summary.h"
#include "text/errors.h"

namespace shurencho {

struct ClassView::Inbox {
  std::mutex mutex;
  ClassView* view = nullptr;
};

namespace {

// A little longer than the read itself waits once connected.
constexpr int kGiveUpMs = 13000;

// Reads on their threads, by number: started and joined on the GUI thread.
// Never destroyed, so a read still waiting when the program ends is no fault.
std::atomic<int> g_readsRunning{0};
int g_lastReader = 0;
std::map<int, std::thread>& Readers() {
  static auto* const readers = new std::map<int, std::thread>;
  return *readers;
}

QTableWidgetItem* Cell(const QString& text, bool number = false) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

// The columns: each course's best and latest, then the learner's figures.
void SetHeaders(QTableWidget* table, const QList<int>& courses, bool years, const AppSettings& settings) {
  QStringList headers{QStringLiteral("学習者")};
  if (years) headers << QStringLiteral("学年");
  for (int course : courses) {
    const QString name = CourseLabel(course, &settings);
    headers << name + QStringLiteral(" 最高") << name + QStringLiteral(" 最新");
  }
  headers << QStringLiteral("級") << QStringLiteral("正確さ") << QStringLiteral("苦手なかな")
          << QStringLiteral("マウス") << QStringLiteral("最終練習日");
  table->setColumnCount(headers.size());
  table->setHorizontalHeaderLabels(headers);
}

}  // namespace

ClassView::ClassView(QString serverText, const AppSettings& settings, QWidget* parent)
    : QWidget(parent), m_server(std::move(serverText)), m_settings(settings) {
  setWindowTitle(QStringLiteral("クラスの成績一覧"));
  auto* layout = new QVBoxLayout(this);
  m_table = new QTableWidget(this);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->verticalHeader()->hide();
  SetHeaders(m_table, ClassCourses({}), false, m_settings);
  connect(m_table, &QTableWidget::cellClicked, this, [this](int row, int) { OpenLearner(row); });
  m_status = new QLabel(this);
  m_status->setTextFormat(Qt::PlainText);
  m_reload = new QPushButton(QStringLiteral("読み直す(&R)"), this);
  connect(m_reload, &QPushButton::clicked, this, [this] { Reload(); });
  auto* liveLine = new QLabel(this);
  liveLine->setTextFormat(Qt::PlainText);
  layout->addWidget(m_table);
  layout->addWidget(m_status);
  layout->addWidget(liveLine);
  m_assign = new QPushButton(QStringLiteral("課題を出す(&A)…"), this);
  connect(m_assign, &QPushButton::clicked, this, [this] { SetAssignment(); });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_assign);
  buttons->addWidget(m_reload);
  layout->addLayout(buttons);
  m_giveUp = new QTimer(this);
  m_giveUp->setSingleShot(true);
  m_giveUp->setInterval(kGiveUpMs);
  connect(m_giveUp, &QTimer::timeout, this, [this] {
    // Left waiting on its thread; its answer, should one come, is dropped.
    m_reader = 0;
    m_reading = false;
    m_reload->setEnabled(true);
    m_status->setText(QStringLiteral("読めませんでした: クラスのサーバーが応答しません。"));
  });
  m_inbox = std::make_shared<Inbox>();
  m_inbox->view = this;
  // Wide for its many columns, but never wider than the screen's free area.
  const QScreen* screen = QGuiApplication::primaryScreen();
  resize(screen != nullptr ? QSize(1200, 600).boundedTo(screen->availableGeometry().size())
                           : QSize(1200, 600));
  m_live = new ClassLive(
      m_server, liveLine, [this] { Reload(); }, this);
  Reload();
}

ClassView::~ClassView() {
  {
    const std::lock_guard lock(m_inbox->mutex);
    m_inbox->view = nullptr;
  }
  // The 成績 window reads the store: it goes first.
  delete m_records;
}

bool ClassView::ReadsRunning() { return g_readsRunning.load() > 0; }

void ClassView::SetAssignment() {
  QDialog form(this);
  form.setWindowTitle(QStringLiteral("課題を出す"));
  auto* fields = new QFormLayout(&form);
  auto* code = new QLineEdit(&form);
  code->setPlaceholderText(QStringLiteral("5-2"));
  code->setMaxLength(kMaxClassCode);
  // The class of the row chosen, else of the first learner who has one.
  for (int r = std::max(0, m_table->currentRow()); r < m_class.learners.size() && code->text().isEmpty(); ++r)
    code->setText(m_class.learners[r].place.code);
  auto* what = new QComboBox(&form);
  for (int c = 1; c <= 5; ++c) what->addItem(QStringLiteral("コース%1").arg(c), c);
  for (const char* year : {"小3", "小4", "小5", "小6", "中1", "中2", "中3"})
    what->addItem(QStringLiteral("実力テスト（%1）").arg(QString::fromUtf8(year)), QString::fromUtf8(year));
  auto* passes = new QSpinBox(&form);
  passes->setRange(1, 100);
  passes->setValue(3);
  passes->setSuffix(QStringLiteral(" 回"));
  auto* until = new QDateEdit(QDate::currentDate(), &form);
  until->setCalendarPopup(true);
  until->setMinimumDate(QDate::currentDate());
  connect(what, &QComboBox::currentIndexChanged, passes,
          [what, passes] { passes->setEnabled(what->currentData().typeId() == QMetaType::Int); });
  fields->addRow(QStringLiteral("組(&C)："), code);
  fields->addRow(QStringLiteral("課題(&W)："), what);
  fields->addRow(QStringLiteral("回数(&N)："), passes);
  fields->addRow(QStringLiteral("期限(&U)："), until);
  auto* answer = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &form);
  connect(answer, &QDialogButtonBox::accepted, &form, [&form, code] {
    // Only a class the machines can be in.
    if (IsClassCode(code->text().trimmed())) form.accept();
  });
  connect(answer, &QDialogButtonBox::rejected, &form, &QDialog::reject);
  fields->addRow(answer);
  if (form.exec() != QDialog::Accepted) return;
  Assignment a;
  if (what->currentData().typeId() == QMetaType::Int) {
    a.kind = QStringLiteral("drill");
    a.course = what->currentData().toInt();
    a.passes = passes->value();
  } else {
    a.kind = QStringLiteral("test");
    a.passage = what->currentData().toString();
  }
  // Due by the end of the day chosen, in the school's own time.
  a.untilMs = QDateTime(until->date().addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
  a.setMs = QDateTime::currentMSecsSinceEpoch();
  StoreAssignment(code->text().trimmed(), a);
}

void ClassView::StoreAssignment(const QString& classCode, const Assignment& assignment) {
  m_assign->setEnabled(false);
  m_status->setText(QStringLiteral("課題をサーバーに送っています…"));
  OffThread([server = m_server, classCode, assignment]() -> Answer {
    QString error;
    const bool ok = StoreAssignmentOnServer(server, classCode, assignment, &error) != 0;
    return [ok, error, classCode](ClassView& view, int) {
      view.m_assign->setEnabled(true);
      view.m_status->setText(
          ok ? QStringLiteral("%1 に課題を出しました。次の同期で各パソコンに届きます。").arg(classCode)
             : QStringLiteral("課題を出せませんでした: ") + error);
      if (ok) view.Reload();
    };
  });
}

int ClassView::OffThread(std::function<Answer()> work) {
  const int number = ++g_lastReader;
  g_readsRunning.fetch_add(1);
  Readers().emplace(number, std::thread([inbox = m_inbox, number, work = std::move(work)] {
                      Answer answer = work();
                      {
                        const std::lock_guard lock(inbox->mutex);
                        if (inbox->view) {
                          QMetaObject::invokeMethod(
                              inbox->view,
                              [view = inbox->view, number, answer = std::move(answer)] {
                                if (const auto it = Readers().find(number); it != Readers().end()) {
                                  it->second.join();  // it has just posted this answer
                                  Readers().erase(it);
                                }
                                answer(*view, number);
                              },
                              Qt::QueuedConnection);
                        }
                      }
                      g_readsRunning.fetch_sub(1);
                    }));
  return number;
}

void ClassView::JoinReads() {
  for (auto& [number, reader] : Readers()) reader.join();
  Readers().clear();
}

void ClassView::Reload() {
  m_reading = true;
  m_reload->setEnabled(false);
  m_status->setText(QStringLiteral("サーバーに接続しています…"));
  m_giveUp->start();
  m_reader = OffThread([server = m_server]() -> Answer {
    ClassOnServer read;
    QString error;
    const bool ok = ReadClassFromServer(server, &read, &error);
    return [ok, read = std::move(read), error](ClassView& view, int reading) {
      view.Answered(reading, ok, read, error);
    };
  });
}

void ClassView::Answered(int reading, bool ok, const ClassOnServer& read, const QString& error) {
  if (reading != m_reader) return;
  m_giveUp->stop();
  m_reading = false;
  m_reload->setEnabled(true);
  if (!ok) {
    m_status->setText(QStringLiteral("読めませんでした: ") + error);
    return;
  }
  m_class = read;
  const bool years = ClassHasYears(m_class.rows);
  SetHeaders(m_table, ClassCourses(m_class.rows), years, m_settings);
  m_table->setRowCount(static_cast<int>(m_class.rows.size()));
  for (int r = 0; r < m_class.rows.size(); ++r) {
    const ClassRow& row = m_class.rows[r];
    int col = 0;
    m_table->setItem(r, col++, Cell(row.learner));
    if (years) m_table->setItem(r, col++, Cell(row.schoolYear));
    for (const CourseSpeeds& c : row.courses) {
      const GradeBands bands = CourseBands(m_settings, c.course);
      for (int speed : {c.best, c.latest}) {
        m_table->setItem(r, col++,
                         Cell(c.runs == 0 ? QStringLiteral("－")
                                          : QStringLiteral("%1 %2").arg(speed).arg(
                                                SpeedGrade(speed, bands.lower, bands.upper)),
                              true));
      }
    }
    m_table->setItem(r, col++, Cell(ClassGradeText(row)));
    m_table->setItem(r, col++, Cell(ClassAccuracyText(row), true));
    QStringList weak, mouse;
    for (int i = 0; i < std::min<qsizetype>(3, row.weakest.size()); ++i) {
      weak << QStringLiteral("%1（%2）").arg(row.weakest[i].unit).arg(row.weakest[i].misses);
    }
    for (const MouseProgress& g : row.mouse) {
      if (g.plays == 0) continue;
      mouse << (g.game == MouseGame::Puzzle
                    ? QStringLiteral("%1 %2回").arg(MouseGameLabel(g.game)).arg(g.plays)
                    : QStringLiteral("%1 %2").arg(MouseGameLabel(g.game)).arg(g.bestStage));
    }
    m_table->setItem(r, col++, Cell(weak.join(QStringLiteral("、"))));
    m_table->setItem(r, col++, Cell(mouse.join(QStringLiteral("、"))));
    m_table->setItem(
        r, col++,
        Cell(row.latestAt == 0
                 ? QStringLiteral("－")
                 : QDateTime::fromMSecsSinceEpoch(row.latestAt).toString(QStringLiteral("yyyy/MM/dd"))));
  }
  QList<qint64> learners;
  for (const ServerLearner& l : m_class.learners) learners << l.id;
  m_live->ShowColumns(m_table, learners);
  m_table->resizeColumnsToContents();
  m_status->setText(
      QStringLiteral("%1 人。行をクリックすると、その学習者の成績を開きます。").arg(m_class.rows.size()));
}

void ClassView::OpenLearner(int row) {
  if (row < 0 || row >= m_class.learners.size()) return;
  QString error;
  auto store = PostgresHistoryStore::Open(m_server, m_class.learners[row], &error);
  if (!store) {
    m_status->setText(QStringLiteral("開けませんでした: ") + error);
    return;
  }
  const ModuleLoad<RecordsModule>& module = LoadModule<RecordsModule>();
  if (module.api == nullptr) {
    m_status->setText(QStringLiteral("成績の画面を開けません: ") + module.error);
    return;
  }
  // The keyboards are read at the first learner opened; the room's is
  // [Guide] Layout, else JIS.
  if (!m_keyboards) {
    try {
      m_keyboards =
          std::make_unique<KeyboardLayouts>(LoadKeyboardLayouts(QCoreApplication::applicationFilePath()));
    } catch (const DataFileError& e) {
      m_status->setText(QStringLiteral("成績の画面を開けません: ") + e.text());
      return;
    }
  }
  delete m_records;
  m_recordsStore = std::move(store);
  m_records = module.api->createForStore(
      *m_recordsStore, m_settings, m_keyboards->Of(ChosenKeyboard(m_settings.GuideLayout, QString())), this);
  m_records->setWindowFlag(Qt::Window);
  m_records->show();
  m_records->raise();
}

int RunClassWindow(int argc, char** argv) {
  AppSettings settings;
  LoadTeacherSettings(settings, QCoreApplication::applicationFilePath());
  ClassView view(ClassServerText(settings, argc, argv, 2), settings);
  view.show();
  const int status = QApplication::exec();
  if (ClassView::ReadsRunning() || ClassLive::LeftRunning()) {
    // Closed while a read still waits for the server: nothing is left to
    // save, and the process ends without the teardown it would run into.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
  }
  ClassView::JoinReads();
  return status;
}

}  // namespace shurencho
