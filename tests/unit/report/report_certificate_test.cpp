#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <ctime>

#include "report/certificate.h"
#include "report/records_csv.h"
#include "report/report_command.h"
#include "text/file_save.h"

using namespace shurencho;

namespace {

// A records file as a teacher collects it, the tests written by hand.
QByteArray Csv(const QStringList& rows) {
  QByteArray csv =
      "\xEF\xBB\xBFshurencho-records,2,x\r\n"
      "種類,学習者,日時,コース,テキスト,文字数,打鍵数,ミス,秒,字／分,打鍵／分,正確さ,評価,ゲーム,ステージ,"
      "手数,かな,間違えたキー,端末,コース番号\r\n";
  for (const QString& row : rows) csv += row.toUtf8() + "\r\n";
  return csv;
}
QString TestRow(const QString& learner, const QString& machine, const QString& at, int characters,
                int perMinute, const QString& seconds = QStringLiteral("180")) {
  return QStringLiteral("打鍵,%1,%2,実力テスト,中1,%3,0,0,%6,%4,0,100.0%,○,,,,,,%5,20")
      .arg(learner, at, QString::number(characters), QString::number(perMinute), machine, seconds);
}

QList<CertificateEntry> Certificates(const QStringList& rows) {
  CsvProblem problem;
  const auto learners = ParseRecordsCsv(Csv(rows), QStringLiteral("c.csv"), &problem);
  EXPECT_TRUE(learners) << problem.Text().toStdString();
  return ClassCertificates({learners.value_or(QList<LearnerHistory>{})});
}

// The machine's zone for one test, put back after it.
class Zone {
 public:
  explicit Zone(const char* tz) : m_old(qgetenv("TZ")), m_had(qEnvironmentVariableIsSet("TZ")) {
    qputenv("TZ", tz);
    ::tzset();
  }
  ~Zone() {
    if (m_had) {
      qputenv("TZ", m_old);
    } else {
      qunsetenv("TZ");
    }
    ::tzset();
  }

 private:
  QByteArray m_old;
  bool m_had;
};

const QString kMorning = QStringLiteral("2026-12-09T07:40:00.000+09:00");

TEST(Certificate, AHandEditedSpeedIsRefusedWithItsFileAndLine) {
  // 60 characters in three minutes make 20 字／分.
  const struct {
    const char* seconds;
    int perMinute;
    const char* refusal;  // null: read
  } cases[] = {{"180", 20, nullptr},
               {"180", 99999, "aoki.csv:3: 字／分 99999 は"},
               {"180", 21, "aoki.csv:3: 字／分 21 は"},
               {"nan", 3600, "aoki.csv:3: 「秒」の値が読めません"},
               {"-1", 3600, "aoki.csv:3: 「秒」の値が読めません"}};
  for (const auto& c : cases) {
    CsvProblem problem;
    const QString row = TestRow(QStringLiteral("青木"), QStringLiteral("pc-1"), kMorning, 60, c.perMinute,
                                QString::fromLatin1(c.seconds));
    const bool read = ParseRecordsCsv(Csv({row}), QStringLiteral("aoki.csv"), &problem).has_value();
    EXPECT_EQ(read, c.refusal == nullptr) << row.toStdString();
    if (c.refusal != nullptr) {
      EXPECT_TRUE(problem.Text().startsWith(QString::fromUtf8(c.refusal))) << problem.Text().toStdString();
    }
  }
}

TEST(Certificate, IsDatedOnTheDayItWasTakenWhateverTheReportingMachinesZone) {
  const Zone utc("UTC");
  const QList<CertificateEntry> entries =
      Certificates({TestRow(QStringLiteral("青木"), QStringLiteral("pc-1"), kMorning, 60, 20)});
  ASSERT_EQ(entries.size(), 1);
  EXPECT_EQ(CertificateDate(entries[0]), QStringLiteral("2026年12月9日"));
}

TEST(Certificate, NamesTheMachinesOfTwoLearnersOfOneNameAndShowsHiddenCharacters) {
  const QString tricky = QStringLiteral("花子\u202Eevil\x7F");
  const QString html = QString::fromUtf8(
      CertificateHtml(Certificates({TestRow(QStringLiteral("青木"), QStringLiteral("pc-1"), kMorning, 60, 20),
                                    TestRow(QStringLiteral("青木"), QStringLiteral("pc-2"), kMorning, 90, 30),
                                    TestRow(tricky, QStringLiteral("pc-3"), kMorning, 60, 20)})));
  EXPECT_TRUE(html.contains(QStringLiteral("端末：pc-1")));
  EXPECT_TRUE(html.contains(QStringLiteral("端末：pc-2")));
  EXPECT_FALSE(html.contains(QStringLiteral("端末：pc-3")));
  EXPECT_TRUE(html.contains(QStringLiteral("花子〔U+202E〕evil〔U+007F〕 さん"))) << html.toStdString();
  EXPECT_FALSE(html.contains(QChar(0x202E)) || html.contains(QChar(0x7F)));
}

TEST(Certificate, IsNeverWrittenThroughALinkPlantedAtItsName) {
  QTemporaryDir dir;
  const QString input = dir.filePath(QStringLiteral("aoki.csv"));
  QFile file(input);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(Csv({TestRow(QStringLiteral("青木"), QStringLiteral("pc-1"), kMorning, 60, 20)}));
  file.close();
  const QString out = dir.filePath(QStringLiteral("class.html"));
  const QString elsewhere = dir.filePath(QStringLiteral("elsewhere.html"));
  ASSERT_TRUE(QFile::link(elsewhere, CertificatesPath(out)));  // to nothing yet
  QString error;
  ClassReportOutcome outcome;
  EXPECT_FALSE(WriteClassReport(out, {input}, &error, &outcome));
  EXPECT_TRUE(outcome.refused);
  EXPECT_TRUE(error.contains(QStringLiteral("シンボリックリンク"))) << error.toStdString();
  EXPECT_FALSE(QFile::exists(elsewhere));
  EXPECT_FALSE(QFile::exists(out));
  // The 成績 window's certificate is saved the same way.
  EXPECT_FALSE(SaveWhole(CertificatesPath(out), "x", &error));
  EXPECT_FALSE(QFile::exists(elsewhere));
}

}  // namespace
