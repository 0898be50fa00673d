#include "typing/rich_pane.h"

#include <algorithm>
#include <cstdlib>

namespace shurencho {

void RichPane::Clear() { Load(RichText{}); }

void RichPane::Load(RichText content) {
  m_content = std::move(content);
  m_breaks.clear();
  const QString& t = m_content.text;
  for (qsizetype i = 0; i + 1 < t.size(); ++i) {
    if (t.at(i) == QLatin1Char('\r') && t.at(i + 1) == QLatin1Char('\n'))
      m_breaks.push_back(static_cast<int>(i++));
  }
  ++m_revision;
  m_caret = 0;
  m_firstLine = 0;
}

void RichPane::MoveHighlightTo(int pos) { m_caret = std::clamp(pos, 0, static_cast<int>(text().size())); }

int RichPane::CharsBefore(int pos) const {
  const QString& t = text();
  const int end = std::clamp(pos, 0, static_cast<int>(t.size()));
  int lowSurrogates = 0;
  const QChar* data = t.constData();
  for (int i = 0; i < end; ++i) {
    if (data[i].isLowSurrogate() && i > 0 && data[i - 1].isHighSurrogate()) ++lowSurrogates;
  }
  return end - lowSurrogates;
}

int RichPane::HardLineFromChar(int pos) const {
  // A line break belongs to the line it ends.
  return static_cast<int>(std::lower_bound(m_breaks.begin(), m_breaks.end(), pos - 1) - m_breaks.begin());
}

int RichPane::LineFromChar(int pos) { return m_lines ? m_lines->LineFromChar(pos) : HardLineFromChar(pos); }

int RichPane::LineCount() { return m_lines ? m_lines->LineCount() : static_cast<int>(m_breaks.size()) + 1; }

int RichPane::VisibleLines() const { return fontHeight == 0 ? 0 : height / std::abs(fontHeight); }

void RichPane::LineScroll(int lines) {
  const int last = std::max(0, LineCount() - std::max(1, VisibleLines()));
  m_firstLine = std::clamp(m_firstLine + lines, 0, last);
}

int RichPane::DocumentPosition(int pos) const {
  const int before = HardLineFromChar(pos);  // breaks that end before pos (or hold it)
  const bool insideBreak =
      before < static_cast<int>(m_breaks.size()) && m_breaks[static_cast<std::size_t>(before)] + 1 == pos;
  return pos - before - (insideBreak ? 1 : 0);
}

}  // namespace shurencho
