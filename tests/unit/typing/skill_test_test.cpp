// The three-minute test: its scoring, its end at 3:00 on the fake clock, a
// test left early, the shipped passages, the 級 ladder and the certificates.
#include "typing/skill_test.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "history/history_recorder.h"
#include "history_fixture.h"
#include "report/certificate.h"
#include "report/records_csv.h"
#include "report/report_command.h"
#include "report/report_html.h"
#include "report/skill_grade.h"
#include "support/fake_platform.h"

using namespace shurencho;

namespace {

SkillTestText Passage() {
  return SkillTestText{QStringLiteral("小3 テスト"), QStringLiteral("小3"),
                       QStringLiteral("あめがふる。\nPCで10分")};
}

class SkillTestTest : public ::testing::Test {
 protected:
  SkillTestTest() {
    recorder.Attach(&store);
    test.SetTexts({Passage(), Passage()});
  }
  FakePlatform platform;
  HistoryRecorder recorder{platform};
  MemoryStore store;
  SkillTest test{platform, &recorder};
};

TEST(SkillTestScoring, EachRightCharacterCountsInOrderWhateverTheWidthOrLayout) {
  const QString passage = QStringLiteral("あめがふる。\nPCで10分");
  EXPECT_EQ(ScoredLength(passage), 12);
  // Full-width letters and digits from the input method, no line break.
  EXPECT_EQ(CorrectCharacters(passage, QStringLiteral("あめがふる。ＰＣで１０分")), 12);
  // A slip costs its own character, not the rest; a missed one the same.
  EXPECT_EQ(CorrectCharacters(passage, QStringLiteral("あめがぶる。PCで0分")), 10);
  EXPECT_EQ(CorrectCharacters(passage, QStringLiteral("pc")), 0);
  EXPECT_EQ(CorrectCharacters(passage, QString()), 0);
}

TEST_F(SkillTestTest, StopsAtThreeMinutesKeepingWhatWasTypedThenAndRecordsItsGrade) {
  test.Start();
  platform.Advance(100);
  test.Edit(QStringLiteral("あめがふる。"));
  platform.Advance(79);
  test.Tick();
  EXPECT_TRUE(test.open());
  EXPECT_EQ(test.TimeLeftText(), QStringLiteral("のこり 0:01"));
  EXPECT_TRUE(store.written.isEmpty());

  // An edit that arrives after 3:00 ends the test without itself.
  platform.Advance(1.5);
  test.Edit(QStringLiteral("あめがふる。PCで10分"));
  EXPECT_EQ(test.state(), SkillTest::State::Finished);
  EXPECT_EQ(test.typed(), QStringLiteral("あめがふる。"));
  test.Tick();
  test.Leave();
  ASSERT_EQ(store.written.size(), 1);
  const TypingRunRecord& run = store.written[0].runs.at(0);
  EXPECT_EQ(run.course, kSkillTestCourse);
  EXPECT_EQ(run.textName, QStringLiteral("小3 テスト"));
  EXPECT_EQ(run.characters, 6);
  EXPECT_EQ(run.seconds, 180);
  EXPECT_EQ(run.charsPerMinute, 2);
  EXPECT_EQ(run.grade, BelowGradesMark());
  EXPECT_TRUE(run.graded());
}

TEST_F(SkillTestTest, ATestLeftEarlyIsRecordedAsUnfinished) {
  test.Leave();  // none under way: nothing to record
  test.Start();
  test.Edit(QStringLiteral("あめ"));
  platform.Advance(30);
  test.Choose(1);
  ASSERT_EQ(store.written.size(), 1);
  const TypingRunRecord& run = store.written[0].runs.at(0);
  EXPECT_EQ(run.grade, UnfinishedMark());
  EXPECT_EQ(run.characters, 2);
  EXPECT_NEAR(run.seconds, 30, 0.01);
  EXPECT_EQ(test.state(), SkillTest::State::Ready);
  EXPECT_FALSE(BestSkillTest(store.All().runs));
}

TEST(SkillTestTexts, TheShippedPassagesAreGradedMixedAndOfTheSurveyLength) {
  QStringList problems;
  const QList<SkillTestText> texts =
      LoadSkillTestTexts(QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"), &problems);
  EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
  QStringList levels;
  for (const SkillTestText& t : texts) {
    levels.append(t.level);
    const int n = ScoredLength(t.passage);
    EXPECT_GE(n, 250) << t.title.toStdString();
    EXPECT_LE(n, 320) << t.title.toStdString();
    const auto holds = [&](char16_t from, char16_t to) {
      return std::any_of(t.passage.begin(), t.passage.end(),
                         [&](QChar c) { return c.unicode() >= from && c.unicode() <= to; });
    };
    EXPECT_TRUE(holds(u'ぁ', u'ゖ') && holds(u'ァ', u'ヺ') && holds(u'一', u'龥') && holds(u'0', u'z'))
        << t.title.toStdString();
  }
  EXPECT_EQ(levels, QStringList({"小3", "小4", "小5", "小6", "中1", "中2", "中3"}));
}

TEST(SkillGrade, StepsStartAtTheirSpeedAndTheSurveyMeansAndTargetsFallOnSteps) {
  EXPECT_EQ(SkillGradeText(9), BelowGradesMark());
  EXPECT_EQ(SkillGradeText(10), QStringLiteral("10級"));
  EXPECT_EQ(SkillGradeText(15), QStringLiteral("9級"));  // 小5 mean 15.8
  EXPECT_EQ(SkillGradeText(23), QStringLiteral("7級"));  // 中2 mean 23.0
  EXPECT_EQ(SkillGradeText(28), QStringLiteral("6級"));  // 高2 mean 28.4
  EXPECT_EQ(SkillGradeText(39), QStringLiteral("5級"));
  EXPECT_EQ(SkillGradeText(40), QStringLiteral("4級"));
  EXPECT_EQ(SkillGradeText(60), QStringLiteral("2級"));
  EXPECT_EQ(SkillGradeText(69), QStringLiteral("2級"));
  EXPECT_EQ(SkillGradeText(70), QStringLiteral("1級"));
  EXPECT_EQ(SkillGradeText(80), QStringLiteral("初段"));
  EXPECT_EQ(SkillGradeText(999), QStringLiteral("十段"));
}

TEST(SkillCertificate, AClassReportWritesOneEscapedPageForEachLearnerWithAFinishedTest) {
  QTemporaryDir dir;
  const HistoryTime at = 1765000000000;
  const auto test = [&](int cpm, const QString& grade) {
    return TypingRunRecord{
        at, kSkillTestCourse, QStringLiteral("中1 <図書館>"), cpm * 3, 0, 0, 180, cpm, 0, 1, grade};
  };
  LearnerHistory tricky;
  tricky.learner = QStringLiteral("<b>\"太郎\"&%2</b>");
  tricky.runs = {test(45, SkillGradeText(45)), test(90, UnfinishedMark())};
  LearnerHistory untested;
  untested.learner = QStringLiteral("花子");
  QStringList inputs;
  for (const LearnerHistory& h : {tricky, untested}) {
    inputs.append(dir.filePath(h.learner.size() > 2 ? QStringLiteral("a.csv") : QStringLiteral("b.csv")));
    ASSERT_TRUE(SaveWhole(inputs.last(), WriteRecordsCsv(h), nullptr));
  }
  const QString out = dir.filePath(QStringLiteral("class.html"));
  QString error;
  ClassReportOutcome outcome;
  ASSERT_TRUE(WriteClassReport(out, inputs, &error, &outcome)) << error.toStdString();
  EXPECT_EQ(outcome.certified, 1);
  ASSERT_EQ(outcome.certificates, dir.filePath(QStringLiteral("class_認定証.html")));
  QFile file(outcome.certificates);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString html = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(html.contains(QLatin1String(kReportGeneratorMeta)));
  EXPECT_EQ(html.count(QStringLiteral("<section>")), 1);
  EXPECT_TRUE(html.contains(QStringLiteral("&lt;b&gt;&quot;太郎&quot;&amp;%2&lt;/b&gt; さん")));
  EXPECT_TRUE(html.contains(QStringLiteral("1 分間に 45 字")));
  EXPECT_TRUE(html.contains(QStringLiteral("4級")));
  EXPECT_FALSE(html.contains(QStringLiteral("<b>")));
}

}  // namespace
