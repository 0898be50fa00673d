#include "reading/html_ruby.h"

#include <QStringList>
#include <algorithm>

namespace shurencho {

namespace {

// Elements whose text gets no readings, until their end tag.
const QStringList kBare = {QStringLiteral("head"), QStringLiteral("style"), QStringLiteral("script"),
                           QStringLiteral("kbd"),  QStringLiteral("code"),  QStringLiteral("ruby"),
                           QStringLiteral("pre")};

// The element a tag names, in lower case, and whether it is an end tag.
QString TagName(const QString& tag, bool* end) {
  qsizetype at = 1;
  *end = at < tag.size() && tag[at] == QLatin1Char('/');
  if (*end) ++at;
  qsizetype stop = at;
  while (stop < tag.size() && tag[stop].isLetterOrNumber()) ++stop;
  return tag.mid(at, stop - at).toLower();
}

QString TextWithRuby(const QString& text, const RubyOf& rubyOf) {
  QList<Ruby> ruby = rubyOf(text);
  std::sort(ruby.begin(), ruby.end(), [](const Ruby& a, const Ruby& b) { return a.start < b.start; });
  QString out;
  qsizetype at = 0;
  for (const Ruby& r : ruby) {
    if (r.start < at || r.start + r.length > text.size()) continue;
    out += text.mid(at, r.start - at);
    out += QStringLiteral("<ruby>%1<rp>(</rp><rt>%2</rt><rp>)</rp></ruby>")
               .arg(text.mid(r.start, r.length), r.reading.toHtmlEscaped());
    at = r.start + r.length;
  }
  return out + text.mid(at);
}

}  // namespace

QString HtmlWithRuby(const QString& html, const RubyOf& rubyOf) {
  QString out;
  out.reserve(html.size() * 5 / 4);
  QStringList open;  // bare elements we are inside, innermost last
  qsizetype at = 0;
  while (at < html.size()) {
    const qsizetype tag = html.indexOf(QLatin1Char('<'), at);
    const qsizetype textEnd = tag < 0 ? html.size() : tag;
    const QString text = html.mid(at, textEnd - at);
    out += open.isEmpty() ? TextWithRuby(text, rubyOf) : text;
    if (tag < 0) break;
    // A comment runs to its own end; a tag to the first '>' (our page
    // quotes no '>' inside attributes).
    const bool comment = html.mid(tag, 4) == QStringLiteral("<!--");
    qsizetype close =
        comment ? html.indexOf(QStringLiteral("-->"), tag) : html.indexOf(QLatin1Char('>'), tag);
    close = close < 0 ? html.size() : close + (comment ? 3 : 1);
    const QString whole = html.mid(tag, close - tag);
    out += whole;
    if (!comment) {
      bool end = false;
      const QString name = TagName(whole, &end);
      if (kBare.contains(name)) {
        if (!end) {
          open.append(name);
        } else if (const qsizetype i = open.lastIndexOf(name); i >= 0) {
          open.remove(i, open.size() - i);
        }
      }
    }
    at = close;
  }
  return out;
}

}  // namespace shurencho
