#pragma once
// A teacher's class list (名簿): one line per child with the 出席番号 and the
// 氏名, as a spreadsheet saves it (UTF-8, with or without a BOM, or
// Shift-JIS). Read whole before anything is stored, so that a list with a
// bad line changes nothing.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace shurencho {

struct RosterEntry {
  int number = 0;  // 1-99
  QString name;
  bool operator==(const RosterEntry&) const = default;
};

// The entries in the file's order; nothing, with every bad line in
// *problems as "file:line: reason", when any line is bad. The first line
// may name the columns (出席番号, 氏名, in any order, others ignored);
// without it, each line is the number, then the name.
std::optional<QList<RosterEntry>> ParseClassRoster(const QByteArray& data, const QString& fileName,
                                                   QStringList* problems);

// The class a list is for, from its file name's stem ("5-2.csv" → "5-2");
// empty when the stem is no class code.
QString ClassCodeOfRosterFile(const QString& path);

}  // namespace shurencho
