// The three-minute test: its scoring, its end at 3:00 on the fake clock, a
// test left early, the shipped passages, the 級 ladder and the certificates.
#include "typing/skill_test.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
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
#include "text/file_save.h"

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

TEST(SkillTestScoring, CharactersRightLessEachWrongMissingOrExtraOneFromThePassagesStart) {
  const QString passage = QStringLiteral("のはらのあめ。\nPCで10分");
  EXPECT_EQ(ScoredLength(passage), 13);
  struct Case {
    QString typed;
    int score;
    int next;  // where the passage is up to; -1: not checked
  } const cases[] = {
      {QStringLiteral("のはらのあめ。\nPCで10分"), 13, 14},
      // Full width from the input method, no line break.
      {QStringLiteral("のはらのあめ。ＰＣで１０分"), 13, 14},
      {QStringLiteral("のはらのあめ。"), 7, 8},
      {QStringLiteral("のはらのかあめ。"), 7 - 1, 8},  // one extra
      {QStringLiteral("のはらのあべ。"), 6 - 1, 8},    // one slip
      {QStringLiteral("のはPCで10分"), 8 - 5, 14},     // five skipped
      {QString(40, QChar(u'の')), 0, -1},              // junk never scores
      {QString(), 0, 0},
  };
  for (const Case& c : cases) {
    TypedAlignment alignment(passage);
    alignment.SetTyped(c.typed);
    EXPECT_EQ(alignment.score(), c.score) << c.typed.toStdString();
    if (c.next >= 0) {
      EXPECT_EQ(alignment.nextPosition(), c.next) << c.typed.toStdString();
    }
  }
}

TEST(SkillTestTexts, AFolderAFifoAndControlCharactersAreEachNamedNotSkippedInSilence) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("a.txt")));
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("b.txt"))).constData(), 0600), 0);
  QFile nul(dir.filePath(QStringLiteral("c.txt")));
  ASSERT_TRUE(nul.open(QIODevice::WriteOnly));
  nul.write(QByteArray("小3 ぬる\n") + QByteArray(40, '\0'));
  nul.close();
  QStringList problems;
  EXPECT_TRUE(LoadSkillTestTexts(dir.path(), &problems).isEmpty());
  ASSERT_EQ(problems.size(), 3);
  EXPECT_TRUE(problems[2].contains(QStringLiteral("制御文字"))) << problems[2].toStdString();
}

TEST(SkillTestScoring, KeysTakenBackAndRetypedScoreAsTheWholeTextAtOnce) {
  QStringList passages;
  for (const SkillTestText& t :
       LoadSkillTestTexts(QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"), nullptr))
    passages.append(t.passage);
  ASSERT_FALSE(passages.isEmpty());
  const QString passage = passages.last();
  QString typed = passage.left(200);
  typed.remove(40, 30);                       // a line skipped
  typed.insert(120, QStringLiteral("ああ"));  // and junk
  TypedAlignment keyByKey(passage);
  for (qsizetype i = 1; i <= typed.size(); ++i) {
    keyByKey.SetTyped(typed.left(i) + QStringLiteral("x"));  // a slip, taken back
    keyByKey.SetTyped(typed.left(i));
  }
  TypedAlignment whole(passage);
  whole.SetTyped(typed);
  EXPECT_EQ(keyByKey.matched(), whole.matched());
  EXPECT_EQ(keyByKey.errors(), whole.errors());
  EXPECT_EQ(keyByKey.nextPosition(), whole.nextPosition());
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

TEST_F(SkillTestTest, LatinLettersWhereThePassageHoldsJapaneseBringTheInputMethodWarning) {
  test.Start();
  const struct {
    const char16_t* typed;
    bool warned;
  } cases[] = {
      {u"amega", true},                                // off from the start
      {u"あめ", false},          {u"あめgafu", true},  // switched off midway
      {u"あめgafuが", false},                          // on again: kana arrived
      {u"あめがふる。P", false},                       // the passage holds a letter there
  };
  for (const auto& c : cases) {
    test.Edit(QString::fromUtf16(c.typed));
    EXPECT_EQ(test.latinWhereKana(), c.warned) << QString::fromUtf16(c.typed).toStdString();
  }
}

TEST_F(SkillTestTest, TheThreeMinutesAreTimedWhateverTheWallClockDoes) {
  test.Start();
  platform.Advance(100);
  platform.now -= FakePlatform::Seconds(3600);  // the clock set back an hour
  EXPECT_EQ(test.TimeLeftText(), QStringLiteral("のこり 1:20"));
  platform.now += FakePlatform::Seconds(7200);  // and put forward
  test.Tick();
  EXPECT_TRUE(test.open());
  platform.Advance(80);
  test.Tick();
  EXPECT_EQ(test.state(), SkillTest::State::Finished);
  ASSERT_EQ(store.written.size(), 1);
  EXPECT_EQ(store.written[0].runs.at(0).seconds, 180);
}

TEST(SkillTestTexts, TheShippedPassagesAreGradedMixedAndLongEnoughForTheTopOfTheLadder) {
  QStringList problems;
  const QList<SkillTestText> texts =
      LoadSkillTestTexts(QStringLiteral(SHURENCHO_ASSETS_DIR "/texts/test"), &problems);
  EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
  QStringList levels;
  for (const SkillTestText& t : texts) {
    levels.append(t.level);
    const int n = ScoredLength(t.passage);
    // More than three minutes at 十段 (510 characters): no typist runs out of text.
    EXPECT_GE(n, 520) << t.title.toStdString();
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
