#pragma once
// The keyboard drill page: every control of the page at its place, the keys
// of the input box and the candidate list routed into the page's handlers in
// the order the window gives them, and the page's state drawn back.

#include <QHash>
#include <array>

#include "drill/drill_page.h"
#include "ui/page_view.h"

class QCheckBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace shurencho {

class KeyboardLayout;
class QtPlatform;

class DrillView final : public PageView {
 public:
  // keyboard: the layout whose key codes name the kana keys' places.
  DrillView(DrillPage& page, QtPlatform& platform, const KeyboardLayout& keyboard, QWidget* parent = nullptr);
  void Render() override;

  // For tests: the widgets by their design names.
  QLineEdit* edit2() const { return m_edit2; }
  // The candidate list is made when first needed (see CandidateList).
  QListWidget* listBox1() { return CandidateList(); }
  QLabel* label(const char* name) const;
  QPushButton* button3() const { return m_button3; }
  QRadioButton* radioButton(int n) const { return m_radioButtons[static_cast<size_t>(n - 1)]; }
  QCheckBox* checkBox1() const { return m_checkBox1; }
  QCheckBox* checkBox4() const { return m_checkBox4; }
  QCheckBox* checkBox5() const { return m_checkBox5; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // The controls, group by group, in the design's order of creation.
  void MakeHeadings();
  void MakeInputBox();
  void MakeCandidateList();
  QListWidget* CandidateList();
  void MakeFigures();
  void MakeCourseButtons();
  void MakeOptions();
  void SetDesignTabOrder();
  bool Edit2Key(QKeyEvent* event);
  bool ListBox1Key(QKeyEvent* event);
  void RenderAutoSized(QLabel* widget, const Label& model);

  DrillPage& m_page;
  QtPlatform& m_platform;
  const KeyboardLayout& m_keyboard;
  QLabel* m_label5;
  QLabel* m_label43;
  QLabel* m_panel1;
  QLabel* m_label1;
  QLineEdit* m_edit2;
  QPushButton* m_button1;
  QLabel* m_label44;
  QListWidget* m_listBox1 = nullptr;
  QPushButton* m_button3;
  QLabel* m_label4;
  QLabel* m_label3;
  QLabel* m_label2;
  QGroupBox* m_radioGroup1;
  std::array<QRadioButton*, DrillPage::kCourses> m_radioButtons{};
  std::array<QLabel*, DrillPage::kCourses> m_gradeLabels{};
  QLabel* m_panel5;
  QCheckBox* m_checkBox1;
  QCheckBox* m_checkBox4;
  QCheckBox* m_checkBox2;
  QCheckBox* m_checkBox5;
  QHash<QLabel*, Label> m_shownLabels;  // what each label shows now
  bool m_listWasOpen = false;
  bool m_rendering = false;
};

}  // namespace shurencho
