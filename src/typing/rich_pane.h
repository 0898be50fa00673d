#pragma once
// A rich-text pane as the typing page drives it: the practice text with the
// look it was loaded with, the matched prefix drawn in the highlight colour
// up to the caret, and the line shown at the top.

#include <vector>

#include "platform/controls.h"
#include "typing/rich_text.h"

namespace shurencho {

// Where a pane's lines fall. The view answers from its real layout, with
// wrapped lines; without it every line break starts a line and nothing wraps.
class PaneLines {
 public:
  virtual ~PaneLines() = default;
  // The 0-based line that holds the character at pos (a position in the pane's text).
  virtual int LineFromChar(int pos) = 0;
  virtual int LineCount() = 0;
};

class RichPane final : public Control {
 public:
  // The design size: height / |fontHeight| lines fit in the pane.
  int height = 153;
  int fontHeight = 24;

  // Back to the window text colour, caret at the start, then empty.
  void Clear();
  // Takes a whole text; the caret goes to the start and the top line is the first.
  void Load(RichText content);

  const QString& text() const { return m_content.text; }
  const std::vector<TextRun>& runs() const { return m_content.runs; }
  // Changes whenever the text is replaced, so a view knows to rebuild.
  int revision() const { return m_revision; }

  // The caret; the text before it is drawn in the highlight colour.
  int caret() const { return m_caret; }
  // Recolours the text between the caret and pos (growing or shrinking the
  // highlight), collapses the selection and puts the caret at pos.
  void MoveHighlightTo(int pos);

  // Number of characters (code points; CR and LF count one each) before pos.
  int CharsBefore(int pos) const;

  int FirstVisibleLine() const { return m_firstLine; }
  int LineFromChar(int pos);
  int LineCount();
  int VisibleLines() const;
  // Scrolls by lines (down when positive), as far as the text allows: the
  // top line stays within the text and the last line never leaves the bottom.
  void LineScroll(int lines);

  // The same position in a document that holds each CR LF as one paragraph
  // break (a position between CR and LF goes before the break).
  int DocumentPosition(int pos) const;

  // The view's layout of the lines; nullptr for plain line breaks.
  void SetLines(PaneLines* lines) { m_lines = lines; }

 private:
  int HardLineFromChar(int pos) const;

  RichText m_content;
  std::vector<int> m_breaks;  // where each CR LF starts, in order
  int m_revision = 0;
  int m_caret = 0;
  int m_firstLine = 0;
  PaneLines* m_lines = nullptr;
};

}  // namespace shurencho
