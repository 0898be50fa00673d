#include "records_module/records_view.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "history/learner_name.h"
#include "records_module/keyboard_map_view.h"
#include "report/chart_ticks.h"
#include "report/palette.h"

namespace shurencho {

namespace {

void HideFromLegend(QChart* chart, QAbstractSeries* series) {
  for (QLegendMarker* marker : chart->legend()->markers(series)) marker->setVisible(false);
}

QChartView* NewChartView(QChart* chart, const char* name) {
  chart->setMargins(QMargins(4, 4, 4, 4));
  chart->legend()->setAlignment(Qt::AlignBottom);
  auto* view = new QChartView(chart);
  view->setObjectName(QString::fromLatin1(name));
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumSize(360, 260);
  return view;
}

// Ticks along the bottom of the mouse chart: one label per day, week or month.
constexpr int kDateTicks = 10;

// How many date labels fit side by side under a chart's plot area, each
// with a gap; before the chart is laid out, `assumed`.
int DateTicksThatFit(const QChart* chart, int assumed) {
  const double width = chart->plotArea().width();
  if (width < 1) return assumed;
  const QList<QAbstractAxis*> axes = chart->axes(Qt::Horizontal);
  const QFontMetrics metrics(axes.isEmpty() ? chart->font() : axes.first()->labelsFont());
  return std::max(2, int(width / (metrics.horizontalAdvance(QStringLiteral("12/31")) + 6)));
}

// Clears a chart and gives it a date axis, in days from ticks.origin, with
// the year in its title (the ticks name the month and day).
QCategoryAxis* ResetDateAxis(QChart* chart, const DateTicks& ticks) {
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
  auto* x = new QCategoryAxis;
  x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  x->setStartValue(ticks.from);
  for (const QDate& day : ticks.ticks) x->append(ticks.Label(day), ticks.X(day));
  x->setRange(ticks.from, ticks.to);
  const int y0 = ticks.origin.year(), y1 = ticks.origin.addDays(qint64(ticks.to)).year();
  x->setTitleText(y0 == y1 ? QStringLiteral("%1年").arg(y0) : QStringLiteral("%1年〜%2年").arg(y0).arg(y1));
  chart->addAxis(x, Qt::AlignBottom);
  return x;
}

// A value axis at round steps from 0, with room at both ends for a marker.
QValueAxis* AddValueAxis(QChart* chart, const QString& title, const ValueTicks& ticks, Qt::Alignment side) {
  auto* y = new QValueAxis;
  y->setRange(ticks.low(), ticks.high());
  y->setTickType(QValueAxis::TicksDynamic);
  y->setTickAnchor(0);
  y->setTickInterval(ticks.step);
  y->setTitleText(title);
  y->setLabelFormat(QStringLiteral("%d"));
  chart->addAxis(y, side);
  return y;
}

QLineSeries* AddLine(QChart* chart, const QString& name, const QList<QPointF>& points, const QPen& pen,
                     QAbstractAxis* x, QAbstractAxis* y) {
  auto* series = new QLineSeries;
  series->setName(name);
  series->replace(points);
  series->setPen(pen);
  // A lone day draws no line: mark the points while there are few.
  series->setPointsVisible(points.size() < 40);
  chart->addSeries(series);
  series->attachAxis(x);
  series->attachAxis(y);
  return series;
}

void AddBand(QChart* chart, double t0, double t1, double from, double to, const QColor& colour,
             QAbstractAxis* x, QAbstractAxis* y) {
  if (to <= from) return;
  auto* lower = new QLineSeries;
  auto* upper = new QLineSeries;
  lower->append(t0, from);
  lower->append(t1, from);
  upper->append(t0, to);
  upper->append(t1, to);
  auto* band = new QAreaSeries(upper, lower);
  band->setBrush(colour);
  band->setPen(Qt::NoPen);
  chart->addSeries(band);
  band->attachAxis(x);
  band->attachAxis(y);
  // The bands explain themselves through the caption, not the legend.
  HideFromLegend(chart, band);
}

// A message box that shows paths, names and errors as typed, never as markup.
QMessageBox::StandardButton Say(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                QMessageBox::StandardButtons buttons = QMessageBox::Ok) {
  QMessageBox box(icon, parent->windowTitle(), text, buttons, parent);
  box.setTextFormat(Qt::PlainText);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

// A ladder drawn as a staircase, the steps reached filled: the practice
// steps and the test's 級 alike.
class LadderView final : public QWidget {
 public:
  explicit LadderView(const LadderDrawing& ladder) : m_ladder(ladder) { setMinimumSize(420, 140); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    const qsizetype n = m_ladder.steps.size();
    if (n == 0) return;
    const double w = (width() - 20.0) / double(n);
    const double unit = (height() - 30.0) / double(n);
    const QFontMetrics metrics(font());
    for (qsizetype i = 0; i < n; ++i) {
      const LadderDrawing::Step& step = m_ladder.steps[i];
      const QRectF box(10 + double(i) * w, height() - 22 - unit * double(i + 1), w - 4, unit * double(i + 1));
      p.setPen(palette().color(QPalette::Mid));
      p.setBrush(QColor(step.reached ? palette::kStepReached : palette::kStepAhead));
      p.drawRect(box);
      // A label wider than its step is left out on every other step.
      if (metrics.horizontalAdvance(step.label) > w && i % 2 == 1) continue;
      p.setPen(palette().color(QPalette::WindowText));
      p.drawText(QRectF(box.left() - w / 2, height() - 20, box.width() + w, 20), Qt::AlignCenter, step.label);
    }
  }

 private:
  LadderDrawing m_ladder;
};

}  // namespace

QRect CentredOver(QSize size, const QRect& over, const QRect& available) {
  size = size.boundedTo(available.size());
  QRect r(QPoint(), size);
  r.moveCenter(over.center());
  r.moveLeft(std::clamp(r.left(), available.left(), available.right() + 1 - r.width()));
  r.moveTop(std::clamp(r.top(), available.top(), available.bottom() + 1 - r.height()));
  return r;
}

RecordsView::RecordsView(HistoryStore& store, const AppSettings& settings, const KeyboardLayout& keyboard,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_page(RecordsPage::Read(store, settings)), m_keyboard(keyboard) {
  m_page.SetKeyboard(&keyboard);
  Build(QString());
}

RecordsView::RecordsView(const LearnerHistory& history, const QString& readError, const QString& state,
                         Renamer rename, YearSetter setYear, ClassSetter setClass,
                         const AppSettings& settings, const KeyboardLayout& keyboard, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_page(history, readError, std::move(rename), std::move(setYear), settings),
      m_keyboard(keyboard) {
  m_page.SetKeyboard(&keyboard);
  m_page.SetClassSetter(std::move(setClass));
  Build(state);
}

void RecordsView::Build(const QString& state) {
  setObjectName(QStringLiteral("recordsView"));
  setWindowTitle(QStringLiteral("成績"));
  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel(QStringLiteral("学習者：")));
  m_learner = new QLineEdit(m_page.learner());
  m_learner->setObjectName(QStringLiteral("learnerName"));
  m_learner->setMaxLength(kMaxLearnerName);
  top->addWidget(m_learner, 1);
  auto* rename = new QPushButton(QStringLiteral("名前を変える"));
  connect(rename, &QPushButton::clicked, this, &RecordsView::Rename);
  // Enter and leaving the box apply the name typed, as the button does (a
  // second ask for the same name is no second rename); a box left empty
  // gets the name back without a word.
  connect(m_learner, &QLineEdit::returnPressed, this, &RecordsView::Rename);
  connect(m_learner, &QLineEdit::editingFinished, this, [this] {
    if (m_learner->text().trimmed().isEmpty()) {
      m_learner->setText(m_page.learner());
    } else {
      Rename();
    }
  });
  top->addWidget(rename);
  // The year sets furigana for kanji not learned yet; chosen once, by a teacher as a rule.
  auto* yearLabel = new QLabel(QStringLiteral("学年："));
  top->addWidget(yearLabel);
  m_year = new QComboBox;
  m_year->setObjectName(QStringLiteral("schoolYear"));
  m_year->setAccessibleName(QStringLiteral("学年"));
  m_year->addItems(RecordsPage::YearChoiceTexts());
  m_year->setCurrentIndex(m_page.YearChoice());
  yearLabel->setBuddy(m_year);
  connect(m_year, &QComboBox::activated, this, &RecordsView::ChooseYear);
  top->addWidget(m_year);
  if (m_page.AsksClass()) AddClassFields(top);
  top->addStretch(1);
  auto* exportButton = new QPushButton(QStringLiteral("成績を書き出す"));
  exportButton->setObjectName(QStringLiteral("exportButton"));
  // A click leaves the focus in the box, so that the name is applied once,
  // by the button's own handler, and a refusal is told once.
  rename->setFocusPolicy(Qt::TabFocus);
  exportButton->setFocusPolicy(Qt::TabFocus);
  connect(exportButton, &QPushButton::clicked, this, &RecordsView::Export);
  // What failed to be read must not be written out as if it were the whole record.
  exportButton->setEnabled(m_page.CanExport());
  top->addWidget(exportButton);

  auto* layout = new QVBoxLayout(this);
  if (!state.isEmpty()) {
    // What the history could not do, and what waits, above everything else.
    auto* stateLabel = new QLabel(state);
    stateLabel->setObjectName(QStringLiteral("historyState"));
    stateLabel->setTextFormat(Qt::PlainText);
    stateLabel->setWordWrap(true);
    stateLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    layout->addWidget(stateLabel);
  }
  layout->addLayout(top);
  if (m_page.history().learnerCut) {
    // Kept whole in the history; the box shows what a name may be now.
    auto* cut =
        new QLabel(QStringLiteral("記録にある名前が長すぎるので、はじめの %1 文字だけを表示しています。")
                       .arg(kMaxLearnerName));
    cut->setObjectName(QStringLiteral("learnerCut"));
    cut->setTextFormat(Qt::PlainText);
    cut->setWordWrap(true);
    layout->addWidget(cut);
  }
  if (!m_page.CanExport()) {
    auto* problem = new QLabel(m_page.ReadProblemText());
    problem->setTextFormat(Qt::PlainText);
    problem->setStyleSheet(QStringLiteral("color: #b00000"));
    layout->addWidget(problem);
  }
  if (const QStringList lines = m_page.AssignmentTexts(); !lines.isEmpty()) {
    auto* heading = new QLabel(QStringLiteral("きょうの課題"));
    heading->setStyleSheet(QStringLiteral("font-weight: bold"));
    layout->addWidget(heading);
    auto* list = new QLabel(lines.join(QLatin1Char('\n')));
    list->setObjectName(QStringLiteral("assignments"));
    list->setTextFormat(Qt::PlainText);
    list->setWordWrap(true);
    layout->addWidget(list);
  }
  auto* tabs = new QTabWidget;
  tabs->addTab(BuildSpeedPage(), QStringLiteral("速さ"));
  tabs->addTab(BuildWeakPage(), QStringLiteral("苦手なキー"));
  tabs->addTab(BuildMousePage(), QStringLiteral("マウス"));
  tabs->addTab(BuildLadderPage(), QStringLiteral("段位"));
  layout->addWidget(tabs, 1);
  ShowCourse(m_page.FirstCourse());
  // Over the main window, where the learner is looking, and never off the screen.
  QWidget* main = parentWidget() != nullptr ? parentWidget()->window() : nullptr;
  if (QScreen* screen = main != nullptr ? main->screen() : this->screen()) {
    const QRect place =
        CentredOver(QSize(900, 600), main != nullptr ? main->frameGeometry() : screen->availableGeometry(),
                    screen->availableGeometry());
    resize(place.size());
    move(place.topLeft());
  } else {
    resize(900, 600);
  }
}

QWidget* RecordsView::BuildSpeedPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(QStringLiteral("コース：")));
  m_course = new QComboBox;
  m_course->setObjectName(QStringLiteral("courseChoice"));
  for (int i = 0; i < m_page.model().courses.size(); ++i) m_course->addItem(m_page.CourseChoiceText(i));
  connect(m_course, &QComboBox::currentIndexChanged, this, &RecordsView::ShowCourse);
  row->addWidget(m_course);
  m_courseSummary = new QLabel;
  m_courseSummary->setObjectName(QStringLiteral("courseSummary"));
  m_courseSummary->setTextFormat(Qt::PlainText);
  row->addWidget(m_courseSummary, 1);
  layout->addLayout(row);
  auto* charts = new QHBoxLayout;
  m_speedChart = new QChart;
  m_rateChart = new QChart;
  charts->addWidget(NewChartView(m_speedChart, "speedChart"), 3);
  charts->addWidget(NewChartView(m_rateChart, "rateChart"), 2);
  // The dates are ticked as densely as the charts' widths allow: drawn again
  // once laid out, and when the window is resized.
  for (QChart* chart : {m_speedChart, m_rateChart}) {
    connect(chart, &QChart::plotAreaChanged, this, [this] {
      if (m_refitting || (DateTicksThatFit(m_speedChart, m_speedTicks) == m_speedTicks &&
                          DateTicksThatFit(m_rateChart, m_rateTicks) == m_rateTicks)) {
        return;
      }
      m_refitting = true;
      QTimer::singleShot(0, this, [this] {
        m_refitting = false;
        ShowCourse(m_course->currentIndex());
      });
    });
  }
  layout->addLayout(charts, 1);
  auto* note = new QLabel(QStringLiteral(
      "帯は評価の基準（赤：×、黄：○、緑：◎）、点線は 40・60 字／分の目標。点は一日ごとの最高と平均です。"));
  note->setWordWrap(true);
  layout->addWidget(note);
  return page;
}

void RecordsView::ShowCourse(int index) {
  if (index < 0 || index >= m_page.model().courses.size()) return;
  {
    const QSignalBlocker block(m_course);
    m_course->setCurrentIndex(index);
  }
  const CourseChart& chart = m_page.model().courses[index];
  const GradeBands& bands = chart.bands;
  // A course without runs still shows today's date under its empty chart.
  const QDate today = QDate::currentDate();
  const QDate first = chart.first.isValid() ? chart.first : today;
  const QDate last = chart.last.isValid() ? chart.last : today;
  m_speedTicks = DateTicksThatFit(m_speedChart, m_speedTicks);
  m_rateTicks = DateTicksThatFit(m_rateChart, m_rateTicks);
  const DateTicks ticks = ChooseDateTicks(first, last, m_speedTicks);
  const DateTicks rateTicks = ChooseDateTicks(first, last, m_rateTicks);
  const double a = ticks.from, b = ticks.to;

  QList<QPointF> best, mean, accuracy, keys;
  for (const DaySpeed& d : chart.speeds.days) {
    const double at = ticks.X(d.day);
    best.append(QPointF(at, d.best));
    mean.append(QPointF(at, d.mean));
    // A day with nothing measured has no point (never one at 0 or 100).
    if (d.accuracy) accuracy.append(QPointF(at, *d.accuracy * 100));
    if (d.keysPerMinute) keys.append(QPointF(at, *d.keysPerMinute));
  }

  m_speedChart->setTitle(m_page.CourseChartTitle(index));
  QCategoryAxis* x = ResetDateAxis(m_speedChart, ticks);
  const ValueTicks& speeds = chart.speedAxis;
  QValueAxis* y = AddValueAxis(m_speedChart, QStringLiteral("字／分"), speeds, Qt::AlignLeft);
  AddBand(m_speedChart, a, b, speeds.low(), bands.lower, QColor(palette::kBandBelow), x, y);
  AddBand(m_speedChart, a, b, bands.lower, bands.upper, QColor(palette::kBandBetween), x, y);
  AddBand(m_speedChart, a, b, bands.upper, speeds.high(), QColor(palette::kBandAbove), x, y);
  for (int target : kSchoolTargets) {
    QPen pen(QColor(0x55, 0x55, 0x55), 1, Qt::DashLine);
    QLineSeries* line = AddLine(m_speedChart, QString(), {QPointF(a, target), QPointF(b, target)}, pen, x, y);
    line->setPointsVisible(false);
    HideFromLegend(m_speedChart, line);
  }
  AddLine(m_speedChart, QStringLiteral("平均"), mean, QPen(QColor(palette::kMeanLine), 1.5), x, y);
  AddLine(m_speedChart, QStringLiteral("最高"), best, QPen(QColor(palette::kBestLine), 2), x, y);

  m_rateChart->setTitle(QStringLiteral("正確さと打鍵／分"));
  QCategoryAxis* rx = ResetDateAxis(m_rateChart, rateTicks);
  QValueAxis* ry =
      AddValueAxis(m_rateChart, QStringLiteral("正確さ（%）"), ValueTicks{20, 100}, Qt::AlignLeft);
  QValueAxis* rk = AddValueAxis(m_rateChart, QStringLiteral("打鍵／分"),
                                NiceValueTicks(chart.topKeysPerMinute, true), Qt::AlignRight);
  // One grid is enough; both axes keep 0 at the same height.
  rk->setGridLineVisible(false);
  AddLine(m_rateChart, QStringLiteral("正確さ"), accuracy, QPen(QColor(palette::kAccuracyLine), 1.5), rx, ry);
  AddLine(m_rateChart, QStringLiteral("打鍵／分"), keys, QPen(QColor(palette::kKeysLine), 1.5), rx, rk);

  m_courseSummary->setText(m_page.CourseSummaryText(index));
}

QWidget* RecordsView::BuildWeakPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(QStringLiteral("押すはずだったキーごとのミスの回数（赤いほど多い）")));
  auto* keyboard = new KeyboardMapView(m_keyboard);
  keyboard->setObjectName(QStringLiteral("keyboardMap"));
  keyboard->SetCounts(m_page.history().missesByExpectedKey);
  layout->addWidget(keyboard, 0, Qt::AlignHCenter);
  AddWeakUnitLists(layout, m_page.history().weakest);
  return page;
}

QWidget* RecordsView::BuildMousePage() {
  const QList<MouseProgress>& games = m_page.model().mouse;
  const MouseChart& stages = m_page.model().mouseChart;
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("一日ごとに進んだステージ"));
  const DateTicks ticks = ChooseDateTicks(stages.first, stages.last, kDateTicks);
  QCategoryAxis* x = ResetDateAxis(chart, ticks);
  QValueAxis* y = AddValueAxis(chart, QStringLiteral("ステージ"), stages.stageAxis, Qt::AlignLeft);
  for (const MouseChart::Line& line : stages.lines) {
    QList<QPointF> points;
    for (const auto& [day, stage] : line.stages) points.append(QPointF(ticks.X(day), stage));
    AddLine(chart, MouseGameLabel(line.game), points,
            QPen(QColor(palette::kGames[static_cast<size_t>(line.game) - 1]), 2), x, y);
  }
  layout->addWidget(NewChartView(chart, "mouseChart"), 3);

  auto* table = new QTableWidget(int(games.size()), 4);
  table->setObjectName(QStringLiteral("mouseTable"));
  table->setHorizontalHeaderLabels({QStringLiteral("ゲーム"), QStringLiteral("最高"), QStringLiteral("回数"),
                                    QStringLiteral("ステージごとの平均ミス")});
  table->horizontalHeader()->setStretchLastSection(true);
  table->verticalHeader()->setVisible(false);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int i = 0; i < games.size(); ++i) {
    const MouseProgress& g = games[i];
    QStringList perStage;
    for (const StageMisses& s : g.byStage) {
      perStage.append(QStringLiteral("%1: %2").arg(s.stage).arg(QString::number(s.meanMisses, 'f', 1)));
    }
    table->setItem(i, 0, new QTableWidgetItem(MouseGameLabel(g.game)));
    table->setItem(i, 1,
                   new QTableWidgetItem(g.game == MouseGame::Puzzle ? QStringLiteral("－")
                                                                    : QString::number(g.bestStage)));
    table->setItem(i, 2, new QTableWidgetItem(QString::number(g.plays)));
    table->setItem(i, 3, new QTableWidgetItem(perStage.join(QStringLiteral("、"))));
  }
  table->resizeColumnsToContents();
  table->setWordWrap(true);
  table->resizeRowsToContents();
  layout->addWidget(table, 2);
  return page;
}

QWidget* RecordsView::BuildLadderPage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  // Two ladders apart, each its line (its next step included) over its steps.
  const auto addLadder = [layout](const QString& line, const LadderDrawing& steps, const char* lineName,
                                  const char* stepsName) {
    auto* label = new QLabel(line);
    label->setObjectName(QString::fromLatin1(lineName));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* ladder = new LadderView(steps);
    ladder->setObjectName(QString::fromLatin1(stepsName));
    layout->addWidget(ladder, 1);
  };
  addLadder(m_page.LadderText(), m_page.model().practiceSteps, "practiceLadder", "speedLadder");
  addLadder(m_page.SkillGradeText(), m_page.model().gradeSteps, "skillGrade", "gradeLadder");
  // The test's certificate under its 級.
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* save = new QPushButton(QStringLiteral("認定証を保存"));
  save->setObjectName(QStringLiteral("certificateButton"));
  save->setEnabled(m_page.HasCertificate());
  connect(save, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("認定証を保存"), m_page.OfferedCertificatePath(),
        QStringLiteral("HTML ファイル (*.html)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (path.isEmpty()) return;
    QString error;
    if (!m_page.SaveCertificate(path, &error)) {
      Say(this, QMessageBox::Warning, QStringLiteral("保存できませんでした。\n%1").arg(error));
      return;
    }
    RecordsPage::Written(path);
    Say(this, QMessageBox::Information,
        QStringLiteral("保存しました。ブラウザで開いて印刷してください。\n%1").arg(path));
  });
  if (!save->isEnabled()) {
    // A greyed button says why.
    auto* why = new QLabel(QStringLiteral("認定証は実力テストを受けると保存できます。"));
    why->setObjectName(QStringLiteral("certificateWhy"));
    row->addWidget(why);
    save->setAccessibleDescription(why->text());
  }
  row->addWidget(save);
  layout->addLayout(row);
  return page;
}

void RecordsView::Rename() {
  const auto answered = [this](const QString& warning) {
    if (!warning.isEmpty()) Say(this, QMessageBox::Warning, warning);
    m_learner->setText(m_page.learner());
  };
  if (m_page.AskRename(m_learner->text(), this, answered) == RecordsPage::Rename::Empty) {
    Say(this, QMessageBox::Warning, RecordsPage::EmptyNameText());
    m_learner->setText(m_page.learner());
  }
}

void RecordsView::ChooseYear(int choice) {
  m_page.ChooseYear(choice, this, [this](const QString& warning) {
    if (!warning.isEmpty()) Say(this, QMessageBox::Warning, warning);
    const QSignalBlocker quiet(m_year);
    m_year->setCurrentIndex(m_page.YearChoice());
  });
}

void RecordsView::AddClassFields(QHBoxLayout* top) {
  auto* codeLabel = new QLabel(QStringLiteral("組："));
  top->addWidget(codeLabel);
  m_classCode = new QLineEdit(m_page.place().code);
  m_classCode->setObjectName(QStringLiteral("classCode"));
  m_classCode->setAccessibleName(QStringLiteral("組"));
  m_classCode->setPlaceholderText(QStringLiteral("5-2"));
  m_classCode->setMaxLength(kMaxClassCode);
  m_classCode->setMaximumWidth(m_classCode->fontMetrics().horizontalAdvance(QStringLiteral("00-00-00")) + 16);
  codeLabel->setBuddy(m_classCode);
  top->addWidget(m_classCode);
  auto* numberLabel = new QLabel(QStringLiteral("番号："));
  top->addWidget(numberLabel);
  m_classNumber = new QSpinBox;
  m_classNumber->setObjectName(QStringLiteral("classNumber"));
  m_classNumber->setAccessibleName(QStringLiteral("出席番号"));
  m_classNumber->setRange(0, kMaxClassNumber);
  m_classNumber->setSpecialValueText(QStringLiteral("―"));
  m_classNumber->setValue(m_page.place().number);
  numberLabel->setBuddy(m_classNumber);
  top->addWidget(m_classNumber);
  m_classWhy = new QLabel;
  m_classWhy->setObjectName(QStringLiteral("classWhy"));
  m_classWhy->setAccessibleDescription(QStringLiteral("組と番号"));
  m_classWhy->hide();
  top->addWidget(m_classWhy);
  connect(m_classCode, &QLineEdit::editingFinished, this, &RecordsView::ChooseClass);
  connect(m_classNumber, &QSpinBox::editingFinished, this, &RecordsView::ChooseClass);
}

void RecordsView::ChooseClass() {
  m_page.ChooseClass(m_classCode->text(), m_classNumber->value(), this, [this](const QString& warning) {
    // Said beside the fields, not in a box: a child may be typing.
    m_classWhy->setText(warning);
    m_classWhy->setVisible(!warning.isEmpty());
    const QSignalBlocker quietCode(m_classCode);
    const QSignalBlocker quietNumber(m_classNumber);
    m_classCode->setText(m_page.place().code);
    m_classNumber->setValue(m_page.place().number);
  });
}

void RecordsView::Export() {
  // The name in the box is the one the files are named after.
  m_page.ApplyName(m_learner->text(), this, [this](const QString& warning) {
    m_learner->setText(m_page.learner());
    if (!warning.isEmpty()) {
      Say(this, QMessageBox::Warning, QStringLiteral("書き出せませんでした。\n%1").arg(warning));
      return;
    }
    ExportAsked();
  });
}

void RecordsView::ExportAsked() {
  // Never where the program's last dialog happened to be (the installed texts after a 実践 load).
  QFileDialog dialog(this, QStringLiteral("成績を書き出す"), RecordsPage::SaveFolder(),
                     QStringLiteral("CSV ファイル (*.csv)"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.selectFile(m_page.OfferedCsvPath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString csvPath = dialog.selectedFiles().first();
  const QString htmlPath = RecordsPage::HtmlPathOf(csvPath);
  // The dialog asked about the CSV file only.
  if (QFileInfo::exists(htmlPath) &&
      Say(this, QMessageBox::Question, QStringLiteral("%1 はすでにあります。置き換えますか？").arg(htmlPath),
          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    return;
  }
  QString error;
  if (!ExportTo(csvPath, &error)) {
    Say(this, QMessageBox::Warning, QStringLiteral("書き出せませんでした。\n%1").arg(error));
    return;
  }
  RecordsPage::Written(csvPath);
  Say(this, QMessageBox::Information, QStringLiteral("書き出しました。\n%1\n%2").arg(csvPath, htmlPath));
}

bool RecordsView::ExportTo(const QString& csvPath, QString* error) {
  return m_page.ExportTo(csvPath, QDateTime::currentMSecsSinceEpoch(), error);
}

}  // namespace shurencho
