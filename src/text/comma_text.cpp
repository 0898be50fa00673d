#include "text/comma_text.h"

namespace shurencho {

namespace {
bool IsBlank(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }
}  // namespace

void ForEachCommaField(QStringView line, const std::function<void(QStringView)>& take) {
  // A NUL ends the text, as it did for the byte strings the files were made for.
  const qsizetype nul = line.indexOf(QChar(0));
  const qsizetype n = nul < 0 ? line.size() : nul;
  QString unquoted;  // a quoted field that held doubled quotes
  qsizetype p = 0;
  while (p < n && IsBlank(line.at(p))) ++p;
  while (p < n) {
    if (line.at(p) == QLatin1Char('"')) {
      // Up to the next undoubled quote, or to the end when it never closes;
      // "" is one quote. Without one, the field is a view of the line.
      ++p;
      const qsizetype start = p;
      qsizetype end = n;
      bool doubled = false;
      unquoted.clear();
      while (p < n) {
        qsizetype quote = line.indexOf(QLatin1Char('"'), p);
        if (quote < 0 || quote > n) quote = n;
        const QStringView run = line.mid(p, quote - p);
        p = quote;
        if (p + 1 < n && line.at(p + 1) == QLatin1Char('"')) {
          unquoted.append(run);
          unquoted.append(QLatin1Char('"'));
          doubled = true;
          p += 2;
          continue;
        }
        if (doubled) unquoted.append(run);
        if (p < n) {
          end = p;
          ++p;
        }
        break;
      }
      if (doubled) {
        take(unquoted);
      } else {
        take(line.mid(start, end - start));
      }
    } else {
      const qsizetype start = p;
      while (p < n && !IsBlank(line.at(p)) && line.at(p) != QLatin1Char(',')) ++p;
      take(line.mid(start, p - start));
    }
    while (p < n && IsBlank(line.at(p))) ++p;
    if (p < n && line.at(p) == QLatin1Char(',')) {
      ++p;
      while (p < n && IsBlank(line.at(p))) ++p;
      // A comma at the end still opens one last, empty field.
      if (p >= n) take(QStringView());
    }
  }
}

QStringList SplitCommaText(QStringView line) {
  QStringList fields;
  fields.reserve(8);
  ForEachCommaField(line, [&fields](QStringView field) { fields.append(field.toString()); });
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
