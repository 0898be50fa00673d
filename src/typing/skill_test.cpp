#include "typing/skill_test.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "history/history_recorder.h"
#include "measure/skill_grade.h"
#include "platform/data_dirs.h"
#include "text/text_file.h"
#include "text/width_convert.h"

namespace shurencho {

namespace {

// What is compared: no white space, and one width for letters, digits and
// kana, since the input method may give either.
QString Comparable(const QString& text) {
  QString kept;
  kept.reserve(text.size());
  for (const QChar c : text) {
    if (!c.isSpace()) kept.append(c);
  }
  return ToFullWidth(kept);
}

struct SurveyMean {
  const char* who;
  double perMinute;
};
constexpr SurveyMean kSurveyMeans[] = {{"小5", 15.8}, {"中2", 23.0}, {"高2", 28.4}};

}  // namespace

std::optional<SkillTestText> ParseSkillTestText(const QByteArray& data, QString* error) {
  const auto refuse = [&](const QString& why) {
    *error = why;
    return std::nullopt;
  };
  QByteArray bytes = data;
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
  const QString text = QString::fromUtf8(bytes);
  if (text.contains(QChar::ReplacementCharacter)) return refuse(QStringLiteral("UTF-8 の文字ではありません"));
  // NUL and the other controls are no text to type (tabs and line breaks are layout).
  if (std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.category() == QChar::Other_Control && c != u'\t' && c != u'\n' && c != u'\r';
      }))
    return refuse(QStringLiteral("文字でないもの（制御文字）が入っています"));
  QString all = text;
  all.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
  const qsizetype end = all.indexOf(QLatin1Char('\n'));
  SkillTestText test;
  test.title = all.left(end < 0 ? all.size() : end).trimmed();
  test.passage = end < 0 ? QString() : all.mid(end + 1).trimmed();
  const qsizetype gap = test.title.indexOf(QRegularExpression(QStringLiteral("\\s")));
  test.level = gap < 0 ? QString() : test.title.left(gap);
  if (test.level.isEmpty()) return refuse(QStringLiteral("1 行目に「学年 題名」がありません"));
  if (ScoredLength(test.passage) == 0) return refuse(QStringLiteral("テストの文がありません"));
  return test;
}

QString SkillTestFolder(const QString& programPath) {
  const QString texts = PracticeTextFolder(programPath);
  if (texts.isEmpty()) return QString();
  const QString folder = texts + QStringLiteral("/test");
  return QFileInfo(folder).isDir() ? folder : QString();
}

QList<SkillTestText> LoadSkillTestTexts(const QString& folder, QStringList* problems) {
  QList<SkillTestText> texts;
  if (folder.isEmpty()) return texts;
  // Every entry by the name, so a folder or a FIFO named like a test is
  // said, not skipped without a word.
  const QStringList names = QDir(folder).entryList(
      {QStringLiteral("*.txt")}, QDir::Files | QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  for (const QString& name : names) {
    const QString path = folder + QLatin1Char('/') + name;
    QByteArray data;
    FileFault fault = FileFault::None;
    QString error;
    std::optional<SkillTestText> text;
    if (!ReadRegularFile(path, kMaxSkillTestFileBytes, &data, &fault)) {
      error = FileFaultText(fault);
    } else {
      text = ParseSkillTestText(data, &error);
    }
    if (text) {
      texts.append(*text);
    } else if (problems) {
      problems->append(QStringLiteral("%1：%2").arg(path, error));
    }
  }
  return texts;
}

int ScoredLength(const QString& passage) {
  return int(std::count_if(passage.begin(), passage.end(), [](QChar c) { return !c.isSpace(); }));
}

namespace {

constexpr int kNoPath = std::numeric_limits<int>::max();

bool IsLatinLetter(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'Ａ' && u <= u'Ｚ') || (u >= u'ａ' && u <= u'ｚ');
}

// What the input method must be on for: kana, the long mark, kanji and 々.
bool IsJapanese(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'ぁ' && u <= u'ゖ') || (u >= u'ァ' && u <= u'ヺ') || u == u'ー' || u == u'々' ||
         (u >= u'一' && u <= u'鿿');
}

}  // namespace

TypedAlignment::TypedAlignment(const QString& passage) : m_passageSize(int(passage.size())) {
  // Folded character by character (a half-width kana with its mark as one),
  // so that each compared character knows its place in the passage.
  for (qsizetype i = 0; i < passage.size(); ++i) {
    if (passage[i].isSpace()) continue;
    const qsizetype take = i + 1 < passage.size() && ToFullWidth(passage.mid(i, 2)).size() == 1 ? 2 : 1;
    for (const QChar c : ToFullWidth(passage.mid(i, take))) {
      m_passage.append(c);
      m_positions.push_back(int(i));
    }
    i += take - 1;
  }
  // Nothing typed: the start of the passage is that many characters missing.
  m_rows.push_back({0, 0});
  m_cells.resize(kCells);
  for (int k = 0; k < kCells; ++k) m_cells[size_t(k)] = {k <= m_passage.size() ? k : kNoPath, 0};
}

const TypedAlignment::Cell& TypedAlignment::At(int row, int column) const {
  static constexpr Cell kNone{kNoPath, 0};
  const int k = column - m_rows[size_t(row)].first;
  if (k < 0 || k >= kCells || column > m_passage.size()) return kNone;
  return m_cells[size_t(row) * kCells + size_t(k)];
}

void TypedAlignment::SetTyped(const QString& typed) {
  const QString compared = Comparable(typed);
  qsizetype same = 0;
  const qsizetype shorter = std::min(compared.size(), m_typed.size());
  while (same < shorter && compared[same] == m_typed[same]) ++same;
  m_typed.truncate(same);
  m_rows.resize(size_t(same) + 1);
  m_cells.resize(m_rows.size() * kCells);
  for (qsizetype i = same; i < compared.size(); ++i) Append(compared[i]);
}

void TypedAlignment::Append(QChar typed) {
  const auto better = [](const Cell& a, const Cell& b) {
    return a.errors < b.errors || (a.errors == b.errors && a.matched > b.matched);
  };
  const auto step = [](const Cell& from, int errors, int matched) {
    return from.errors == kNoPath ? from : Cell{from.errors + errors, from.matched + matched};
  };
  const int row = Rows();
  const int last = int(m_passage.size());
  // Around where the row before ended, one further on.
  const int first = std::max(0, std::min(m_rows.back().best + 1 - kBand, last + 1 - kCells));
  m_rows.push_back({first, first});
  m_cells.resize(m_rows.size() * kCells);
  m_typed.append(typed);
  Cell* cells = &m_cells[size_t(row) * kCells];
  Cell best{kNoPath, 0};
  for (int k = 0; k < kCells; ++k) {
    const int j = first + k;
    Cell cell{kNoPath, 0};
    if (j == 0) {
      cell = {row, 0};  // every character typed is extra
    } else if (j <= last) {
      const bool same = m_passage[j - 1] == typed;
      cell = step(At(row - 1, j - 1), same ? 0 : 1, same ? 1 : 0);
      if (const Cell extra = step(At(row - 1, j), 1, 0); better(extra, cell)) cell = extra;
      if (k > 0) {
        if (const Cell missing = step(cells[k - 1], 1, 0); better(missing, cell)) cell = missing;
      }
    }
    cells[k] = cell;
    if (better(cell, best)) {
      best = cell;
      m_rows.back().best = j;
    }
  }
}

int TypedAlignment::nextPosition() const {
  const int j = m_rows.back().best;
  return j < int(m_positions.size()) ? m_positions[size_t(j)] : m_passageSize;
}

bool TypedAlignment::latinWhereKana() const {
  qsizetype start = m_typed.size();
  while (start > 0 && IsLatinLetter(m_typed[start - 1])) --start;
  if (start == m_typed.size()) return false;
  const int j = m_rows[size_t(start)].best;
  return j < m_passage.size() && IsJapanese(m_passage[j]);
}

int CorrectCharacters(const QString& passage, const QString& typed) {
  TypedAlignment alignment(passage);
  alignment.SetTyped(typed);
  return alignment.score();
}

SkillTest::SkillTest(Platform& platform, HistoryRecorder* history)
    : m_platform(platform), m_history(history) {}

void SkillTest::SetTexts(QList<SkillTestText> texts) {
  Leave();
  m_texts = std::move(texts);
  m_chosen = m_texts.isEmpty() ? -1 : 0;
  m_state = State::Ready;
  m_typed.clear();
  m_alignment = TypedAlignment(m_chosen < 0 ? QString() : m_texts[m_chosen].passage);
}

void SkillTest::Choose(int index) {
  if (index < 0 || index >= m_texts.size()) return;
  Leave();
  m_chosen = index;
  m_state = State::Ready;
  m_typed.clear();
  m_alignment = TypedAlignment(m_chosen < 0 ? QString() : m_texts[m_chosen].passage);
}

void SkillTest::Start() {
  if (m_chosen < 0 || m_state == State::Running) return;
  m_state = State::Running;
  m_start = m_platform.MonotonicSeconds();
  m_typed.clear();
  m_alignment.SetTyped(m_typed);
  m_perMinute = 0;
  m_grade.clear();
}

void SkillTest::Edit(const QString& typed) {
  if (m_state != State::Running) return;
  Tick();
  if (m_state != State::Running) return;
  if (typed == m_typed) return;
  m_typed = typed;
  m_alignment.SetTyped(m_typed);
}

void SkillTest::Tick() {
  if (m_state == State::Running && Elapsed() >= kSkillTestSeconds) Finish();
}

void SkillTest::Leave() {
  if (m_state != State::Running) return;
  // Time up meanwhile: the test was finished, not left.
  Tick();
  if (m_state != State::Running) return;
  const double seconds = Elapsed();
  m_state = State::Ready;
  m_perMinute = seconds > 0 ? int(correct() * 60 / seconds) : 0;
  Record(UnfinishedMark(), seconds);
  m_perMinute = 0;
}

// On the monotonic clock: a wall clock set back or put forward (daylight
// saving, a teacher's correction) neither adds time nor takes it.
double SkillTest::Elapsed() const { return std::max(0.0, m_platform.MonotonicSeconds() - m_start); }

int SkillTest::secondsLeft() const {
  switch (m_state) {
    case State::Ready:
      return kSkillTestSeconds;
    case State::Finished:
      return 0;
    case State::Running:
      break;
  }
  // Counted down in whole seconds, the last one shown as 0:01 to its end.
  const double left = kSkillTestSeconds - Elapsed();
  return left <= 0 ? 0 : std::min(kSkillTestSeconds, int(std::ceil(left)));
}

int SkillTest::nextPosition() const { return m_state == State::Ready ? -1 : m_alignment.nextPosition(); }

void SkillTest::Finish() {
  m_state = State::Finished;
  m_perMinute = correct() * 60 / kSkillTestSeconds;
  m_grade = SkillGradeText(m_perMinute);
  Record(m_grade, kSkillTestSeconds);
}

void SkillTest::Record(const QString& grade, double seconds) {
  if (!m_history || m_chosen < 0) return;
  TypingRunRecord record;
  record.textName = m_texts[m_chosen].title;
  record.characters = correct();
  record.seconds = seconds;
  record.charsPerMinute = m_perMinute;
  // Of the characters the alignment looked at, the share that were right.
  const int looked = matched() + errors();
  record.accuracy = looked > 0 ? double(matched()) / looked : 0;
  record.grade = grade;
  m_history->SkillTestDone(record);
}

QString SkillTest::TimeLeftText() const {
  const int left = secondsLeft();
  return QStringLiteral("のこり %1:%2").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
}

QString SkillTest::ProgressText() const {
  switch (m_state) {
    case State::Ready:
      return m_chosen < 0 ? QStringLiteral("テストの文が見つかりません。")
                          : QStringLiteral("「はじめ」を押すと 3 分間のテストが始まります。");
    case State::Running:
      return QStringLiteral("正しく打てた字：%1 字").arg(correct());
    case State::Finished:
      break;
  }
  return QStringLiteral("おわり！ 3 分間で正しく打てた字：%1 字（合った字 %2 － まちがい %3）")
      .arg(correct())
      .arg(matched())
      .arg(errors());
}

QString SkillTest::RuleText() {
  return QStringLiteral(
      "数え方：文と同じ順に合った字から、打ちまちがい・ぬけ・よけいな字を 1 字ずつ引きます");
}

QString SkillTest::ResultText() const {
  if (m_state != State::Finished) return QString();
  const int speed = m_perMinute;
  QString text = QStringLiteral("速さ：%1　字／分　級：%2\n").arg(speed).arg(m_grade);

  QStringList means;
  const SurveyMean* passed = nullptr;
  for (const SurveyMean& mean : kSurveyMeans) {
    means.append(
        QStringLiteral("%1 %2").arg(QString::fromUtf8(mean.who), QString::number(mean.perMinute, 'f', 1)));
    if (speed >= mean.perMinute) passed = &mean;
  }
  text += QStringLiteral("全国調査の平均（%1 字／分）：").arg(means.join(QStringLiteral("・")));
  if (passed) {
    text += QStringLiteral("%1 の平均を超えました。\n").arg(QString::fromUtf8(passed->who));
  } else {
    text += QStringLiteral("%1 の平均まで あと %2 字／分。\n")
                .arg(QString::fromUtf8(kSurveyMeans[0].who))
                .arg(int(std::ceil(kSurveyMeans[0].perMinute - speed)));
  }

  text += QStringLiteral("目標（小学校 %1・中学校 %2 字／分）：")
              .arg(kPrimarySchoolTarget)
              .arg(kJuniorHighTarget);
  if (speed >= kJuniorHighTarget) {
    text += QStringLiteral("中学校の目標にも届いています！");
  } else if (speed >= kPrimarySchoolTarget) {
    text += QStringLiteral("小学校の目標に届いています。中学校の目標まで あと %1 字／分。")
                .arg(kJuniorHighTarget - speed);
  } else {
    text += QStringLiteral("小学校の目標まで あと %1 字／分。").arg(kPrimarySchoolTarget - speed);
  }
  return text;
}

}  // namespace shurencho
