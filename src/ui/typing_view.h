#pragma once
// The free typing page's widgets: the practice text pane, the typing box,
// the load button and the labels. User edits of the typing box, committed
// input-method text included, go to the page logic; everything shown comes
// from the page's control model.

#include <memory>

#include "typing/typing_page.h"
#include "ui/page_view.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

namespace shurencho {

class QtPlatform;
class TypingBoxWidget;

class TypingView final : public PageView {
 public:
  TypingView(TypingPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  ~TypingView() override;
  void Render() override;

  // For tests and benchmarks.
  QTextEdit* richEdit1() const { return m_richEdit1; }
  QPlainTextEdit* memo2() const;
  QPushButton* button4() const { return m_button4; }
  QLabel* label(int number) const;
  // Height of one line of the practice text pane, in pixels.
  int lineHeight() const { return m_lineHeight; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class DocumentLines;

  void MemoEdited();
  void MemoCharKey();
  // Rebuilds the practice text pane when the page has loaded a new text.
  void SyncPane();
  // Recolours only the text between the shown and the new end of the match.
  void UpdateHighlight();

  TypingPage& m_page;
  QtPlatform& m_platform;
  std::unique_ptr<DocumentLines> m_lines;
  QTextEdit* m_richEdit1;     // the practice text, read-only, never focused
  TypingBoxWidget* m_memo2;   // the typing box, open to the input method
  QPushButton* m_button4;     // load a practice text
  QLabel* m_labels[23] = {};  // Label6 … Label22 by number
  int m_lineHeight = 24;
  int m_shownRevision = -1;  // the pane revision the document holds
  int m_shownMatch = 0;      // the match end the document shows, in pane positions
  int m_shownMemoRevision = -1;
  QString m_lastTyped;  // Memo2's committed text at the last edit, as the widget holds it
};

}  // namespace shurencho
