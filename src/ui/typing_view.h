#pragma once
// The free typing page's widgets: the practice text pane, the typing box,
// the load button and the labels. User edits of the typing box, committed
// input-method text included, go to the page logic; everything shown comes
// from the page's control model.

#include <QThreadPool>
#include <memory>

#include "reading/furigana.h"
#include "typing/typing_page.h"
#include "ui/page_view.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

namespace shurencho {

class FuriganaReader;
class QtPlatform;
class RubyTextEdit;
class TypingBoxWidget;

class TypingView final : public PageView {
 public:
  TypingView(TypingPage& page, QtPlatform& platform, QWidget* parent = nullptr);
  ~TypingView() override;
  void Render() override;
  // Readings over the practice text's kanji a learner of `year` has not
  // learned, found off the GUI thread; a null reader takes them away.
  void SetReadings(std::shared_ptr<FuriganaReader> reader, SchoolYear year);

  // For tests and benchmarks.
  QTextEdit* richEdit1() const;
  RubyTextEdit* rubyPane() const { return m_richEdit1; }
  // Waits for readings still being found (tests).
  void WaitForReadings();
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
  // Finds the readings of the pane's text as it now stands.
  void FindReadings();
  void SetRuby(int revision, const QList<Ruby>& ruby);

  TypingPage& m_page;
  QtPlatform& m_platform;
  std::unique_ptr<DocumentLines> m_lines;
  RubyTextEdit* m_richEdit1;    // the practice text, read-only, never focused
  TypingBoxWidget* m_memo2;     // the typing box, open to the input method
  QPushButton* m_button4;       // load a practice text
  QLabel* m_labels[23] = {};    // Label6 … Label22 by number
  int m_lineHeight = 24;        // readings included
  int m_baseLineHeight = 24;    // without readings
  int m_designFontHeight = 24;  // the pane's line pitch for the page, without readings
  std::shared_ptr<FuriganaReader> m_reader;
  SchoolYear m_year = SchoolYear::Unset;
  int m_readingsFor = -1;    // the pane revision whose readings are shown or sought
  QThreadPool m_readings;    // one thread; waited for when the view goes
  int m_shownRevision = -1;  // the pane revision the document holds
  int m_shownMatch = 0;      // the match end the document shows, in pane positions
  int m_shownMemoRevision = -1;
  QString m_lastTyped;  // Memo2's committed text at the last edit, as the widget holds it
};

}  // namespace shurencho
