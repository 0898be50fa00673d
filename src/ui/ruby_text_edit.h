#pragma once
// A read-only text with readings set small above runs of it, as a printed
// page sets furigana. The readings are painted over the text box's own
// layout, in room made above every line, so what the box does (marks,
// scrolling, a screen reader's text) stays the box's own.

#include <QList>
#include <QRect>
#include <QTextEdit>

#include "reading/furigana.h"

namespace shurencho {

class RubyTextEdit final : public QTextEdit {
 public:
  explicit RubyTextEdit(QWidget* parent = nullptr);

  // Readings over the text as it now stands (set the text first); empty:
  // the lines close up again.
  void SetRuby(QList<Ruby> ruby);
  const QList<Ruby>& ruby() const { return m_ruby; }
  // Lines of a fixed height (0: as the font sets them); with readings each
  // line is taller by their height. Call before SetRuby.
  void SetFixedLineHeight(int pixels) { m_fixedLine = pixels; }
  // The height of a line as now laid out, readings included (fixed lines only).
  int FixedLineHeight() const;
  // The readings' height: the room above each line while there are readings.
  int Room() const;

  // A reading as painted, in the viewport's coordinates: a run broken over
  // two lines has a part on each.
  struct Placed {
    QRect rect;  // where the reading is drawn
    QRect base;  // the run of text under it
    QString reading;
  };
  QList<Placed> PlacedRuby() const;
  // The text's lines, in the viewport's coordinates.
  QList<QRect> LineRects() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QFont RubyFont() const;
  void MakeRoom();
  void PlaceRun(const Ruby& ruby, QList<Placed>& out) const;

  QList<Ruby> m_ruby;  // in the order of the text
  int m_fixedLine = 0;
};

}  // namespace shurencho
