#include "report/records_page.h"

#include <QDateTime>
#include <QDir>
#include <QStringList>
#include <algorithm>
#include <utility>

#include "reading/kanji_table.h"
#include "report/certificate.h"
#include "report/export_folder.h"
#include "report/records_csv.h"
#include "report/report_html.h"
#include "report/skill_grade.h"
#include "settings/settings.h"
#include "text/file_save.h"

namespace shurencho {

RecordsPage::RecordsPage(LearnerHistory history, QString readError, Renamer rename, YearSetter setYear,
                         const ZINIconf& settings)
    : m_history(std::move(history)),
      m_readError(std::move(readError)),
      m_rename(std::move(rename)),
      m_setYear(std::move(setYear)),
      m_settings(settings),
      m_model(ComputeRecords(m_history, settings)) {}

RecordsPage RecordsPage::Read(HistoryStore& store, const ZINIconf& settings) {
  QString error;
  LearnerHistory history = store.Read(10, &error);
  if (history.learner.isEmpty()) history.learner = store.LearnerName();
  if (history.schoolYear.isEmpty()) history.schoolYear = store.LearnerYear();
  Renamer rename = [&store](const QString& name, QObject*, std::function<void(bool, const QString&)> done) {
    QString why;
    const bool ok = store.SetLearnerName(name, &why);
    done(ok, why);
  };
  YearSetter setYear = [&store](const QString& year, QObject*,
                                std::function<void(bool, const QString&)> done) {
    QString why;
    const bool ok = store.SetLearnerYear(year, &why);
    done(ok, why);
  };
  if (history.place == LearnerClass()) history.place = store.ClassOfLearner();
  RecordsPage page(std::move(history), std::move(error), std::move(rename), std::move(setYear), settings);
  page.SetClassSetter(
      [&store](const LearnerClass& place, QObject*, std::function<void(bool, const QString&)> done) {
        QString why;
        const bool ok = store.SetClassOfLearner(place, &why);
        done(ok, why);
      });
  return page;
}

QString RecordsPage::ReadProblemText() const {
  return m_readError.isEmpty() ? QString()
                               : QStringLiteral("記録を読み込めませんでした：%1").arg(m_readError);
}

int RecordsPage::FirstCourse() const {
  const QList<CourseChart>& courses = m_model.courses;
  int latest = 0;
  for (int i = 1; i < courses.size(); ++i) {
    const CourseSpeeds& c = courses[i].speeds;
    if (c.runs > 0 && (courses[latest].speeds.runs == 0 || c.latestAt > courses[latest].speeds.latestAt))
      latest = i;
  }
  return latest;
}

QString RecordsPage::CourseChoiceText(int index) const {
  const CourseChart& chart = m_model.courses[index];
  const int others = chart.speeds.unfinished + chart.speeds.ungraded;
  return others == 0 ? QStringLiteral("%1（%2 回）").arg(chart.label).arg(chart.speeds.runs)
                     : QStringLiteral("%1（%2 回、ほかに %3 回）")
                           .arg(chart.label)
                           .arg(chart.speeds.runs)
                           .arg(others);
}

QString RecordsPage::CourseSummaryText(int index) const {
  const CourseSpeeds& c = m_model.courses[index].speeds;
  const GradeBands& bands = m_model.courses[index].bands;
  QString summary =
      c.runs == 0 ? QStringLiteral("まだ計測した記録がありません")
                  : QStringLiteral("最高 %1 字／分・最新 %2 字／分・正確さ %3・評価の基準 %4／%5 字／分")
                        .arg(c.best)
                        .arg(c.latest)
                        .arg(AccuracyShown(c.accuracy.Value()))
                        .arg(bands.lower)
                        .arg(bands.upper);
  // Runs left or not graded are told, but are in no figure above.
  QStringList uncounted;
  if (c.unfinished > 0) uncounted << QStringLiteral("途中 %1回").arg(c.unfinished);
  if (c.ungraded > 0) uncounted << QStringLiteral("計測なし %1回").arg(c.ungraded);
  if (!uncounted.isEmpty())
    summary +=
        QStringLiteral("\n（ほかに %1。最高・平均には入りません）").arg(uncounted.join(QStringLiteral("・")));
  return summary;
}

QString RecordsPage::CourseChartTitle(int index) const {
  return QStringLiteral("%1 の字／分").arg(m_model.courses[index].label);
}

QString RecordsPage::LadderText() const { return m_model.practiceLine; }

QString RecordsPage::SkillGradeText() const { return m_model.gradeLine; }

QStringList RecordsPage::AssignmentTexts() const {
  QStringList lines;
  for (const AssignmentProgress& p : m_history.assignments) {
    const Assignment& a = p.assignment;
    const QString what = a.isTest() ? QStringLiteral("実力テスト（%1）を 1回").arg(a.passage)
                                    : QStringLiteral("コース%1 を %2回").arg(a.course).arg(a.passes);
    const QString state =
        p.finished()
            ? QStringLiteral("%1 におわり")
                  .arg(QDateTime::fromMSecsSinceEpoch(p.doneAt).toString(QStringLiteral("M月d日 HH:mm")))
            : QStringLiteral("%1回おわり").arg(p.done);
    lines << QStringLiteral("%1（%2）").arg(what, state);
  }
  return lines;
}

QString RecordsPage::EmptyNameText() { return QStringLiteral("名前を入れてください。"); }

QStringList RecordsPage::YearChoiceTexts() {
  QStringList texts{QStringLiteral("（えらばない）")};
  for (int y = static_cast<int>(SchoolYear::Sho1); y <= static_cast<int>(SchoolYear::Adult); ++y)
    texts << SchoolYearName(static_cast<SchoolYear>(y));
  return texts;
}

int RecordsPage::YearChoice() const {
  // A name this program does not know (a newer one's) shows as none chosen.
  return static_cast<int>(SchoolYearFromName(m_history.schoolYear));
}

void RecordsPage::ChooseYear(int choice, QObject* context, Done done) {
  const QString year = choice > 0 ? SchoolYearName(static_cast<SchoolYear>(choice)) : QString();
  if (year == m_history.schoolYear || !m_setYear) {
    done(QString());
    return;
  }
  m_setYear(year, context, [this, year, done](bool ok, const QString& error) {
    if (ok) m_history.schoolYear = year;
    done(ok ? QString() : QStringLiteral("学年を変えられませんでした。\n%1").arg(error));
  });
}

bool RecordsPage::AsksClass() const {
  return static_cast<bool>(m_setClass) && !m_settings.HistoryServer.isEmpty();
}

void RecordsPage::ChooseClass(const QString& code, int number, QObject* context, Done done) {
  const LearnerClass place{code.trimmed(), number};
  if (!place.code.isEmpty() && !IsClassCode(place.code)) {
    done(QStringLiteral("組は 5-2 のように、数字をハイフンでつないで書いてください。"));
    return;
  }
  if (number < 0 || number > kMaxClassNumber) {
    done(QStringLiteral("番号は 1 から %1 までです。").arg(kMaxClassNumber));
    return;
  }
  if (place == m_history.place || !m_setClass) {
    done(QString());
    return;
  }
  m_setClass(place, context, [this, place, done](bool ok, const QString& error) {
    if (ok) m_history.place = place;
    done(ok ? QString() : QStringLiteral("組と番号を変えられませんでした。\n%1").arg(error));
  });
}

RecordsPage::Rename RecordsPage::Ask(const QString& typed, QObject* context, Done done, bool join) {
  const QString name = typed.trimmed();
  if (name.isEmpty()) return Rename::Empty;
  if (const auto waiting = m_renaming.find(name); waiting != m_renaming.end()) {
    if (join) waiting->append(std::move(done));
    return Rename::Waiting;
  }
  if (name == m_history.learner) return Rename::Unchanged;
  // Listed before asking: a renamer of this thread answers at once.
  m_renaming.insert(name, {std::move(done)});
  m_rename(name, context, [this, name](bool ok, const QString& error) {
    if (ok) m_history.learner = name, m_history.learnerCut = false;
    const QString warning = ok ? QString() : QStringLiteral("名前を変えられませんでした。\n%1").arg(error);
    for (const Done& told : m_renaming.take(name)) told(warning);
  });
  return Rename::Asked;
}

RecordsPage::Rename RecordsPage::AskRename(const QString& typed, QObject* context, Done done) {
  return Ask(typed, context, std::move(done), false);
}

void RecordsPage::ApplyName(const QString& typed, QObject* context, Done then) {
  switch (Ask(typed, context, then, true)) {
    case Rename::Empty:
      then(EmptyNameText());
      break;
    case Rename::Unchanged:
      then(QString());
      break;
    case Rename::Asked:
    case Rename::Waiting:
      break;
  }
}

QString RecordsPage::SafeLearnerName() const {
  QString safe = m_history.learner;
  for (QChar& c : safe) {
    if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
      c = QLatin1Char('_');
  }
  return safe;
}

namespace {

// A file system takes names of 255 bytes: the learner's name is cut, by
// whole characters, so the file name fits with room for the page beside a
// CSV (.html for .csv). The name stays whole inside the file.
QString FileNameWithin(const QString& head, QString name, const QString& tail) {
  constexpr qsizetype kMaxBytes = 250;
  while (!name.isEmpty() && QFile::encodeName(head + name + tail).size() > kMaxBytes) {
    name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
  }
  return head + name + tail;
}

}  // namespace

QString RecordsPage::CsvFileName() const {
  return FileNameWithin(QStringLiteral("成績_"), SafeLearnerName(), QStringLiteral(".csv"));
}

QString RecordsPage::CertificateFileName() const {
  return FileNameWithin(QStringLiteral("認定証_"), SafeLearnerName(), QStringLiteral(".html"));
}

QString RecordsPage::SaveFolder() { return ExportFolder(); }

QString RecordsPage::OfferedCsvPath() const { return QDir(SaveFolder()).filePath(CsvFileName()); }

QString RecordsPage::OfferedCertificatePath() const {
  return QDir(SaveFolder()).filePath(CertificateFileName());
}

void RecordsPage::Written(const QString& path) { RememberExportFolder(path); }

QString RecordsPage::HtmlPathOf(const QString& csvPath) {
  QString html = csvPath;
  if (html.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) html.chop(4);
  return html + QStringLiteral(".html");
}

bool RecordsPage::ExportTo(const QString& csvPath, HistoryTime now, QString* error) const {
  return SaveWhole(csvPath, WriteRecordsCsv(m_history, &m_settings), error) &&
         SaveWhole(HtmlPathOf(csvPath), LearnerReportHtml(m_model, m_history, now, m_keyboard), error);
}

bool RecordsPage::HasCertificate() const { return CertificateOf(m_history).has_value(); }

bool RecordsPage::SaveCertificate(const QString& path, QString* error) const {
  const std::optional<CertificateEntry> certificate = CertificateOf(m_history);
  if (!certificate) {
    if (error != nullptr) *error = QStringLiteral("認定証にする実力テストの記録がありません。");
    return false;
  }
  return SaveWhole(path, CertificateHtml({*certificate}), error);
}

}  // namespace shurencho
