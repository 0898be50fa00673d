#pragma once
// The 実力テスト window, apart from the main window: the passage to choose,
// the start button, the time left, the passage with the next character to
// type marked, the typing box open to the input method, a band when the input
// method seems off, how the score is counted, and the result. Its timer only
// asks the test to tick.

#include <QWidget>

#include "reading/kanji_table.h"
#include "typing/skill_test.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTextEdit;
class QTimer;

namespace shurencho {

class FuriganaReader;
class RubyTextEdit;
class SkillTestBox;

class SkillTestView final : public QWidget {
  // The main window finds its test window by type.
  Q_OBJECT

 public:
  SkillTestView(Platform& platform, HistoryRecorder* history, const QString& folder,
                QWidget* parent = nullptr);

  void Render();
  // Readings over the kanji a learner of `year` has not learned, when the
  // reader can give them; on by default once a grade is set.
  void SetReadings(FuriganaReader* reader, SchoolYear year);

  // For tests.
  SkillTest& test() { return m_test; }
  QComboBox* choice() const { return m_choice; }
  QPushButton* startButton() const { return m_start; }
  QWidget* box() const;
  QLabel* band() const { return m_band; }
  RubyTextEdit* passage() const { return m_passage; }
  QCheckBox* furigana() const { return m_furigana; }
  QLabel* furiganaWhy() const { return m_furiganaWhy; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // The window's parts, in their order of creation.
  QHBoxLayout* MakeTopRow(const QFont& small);
  void MakeTextPanes(const QFont& text);
  void MakeResultLines(const QFont& small);
  void ConnectControls();
  void LoadTexts(const QString& folder);
  void PlaceOver(QWidget* parent);
  void Start();
  void Edited();
  void SetBoxOpen(bool open);
  void MarkNext(int position);
  void SetRuby();

  SkillTest m_test;
  QComboBox* m_choice;
  QPushButton* m_start;
  QLabel* m_timeLeft;
  RubyTextEdit* m_passage;
  QCheckBox* m_furigana;
  QLabel* m_furiganaWhy;
  FuriganaReader* m_reader = nullptr;
  SchoolYear m_year = SchoolYear::Unset;
  QLabel* m_band;
  SkillTestBox* m_box;
  QLabel* m_progress;
  QLabel* m_rule;
  QLabel* m_result;
  QTimer* m_timer;
  int m_shownText = -2;  // the passage the pane holds
  int m_shownNext = -2;  // the character marked in it
  QString m_problems;    // test files that could not be read
};

}  // namespace shurencho
