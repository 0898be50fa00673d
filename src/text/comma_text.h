#pragma once
// Comma-text: the one way every table line, item line and settings list is
// split into fields and written back.

#include <QString>
#include <QStringList>
#include <functional>

namespace shurencho {

// Splits a line into fields. Blanks and control characters (codes 1-32)
// around fields are skipped; a field starting with a double quote runs to the
// next undoubled double quote (or to the end of the line when never closed);
// any other field runs to the first comma or blank. Two commas in a row give
// an empty field; an empty line gives no field.
QStringList SplitCommaText(QStringView line);
// The same fields, each handed to `take` as it is found, without making a
// string of it: a view valid only during the call.
void ForEachCommaField(QStringView line, const std::function<void(QStringView)>& take);

// Joins items into comma-text; an item that holds a blank, comma, double
// quote or control character is quoted with inner quotes doubled.
QString JoinCommaText(const QStringList& items);

}  // namespace shurencho
