#pragma once
// Readings set into an HTML page as <ruby>: over the text a reader sees,
// never inside a tag, an attribute, the head, a style or script, code a
// learner types (<kbd>, <code>) or ruby the page already has.

#include <QString>
#include <functional>

#include "reading/furigana.h"

namespace shurencho {

using RubyOf = std::function<QList<Ruby>(const QString& text)>;
QString HtmlWithRuby(const QString& html, const RubyOf& rubyOf);

}  // namespace shurencho
