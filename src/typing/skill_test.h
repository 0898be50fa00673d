#pragma once
// 実力テスト: three minutes on a graded passage typed through the input
// method, as schools measure their pupils. The window only forwards the
// box's text and asks the test to tick; the test reads the clock itself and
// decides when the three minutes are up, so a late edit cannot slip in.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

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
// Characters typed right: the most characters of the passage the typed text
// holds in the passage's order (a longest common subsequence), so one slip
// costs that character, not the rest of the passage. White space is ignored
// and full- and half-width forms of letters, digits and kana are the same.
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
  int correct() const;
  // 字／分 of the finished test; the grade it earned.
  int perMinute() const { return m_perMinute; }
  const QString& grade() const { return m_grade; }

  QString TimeLeftText() const;  // "のこり 2:05"
  QString ProgressText() const;  // the count so far
  QString ResultText() const;    // the finished test against the survey and the targets

 private:
  double Elapsed() const;
  void Finish();
  void Record(const QString& grade, double seconds);

  Platform& m_platform;
  HistoryRecorder* m_history;
  QList<SkillTestText> m_texts;
  int m_chosen = -1;
  State m_state = State::Ready;
  double m_start = 0;
  QString m_typed;
  mutable int m_correct = 0;
  mutable bool m_scored = true;  // m_correct belongs to m_typed
  int m_perMinute = 0;
  QString m_grade;
};

}  // namespace shurencho
