#include "ui/ruby_text_edit.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QtMath>
#include <algorithm>

namespace shurencho {

RubyTextEdit::RubyTextEdit(QWidget* parent) : QTextEdit(parent) {
  setReadOnly(true);
  setUndoRedoEnabled(false);
}

namespace {

QFont RubyFont(const QFont& base) {
  QFont small = base;
  // Half the text's size, as printed furigana is, and never too small to read.
  if (base.pixelSize() > 0) {
    small.setPixelSize(std::max(9, base.pixelSize() / 2));
  } else {
    small.setPointSizeF(std::max(7.0, base.pointSizeF() / 2));
  }
  return small;
}

}  // namespace

QFont RubyTextEdit::RubyFont() const { return shurencho::RubyFont(font()); }

void RubyTextEdit::SetRuby(QList<Ruby> ruby) {
  m_ruby = std::move(ruby);
  MakeRoom();
  viewport()->update();
}

int RubyTextEdit::Room() const { return m_ruby.isEmpty() ? 0 : QFontMetrics(RubyFont()).height(); }

int RubyTextEdit::FixedLineHeight() const { return m_fixedLine + Room(); }

// Every line gets the readings' height of room above it: between lines as
// a line distance (or a taller fixed line), over the first as the
// document's top margin. Without readings the lines stand as before.
void RubyTextEdit::MakeRoom() {
  const int room = Room();
  QTextCursor all(document());
  all.select(QTextCursor::Document);
  QTextBlockFormat lines;
  if (m_fixedLine > 0 && room > 0) {
    // A taller line sets its text at the foot, the readings' room at the head.
    lines.setLineHeight(m_fixedLine + room, QTextBlockFormat::MinimumHeight);
  } else if (m_fixedLine > 0) {
    lines.setLineHeight(m_fixedLine, QTextBlockFormat::FixedHeight);
  } else if (room > 0) {
    lines.setLineHeight(room, QTextBlockFormat::LineDistanceHeight);
  } else {
    lines.setLineHeight(0, QTextBlockFormat::SingleHeight);
  }
  all.mergeBlockFormat(lines);
  QTextFrameFormat frame = document()->rootFrame()->frameFormat();
  frame.setTopMargin(m_fixedLine > 0 ? 0 : document()->documentMargin() + room);
  document()->rootFrame()->setFrameFormat(frame);
}

void RubyTextEdit::changeEvent(QEvent* event) {
  QTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange && !m_ruby.isEmpty()) MakeRoom();
}

QList<QRect> RubyTextEdit::LineRects() const {
  QList<QRect> lines;
  const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    const QTextLayout* layout = block.layout();
    if (layout == nullptr) continue;
    for (int n = 0; n < layout->lineCount(); ++n) {
      const QRectF line = layout->lineAt(n).naturalTextRect().translated(layout->position());
      lines.append(line.toAlignedRect().translated(-scrolled));
    }
  }
  return lines;
}

QList<RubyTextEdit::Placed> RubyTextEdit::PlacedRuby() const {
  QList<Placed> placed;
  for (const Ruby& ruby : m_ruby) PlaceRun(ruby, placed);
  return placed;
}

// A run over the lines it covers: each part takes its share of the reading
// by its share of the run's characters, centred over it, squeezed no
// narrower than its base plus half a reading character on each side.
void RubyTextEdit::PlaceRun(const Ruby& ruby, QList<Placed>& out) const {
  const QFontMetrics small(RubyFont());
  const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
  const int end = int(ruby.start + ruby.length);
  int at = int(ruby.start);
  int readingAt = 0;
  while (at < end) {
    const QTextBlock block = document()->findBlock(at);
    const QTextLayout* layout = block.layout();
    if (!block.isValid() || layout == nullptr || layout->lineCount() == 0) return;
    const int inBlock = at - block.position();
    const QTextLine line = layout->lineForTextPosition(inBlock);
    if (!line.isValid()) return;
    const int partEnd = std::min(end, block.position() + line.textStart() + line.textLength());
    if (partEnd <= at) return;
    const int last = partEnd == end
                         ? int(ruby.reading.size()) - readingAt
                         : int(ruby.reading.size() * (partEnd - ruby.start) / ruby.length) - readingAt;
    const QString part = ruby.reading.mid(readingAt, std::max(0, last));
    readingAt += part.size();
    const qreal x1 = line.cursorToX(inBlock);
    const qreal x2 = line.cursorToX(partEnd - block.position());
    const QPointF origin = layout->position();
    const QRectF base(origin.x() + std::min(x1, x2), origin.y() + line.y(), std::abs(x2 - x1), line.height());
    const int height = small.height();
    const qreal width = std::max<qreal>(small.horizontalAdvance(part), 1);
    const qreal room = std::min(width, base.width() + small.averageCharWidth());
    // Whole pixels, wholly above the run's line.
    const QRect rect(qFloor(base.center().x() - room / 2), qFloor(base.top()) - height, qCeil(room), height);
    if (!part.isEmpty())
      out.append({rect.translated(-scrolled), base.toAlignedRect().translated(-scrolled), part});
    at = partEnd;
  }
}

void RubyTextEdit::paintEvent(QPaintEvent* event) {
  QTextEdit::paintEvent(event);
  if (m_ruby.isEmpty()) return;
  QPainter painter(viewport());
  painter.setFont(RubyFont());
  painter.setPen(palette().color(QPalette::Text));
  const QFontMetrics small(painter.font());
  // Only the readings of the text in view: a long text has thousands.
  const int first = cursorForPosition(QPoint(0, 0)).block().position();
  const QTextBlock lastBlock = cursorForPosition(viewport()->rect().bottomRight()).block();
  const int last = lastBlock.position() + lastBlock.length();
  auto from = std::lower_bound(m_ruby.begin(), m_ruby.end(), first,
                               [](const Ruby& r, int at) { return r.start + r.length <= at; });
  QList<Placed> shown;
  for (auto r = from; r != m_ruby.end() && r->start < last; ++r) PlaceRun(*r, shown);
  for (const Placed& p : shown) {
    if (!p.rect.intersects(event->rect())) continue;
    const int natural = small.horizontalAdvance(p.reading);
    painter.save();
    painter.translate(p.rect.topLeft());
    // A reading longer than its room is squeezed, not spilt over its neighbours.
    if (natural > p.rect.width()) painter.scale(qreal(p.rect.width()) / natural, 1);
    painter.drawText(QRect(0, 0, std::max(natural, p.rect.width()), p.rect.height()), Qt::AlignCenter,
                     p.reading);
    painter.restore();
  }
}

}  // namespace shurencho
