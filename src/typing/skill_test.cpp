#include "typing/skill_test.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <vector>

#include "history/history_recorder.h"
#include "platform/data_dirs.h"
#include "report/skill_grade.h"
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
  const QStringList names = QDir(folder).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
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

int CorrectCharacters(const QString& passage, const QString& typed) {
  const QString a = Comparable(passage);
  const QString b = Comparable(typed);
  if (a.isEmpty() || b.isEmpty()) return 0;
  // Two rows of the usual table, over the passage.
  std::vector<int> previous(size_t(a.size()) + 1, 0), current(size_t(a.size()) + 1, 0);
  for (const QChar t : b) {
    for (qsizetype i = 0; i < a.size(); ++i) {
      current[size_t(i) + 1] =
          a[i] == t ? previous[size_t(i)] + 1 : std::max(previous[size_t(i) + 1], current[size_t(i)]);
    }
    std::swap(previous, current);
  }
  return previous.back();
}

SkillTest::SkillTest(Platform& platform, HistoryRecorder* history)
    : m_platform(platform), m_history(history) {}

void SkillTest::SetTexts(QList<SkillTestText> texts) {
  Leave();
  m_texts = std::move(texts);
  m_chosen = m_texts.isEmpty() ? -1 : 0;
  m_state = State::Ready;
  m_typed.clear();
  m_scored = false;
}

void SkillTest::Choose(int index) {
  if (index < 0 || index >= m_texts.size()) return;
  Leave();
  m_chosen = index;
  m_state = State::Ready;
  m_typed.clear();
  m_scored = false;
}

void SkillTest::Start() {
  if (m_chosen < 0 || m_state == State::Running) return;
  m_state = State::Running;
  m_start = m_platform.Now();
  m_typed.clear();
  m_scored = false;
  m_perMinute = 0;
  m_grade.clear();
}

void SkillTest::Edit(const QString& typed) {
  if (m_state != State::Running) return;
  Tick();
  if (m_state != State::Running) return;
  if (typed == m_typed) return;
  m_typed = typed;
  m_scored = false;
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

// SecondsBetween counts whole milliseconds: a clock in days carries rounding
// far below that, which must not move the end or the second shown.
double SkillTest::Elapsed() const { return SecondsBetween(m_start, m_platform.Now()); }

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

int SkillTest::correct() const {
  if (!m_scored) {
    m_correct = m_chosen < 0 ? 0 : CorrectCharacters(m_texts[m_chosen].passage, m_typed);
    m_scored = true;
  }
  return m_correct;
}

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
  const int typed = ScoredLength(m_typed);
  record.accuracy = typed > 0 ? std::min(1.0, double(correct()) / typed) : 0;
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
  return QStringLiteral("おわり！ 3 分間で正しく打てた字：%1 字").arg(correct());
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
