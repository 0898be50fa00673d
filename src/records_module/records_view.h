#pragma once
// The 成績 window: the learner's speeds per course over time against the
// grade bands and the school targets, the keys and kana most missed, the
// mouse pages' progress and the speed ladder; the learner's name can be
// changed here and the records written out as CSV and a printable page.
// What it shows and decides is RecordsPage's; the window forwards input and draws.

#include <QRect>
#include <QWidget>

#include "history/history_records.h"
#include "report/records_page.h"
#include "settings/settings.h"

class QChart;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QHBoxLayout;

namespace shurencho {

// A window of `size` centred over `over` and moved inside `available` (made
// smaller first when it does not fit).
QRect CentredOver(QSize size, const QRect& over, const QRect& available);

class RecordsView final : public QWidget {
 public:
  // Renames the learner and answers done on context's thread.
  using Renamer = RecordsPage::Renamer;
  using YearSetter = RecordsPage::YearSetter;
  using ClassSetter = RecordsPage::ClassSetter;

  // Shows what was read (readError: why nothing could be), with the
  // history's state at the top when it is not well (state: empty when it is).
  // keyboard: the layout the 苦手なキー map and the printed page draw.
  RecordsView(const LearnerHistory& history, const QString& readError, const QString& state, Renamer rename,
              YearSetter setYear, ClassSetter setClass, const AppSettings& settings,
              const KeyboardLayout& keyboard, QWidget* parent = nullptr);
  // Reads the store now, here; for a store of this thread's own.
  RecordsView(HistoryStore& store, const AppSettings& settings, const KeyboardLayout& keyboard,
              QWidget* parent = nullptr);

  // The course shown in the speed charts (index into the model's courses).
  void ShowCourse(int index);
  // Applies the name typed, then asks for a file name and writes the CSV
  // and, beside it, the printable page.
  void Export();
  // Writes both files without asking: csvPath, and csvPath with .html for .csv.
  bool ExportTo(const QString& csvPath, QString* error);

 private:
  void Build(const QString& state);
  QWidget* BuildSpeedPage();
  QWidget* BuildWeakPage();
  QWidget* BuildMousePage();
  QWidget* BuildLadderPage();
  void Rename();
  void ChooseYear(int choice);
  // The class and number beside the year, where a class server is set.
  void AddClassFields(QHBoxLayout* top);
  void ChooseClass();
  void ExportAsked();

  RecordsPage m_page;
  const KeyboardLayout& m_keyboard;
  QComboBox* m_course = nullptr;
  QChart* m_speedChart = nullptr;
  QChart* m_rateChart = nullptr;
  int m_speedTicks = 10;  // the date labels that fit under each chart
  int m_rateTicks = 6;
  bool m_refitting = false;
  QLabel* m_courseSummary = nullptr;
  QLineEdit* m_learner = nullptr;
  QComboBox* m_year = nullptr;
  QLineEdit* m_classCode = nullptr;
  QSpinBox* m_classNumber = nullptr;
  QLabel* m_classWhy = nullptr;  // why a class typed was not taken
};

}  // namespace shurencho
