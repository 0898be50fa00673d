#include "text/comma_text.h"

namespace shurencho {

namespace {
bool IsBlank(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }
}  // namespace

QStringList SplitCommaText(const QString& line) {
  QStringList fields;
  // A NUL ends the text, as it did for the byte strings the files were made for.
  const qsizetype nul = line.indexOf(QChar(0));
  const qsizetype n = nul < 0 ? line.size() : nul;
  qsizetype p = 0;
  while (p < n && IsBlank(line.at(p))) ++p;
  while (p < n) {
    QString field;
    if (line.at(p) == QLatin1Char('"')) {
      ++p;
      while (p < n) {
        if (line.at(p) == QLatin1Char('"')) {
          if (p + 1 < n && line.at(p + 1) == QLatin1Char('"')) {
            field.append(QLatin1Char('"'));
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        field.append(line.at(p++));
      }
    } else {
      const qsizetype start = p;
      while (p < n && !IsBlank(line.at(p)) && line.at(p) != QLatin1Char(',')) ++p;
      field = line.mid(start, p - start);
    }
    fields.append(field);
    while (p < n && IsBlank(line.at(p))) ++p;
    if (p < n && line.at(p) == QLatin1Char(',')) {
      ++p;
      while (p < n && IsBlank(line.at(p))) ++p;
      // A comma at the end still opens one last, empty field.
      if (p >= n) fields.append(QString());
    }
  }
  return fields;
}

QString JoinCommaText(const QStringList& items) {
  QStringList parts;
  parts.reserve(items.size());
  for (const QString& item : items) {
    bool quote = false;
    for (QChar c : item) {
      if (IsBlank(c) || c == QLatin1Char(',') || c == QLatin1Char('"')) {
        quote = true;
        break;
      }
    }
    if (quote) {
      QString q = item;
      q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
      parts.append(QLatin1Char('"') + q + QLatin1Char('"'));
    } else {
      parts.append(item);
    }
  }
  return parts.join(QLatin1Char(','));
}

}  // namespace shurencho
