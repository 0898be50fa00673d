#pragma once
// The 成績 window's logic, headless: what is shown (computed once, for the
// window and the printable page alike), which course comes first, the texts
// of the summary lines, renaming the learner and the names of the files
// written out. The window only forwards input and draws.

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "history/history_records.h"
#include "report/records_model.h"

namespace shurencho {

struct ZINIconf;
class KeyboardLayout;

class RecordsPage {
 public:
  // Renames the learner and answers done on context's thread.
  using Renamer = std::function<void(const QString& name, QObject* context,
                                     std::function<void(bool ok, const QString& error)> done)>;

  // Sets the learner's school year by its name (empty: none) and answers
  // done on context's thread.
  using YearSetter = Renamer;
  // Sets the learner's class and number, answering like the others.
  using ClassSetter = std::function<void(const LearnerClass& place, QObject* context,
                                         std::function<void(bool ok, const QString& error)> done)>;

  // What was read (readError: why nothing could be).
  RecordsPage(LearnerHistory history, QString readError, Renamer rename, YearSetter setYear,
              const ZINIconf& settings);
  // Reads the store now, renaming straight into it; for a store of this thread's own.
  static RecordsPage Read(HistoryStore& store, const ZINIconf& settings);

  // The keyboard the printed page draws its misses on; none: no keyboard.
  void SetKeyboard(const KeyboardLayout* keyboard) { m_keyboard = keyboard; }
  const LearnerHistory& history() const { return m_history; }
  const RecordsModel& model() const { return m_model; }
  const QString& learner() const { return m_history.learner; }
  const QString& readError() const { return m_readError; }
  // What failed to be read must not be written out as if it were the whole record.
  bool CanExport() const { return m_readError.isEmpty(); }
  // Above everything else when the read failed; empty when it did not.
  QString ReadProblemText() const;

  // The course practised last, else the first.
  int FirstCourse() const;
  // "ローマ字（3 回、ほかに 1 回）" for the course choice.
  QString CourseChoiceText(int index) const;
  // The best, latest and accuracy, and the runs left or not graded.
  QString CourseSummaryText(int index) const;
  QString CourseChartTitle(int index) const;
  QString LadderText() const;
  QString SkillGradeText() const;
  // The assignments the file holds, one line each: 「コース2 を 3回（2回おわり）」,
  // or when and that it was done. Empty with none.
  QStringList AssignmentTexts() const;

  // A typed name: empty (warning: the text to tell) or unchanged (nothing
  // to do) is answered at once; any other goes to the renamer, and done
  // tells what came of it (the warning empty when it was renamed). The same
  // name asked again before the renamer answered is Waiting: done is not
  // called, the first asker tells.
  using Done = std::function<void(const QString& warning)>;
  enum class Rename { Empty, Unchanged, Asked, Waiting };
  Rename AskRename(const QString& typed, QObject* context, Done done);
  // The name in the box made the learner's before a file is named after it:
  // then gets an empty warning once it is (at once when it already was),
  // else why it is not (an empty box, a name refused).
  void ApplyName(const QString& typed, QObject* context, Done then);
  static QString EmptyNameText();

  // The 学年 choices: 「（えらばない）」, then 小1 … 大人.
  static QStringList YearChoiceTexts();
  // The stored year's place among the choices; 0 when none is chosen.
  int YearChoice() const;
  // Saves the choice at once; done tells why it could not be (empty when
  // saved). A refused choice leaves the stored year as it was.
  void ChooseYear(int choice, QObject* context, Done done);

  // The class and number are asked for only where a class server is set.
  void SetClassSetter(ClassSetter setClass) { m_setClass = std::move(setClass); }
  bool AsksClass() const;
  const LearnerClass& place() const { return m_history.place; }
  // A class typed ("5-2"; empty: none) and a number (0: none) saved at once;
  // done tells why not (empty when saved). Text that is no class is refused
  // before anything is asked, and the stored place stays as it was.
  void ChooseClass(const QString& code, int number, QObject* context, Done done);

  // The learner's name made safe for a file name: no folder separators or
  // control characters.
  QString SafeLearnerName() const;
  QString CsvFileName() const;
  QString CertificateFileName() const;
  // Where the save dialogs open and the paths they offer: the folder of the
  // last file written while it is one the learner may write (see ExportFolder).
  static QString SaveFolder();
  QString OfferedCsvPath() const;
  QString OfferedCertificatePath() const;
  // A file just written: the next save dialog opens in its folder.
  static void Written(const QString& path);
  // The printable page written beside a CSV file: its .csv (of any case) becomes .html.
  static QString HtmlPathOf(const QString& csvPath);
  // Writes the CSV and, beside it, the printable page made at now.
  bool ExportTo(const QString& csvPath, HistoryTime now, QString* error) const;
  bool SaveCertificate(const QString& path, QString* error) const;
  bool HasCertificate() const;

 private:
  Rename Ask(const QString& typed, QObject* context, Done done, bool join);

  LearnerHistory m_history;
  QString m_readError;
  Renamer m_rename;
  YearSetter m_setYear;
  ClassSetter m_setClass;
  const ZINIconf& m_settings;
  const KeyboardLayout* m_keyboard = nullptr;
  RecordsModel m_model;
  QHash<QString, QList<Done>> m_renaming;  // the names asked for, with whom to tell
};

}  // namespace shurencho
