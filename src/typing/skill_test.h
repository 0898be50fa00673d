#pragma once
// 実力テスト: three minutes on a graded passage typed through the input
// method, as schools measure their pupils. The window only forwards the
// box's text and asks the test to tick; the test reads the monotonic clock
// itself and decides when the three minutes are up, so neither a late edit
// nor a wall clock set back can add time.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace shurencho {

class HistoryRecorder;

// A test file: UTF-8, the first line its title ("小3 あさがおの観察": the
// level, a space, the name), then the passage. Line breaks are only layout.
struct SkillTestText {
  QString title;
  QString level;
  QString passage;
};
inline constexpr qint64 kMaxSkillTestFileBytes = 64 * 1024;
std::optional<SkillTestText> ParseSkillTestText(const QByteArray& data, QString* error);
// texts/test beside the practice texts; empty when there is none.
QString SkillTestFolder(const QString& programPath);
// Every *.txt of the folder in file-name order; a file that cannot be used
// is named in *problems and left out.
QList<SkillTestText> LoadSkillTestTexts(const QString& folder, QStringList* problems);

// Characters that count in a passage: everything but white space.
int ScoredLength(const QString& passage);

// The typed text aligned with the start of the passage, as word-processing
// examinations mark it: the fewest wrong, missing and extra characters that
// turn the typed text into some start of the passage (of equals, the one with
// the most characters right, then the shorter start). The score is the
// characters right less those errors, never below 0, so junk and skipping
// ahead cost what they miss. White space is ignored and full- and half-width
// forms of letters, digits and kana are the same.
//
// Each typed character keeps its row of the alignment, so a key appended, or
// one taken back, costs one row: a band of the passage around where the row
// before ended, whatever the passage's or the typed text's length. A skip
// wider than the band reads as slips.
class TypedAlignment final {
 public:
  static constexpr int kBand = 64;  // passage characters either side

  explicit TypedAlignment(const QString& passage = QString());
  // The box now holds typed; the rows of the start it shares with the last
  // text are kept.
  void SetTyped(const QString& typed);

  int matched() const { return Best(Rows() - 1).matched; }
  int errors() const { return Best(Rows() - 1).errors; }
  int score() const { return std::max(0, matched() - errors()); }
  // Where the next character to type is in the passage as given (its size
  // once the whole passage is typed).
  int nextPosition() const;
  // The typed text ends in Latin letters where the passage holds Japanese
  // (kana or kanji): the input method is most likely off.
  bool latinWhereKana() const;

 private:
  struct Cell {
    int errors;
    int matched;
  };
  struct Row {
    int first;  // the passage column of the row's first cell
    int best;   // the column of its best cell
  };
  int Rows() const { return int(m_rows.size()); }
  const Cell& At(int row, int column) const;
  Cell Best(int row) const { return At(row, m_rows[size_t(row)].best); }
  void Append(QChar typed);

  static constexpr int kCells = 2 * kBand + 1;

  QString m_passage;             // compared form
  std::vector<int> m_positions;  // each compared character's place in the passage as given
  int m_passageSize = 0;
  QString m_typed;            // compared form
  std::vector<Row> m_rows;    // one for nothing typed, then one per character
  std::vector<Cell> m_cells;  // kCells a row
};

// The score of typed against passage (see TypedAlignment).
int CorrectCharacters(const QString& passage, const QString& typed);

inline constexpr int kSkillTestSeconds = 180;

class SkillTest final {
 public:
  enum class State { Ready, Running, Finished };

  SkillTest(Platform& platform, HistoryRecorder* history);

  void SetTexts(QList<SkillTestText> texts);
  const QList<SkillTestText>& texts() const { return m_texts; }
  int chosen() const { return m_chosen; }

  // Another passage: a test under way is left (recorded as 途中).
  void Choose(int index);
  // The clock starts now, on an empty box.
  void Start();
  // The box now holds typed. Past the end the edit is refused: the box
  // keeps what it held at 3:00.
  void Edit(const QString& typed);
  // The window's timer: ends the test once three minutes have passed.
  void Tick();
  // The window closes: a test under way is left.
  void Leave();

  State state() const { return m_state; }
  bool open() const { return m_state == State::Running; }
  const QString& typed() const { return m_typed; }
  int secondsLeft() const;
  // The score so far (see TypedAlignment), its two parts, and where the
  // passage is up to; -1 before a start.
  int correct() const { return m_alignment.score(); }
  int matched() const { return m_alignment.matched(); }
  int errors() const { return m_alignment.errors(); }
  int nextPosition() const;
  // Whether to tell the learner that the input method is off.
  bool latinWhereKana() const { return open() && m_alignment.latinWhereKana(); }
  // 字／分 of the finished test; the grade it earned.
  int perMinute() const { return m_perMinute; }
  const QString& grade() const { return m_grade; }

  QString TimeLeftText() const;  // "のこり 2:05"
  QString ProgressText() const;  // the count so far
  QString ResultText() const;    // the finished test against the survey and the targets
  static QString RuleText();     // how the score is counted, in one line

 private:
  double Elapsed() const;
  void Finish();
  void Record(const QString& grade, double seconds);

  Platform& m_platform;
  HistoryRecorder* m_history;
  QList<SkillTestText> m_texts;
  int m_chosen = -1;
  State m_state = State::Ready;
  double m_start = 0;  // on the monotonic clock
  QString m_typed;
  TypedAlignment m_alignment;
  int m_perMinute = 0;
  QString m_grade;
};

}  // namespace shurencho
