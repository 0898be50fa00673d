#pragma once
// The learner's records as a CSV file a teacher can collect: UTF-8 with a
// byte order mark (so spreadsheets read the Japanese), RFC 4180 quoting,
// one row per typing run, mouse stage and weak kana unit, the learner's
// name in every row. The first line marks the file as ours; a class table
// is built from these files alone.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

#include "history/history_records.h"

namespace shurencho {

struct ZINIconf;

// The first field of the first line of every records file, and its format.
inline constexpr char kRecordsCsvTag[] = "shurencho-records";
// Version 2 added the machine and the course number, version 3 the school
// year; the older versions still read. A learner with no year chosen is
// written as version 2, so an older program still reads the file.
inline constexpr char kRecordsCsvVersion[] = "3";

// With settings, the courses carry the names the settings give them.
QByteArray WriteRecordsCsv(const LearnerHistory& history, const ZINIconf* settings = nullptr);

// Why a file was refused: the file, the line (1-based) and what was wrong.
struct CsvProblem {
  QString file;
  int line = 0;
  QString message;
  QString Text() const;  // "file:line: message"
};

// The learners a records file holds (usually one), told apart by name and
// machine, in order of appearance, each with runs and mouse records oldest
// first as written, and the weak units as listed; each run keeps the offset
// its time was written with. A graded run whose 字／分 is not what its
// characters and seconds make is refused: reports and certificates believe
// only figures they can recompute. fileName only names the file in a problem. courseNames, when given, gains
// the name the file gives each course it has not named yet.
std::optional<QList<LearnerHistory>> ParseRecordsCsv(const QByteArray& data, const QString& fileName,
                                                     CsvProblem* problem,
                                                     QHash<int, QString>* courseNames = nullptr);

}  // namespace shurencho
