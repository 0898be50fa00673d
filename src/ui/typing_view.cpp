#include "ui/typing_view.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTextLayout>
#include <algorithm>
#include <functional>

#include "adapters/furigana_reader.h"
#include "platform/control_ids.h"
#include "ui/qt_platform.h"
#include "ui/ruby_text_edit.h"
#include "ui/widget_style.h"

namespace shurencho {

// Memo2: hands each character key to the page before the box takes it.
// Open, it takes the input method; closed, it asks for none, and a commit
// that arrives anyway is a refused key like any other.
class TypingBoxWidget final : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
  std::function<void()> onCharKey;
  bool dropQuietly = false;  // a commit of the box's own closing is no key

  using QPlainTextEdit::inputMethodQuery;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
    if (query == Qt::ImEnabled) return isEnabled() && !isReadOnly();
    return QPlainTextEdit::inputMethodQuery(query);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (!event->text().isEmpty() && onCharKey) onCharKey();
    QPlainTextEdit::keyPressEvent(event);
  }
  void inputMethodEvent(QInputMethodEvent* event) override {
    if (!isReadOnly()) {
      QPlainTextEdit::inputMethodEvent(event);
      return;
    }
    // A read-only text box would still insert the commit.
    event->accept();
    if (!event->commitString().isEmpty() && !dropQuietly && onCharKey) onCharKey();
  }
};

// The pane's lines as the practice text pane really lays them out. Every
// line has the same fixed height and the text starts at the very top, so a
// line's number is its top over that height.
class TypingView::DocumentLines final : public PaneLines {
 public:
  explicit DocumentLines(TypingView& view) : m_view(view) {}

  int LineFromChar(int pos) override {
    m_view.SyncPane();
    QTextDocument* doc = m_view.m_richEdit1->document();
    const int docPos =
        std::clamp(m_view.m_page.RichEdit1.DocumentPosition(pos), 0, doc->characterCount() - 1);
    const QTextBlock block = doc->findBlock(docPos);
    if (!block.isValid()) return 0;
    const QRectF box = doc->documentLayout()->blockBoundingRect(block);
    double y = box.top();
    if (const QTextLayout* layout = block.layout()) {
      const QTextLine line = layout->lineForTextPosition(docPos - block.position());
      if (line.isValid()) y += line.y();
    }
    // Readings take room over the first line; the lines below keep their pitch.
    return qRound((y - m_view.m_richEdit1->Room()) / m_view.m_lineHeight);
  }

  int LineCount() override {
    m_view.SyncPane();
    QTextDocument* doc = m_view.m_richEdit1->document();
    const double height = doc->documentLayout()->documentSize().height();
    return std::max(1, qRound((height - m_view.m_richEdit1->Room()) / m_view.m_lineHeight));
  }

 private:
  TypingView& m_view;
};

namespace {

QLabel* MakeLabel(QWidget* parent, const QRect& geometry, const QFont& font) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);  // Label6 shows a file name
  label->setGeometry(geometry);
  label->setFont(font);
  return label;
}

// A one-pixel grey box drawn by the frame itself: the style's frame of a
// text box loses its top and bottom lines at fractional scale factors. The
// box's window-text colour is the line's; the text takes the page's.
void PlainBorder(QFrame* box) {
  box->setFrameStyle(QFrame::Box | QFrame::Plain);
  box->setLineWidth(1);
  QPalette palette = box->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::Dark));
  box->setPalette(palette);
}

// Longest stretch of text in which the line breaker finds no place to break.
int LongestUnbreakable(const QString& text) {
  QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
  qsizetype longest = 0;
  qsizetype last = 0;
  for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
    longest = std::max(longest, at - last);
    last = at;
  }
  return static_cast<int>(longest);
}

// Wrapping at word boundaries looks for the end of the word on every line it
// breaks: a "word" of a few hundred thousand letters (or of marks that no
// line may start with) takes minutes to lay out.
constexpr int kLongestWordWrappedAtBoundaries = 500;

}  // namespace

TypingView::TypingView(TypingPage& page, QtPlatform& platform, QWidget* parent)
    : PageView(platform, parent),
      m_page(page),
      m_platform(platform),
      m_lines(std::make_unique<DocumentLines>(*this)) {
  const QFont gothic24 = DesignFont(kGothic, 24);
  const QFont mincho16 = DesignFont(kMincho, 16);

  m_richEdit1 = new RubyTextEdit(this);
  m_richEdit1->setGeometry(8, 0, 513, 153);
  m_richEdit1->setFont(gothic24);
  PlainBorder(m_richEdit1);
  m_richEdit1->setReadOnly(true);
  m_richEdit1->setFocusPolicy(Qt::NoFocus);
  m_richEdit1->setTextInteractionFlags(Qt::NoTextInteraction);
  m_richEdit1->setContextMenuPolicy(Qt::NoContextMenu);
  m_richEdit1->setUndoRedoEnabled(false);
  m_richEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_richEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_richEdit1->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  // A fixed wrap width lays the text out the same before the page is first shown.
  m_richEdit1->setLineWrapMode(QTextEdit::FixedPixelWidth);
  m_richEdit1->setLineWrapColumnOrWidth(513 - 2 * m_richEdit1->frameWidth());
  // The page alone scrolls the pane; the wheel would move it away from the caret.
  m_richEdit1->viewport()->installEventFilter(this);
  m_baseLineHeight = std::max(24, QFontMetrics(gothic24).height());
  m_lineHeight = m_baseLineHeight;
  m_designFontHeight = m_page.RichEdit1.fontHeight;
  m_richEdit1->SetFixedLineHeight(m_baseLineHeight);
  m_readings.setMaxThreadCount(1);
  m_page.RichEdit1.SetLines(m_lines.get());

  m_memo2 = new TypingBoxWidget(this);
  m_memo2->setGeometry(8, 160, 513, 153);
  m_memo2->setFont(gothic24);
  PlainBorder(m_memo2);
  m_memo2->setReadOnly(true);
  m_memo2->onCharKey = [this] { MemoCharKey(); };
  connect(m_memo2, &QPlainTextEdit::textChanged, this, [this] { MemoEdited(); });
  platform.RegisterControl(ids::Memo2, m_memo2);

  m_button4 = new QPushButton(this);
  m_button4->setGeometry(8, 344, 145, 25);
  // The page's large font would not fit the button's height.
  m_button4->setFont(DesignFont(kGothic, 16));
  connect(m_button4, &QPushButton::clicked, this, [this] { Run([this] { m_page.Button4Click(); }); });
  setTabOrder(m_memo2, m_button4);

  m_labels[6] = MakeLabel(this, {8, 320, 145, 16}, mincho16);
  m_labels[11] = MakeLabel(this, {160, 320, 60, 16}, mincho16);
  m_labels[7] = MakeLabel(this, {224, 320, 48, 16}, mincho16);
  m_labels[12] = MakeLabel(this, {160, 344, 60, 16}, mincho16);
  m_labels[8] = MakeLabel(this, {224, 344, 48, 16}, mincho16);
  m_labels[13] = MakeLabel(this, {280, 320, 76, 16}, mincho16);
  // Time and speed reach to the right edge of the panes, so that a long run
  // or a speed of four figures still shows whole.
  m_labels[10] = MakeLabel(this, {360, 320, 161, 16}, mincho16);
  m_labels[14] = MakeLabel(this, {280, 344, 76, 16}, mincho16);
  m_labels[9] = MakeLabel(this, {360, 344, 161, 16}, mincho16);
  // Two pixels lower than the load button's bottom edge, so the two never touch.
  m_labels[22] = MakeLabel(this, {8, 371, 513, 19}, DesignFont(kGothic, 19, true));
  m_labels[22]->setAlignment(Qt::AlignCenter);
}

TypingView::~TypingView() { m_page.RichEdit1.SetLines(nullptr); }

QPlainTextEdit* TypingView::memo2() const { return m_memo2; }

QLabel* TypingView::label(int number) const {
  return number >= 0 && number < 23 ? m_labels[number] : nullptr;
}

bool TypingView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_richEdit1->viewport() && event->type() == QEvent::Wheel) return true;
  return PageView::eventFilter(watched, event);
}

void TypingView::MemoEdited() {
  if (m_memo2->isReadOnly()) return;
  // The input method's uncommitted text is drawn in the box but does not
  // belong to its text: a change that leaves the committed text alone is no edit.
  const QString typed = m_memo2->toPlainText();
  if (typed == m_lastTyped) return;
  m_lastTyped = typed;
  const QString modelText = FromWidgetText(typed);
  Run([this, &modelText] { m_page.Memo2UserEdit(modelText); });
}

void TypingView::MemoCharKey() {
  RunHandler(m_platform, [this] { m_page.Memo2KeyPress(); });
}

void TypingView::SyncPane() {
  const RichPane& pane = m_page.RichEdit1;
  if (pane.revision() == m_shownRevision) return;
  m_shownRevision = pane.revision();
  m_shownMatch = 0;
  // Readings of the last text never go over a new one.
  if (!m_richEdit1->ruby().isEmpty()) m_richEdit1->SetRuby({});
  m_lineHeight = m_baseLineHeight;
  m_page.RichEdit1.fontHeight = m_designFontHeight;

  QTextDocument* doc = m_richEdit1->document();
  doc->clear();
  m_richEdit1->setWordWrapMode(LongestUnbreakable(pane.text()) > kLongestWordWrappedAtBoundaries
                                   ? QTextOption::WrapAnywhere
                                   : QTextOption::WrapAtWordBoundaryOrAnywhere);
  // No margin above or below: line k then starts k line heights down, and a
  // scrolled pane shows no sliver of the line above its top line.
  QTextFrameFormat frame = doc->rootFrame()->frameFormat();
  frame.setTopMargin(0);
  frame.setBottomMargin(0);
  doc->rootFrame()->setFrameFormat(frame);
  QTextCursor cursor(doc);
  cursor.beginEditBlock();
  QTextBlockFormat block;
  block.setLineHeight(m_lineHeight, QTextBlockFormat::FixedHeight);
  cursor.setBlockFormat(block);
  // One pass: each stretch of text goes in with its own look. Merging a
  // look into each run afterwards costs time in proportion to the document
  // per run, which a file with a new look on every character makes minutes.
  QTextCharFormat plain;
  plain.setForeground(Resolve(Colour::Sys(SysColor::WindowText), palette()));
  const QString shown = ToWidgetText(pane.text());
  int at = 0;  // document position reached
  const auto insertUpTo = [&](int end, const QTextCharFormat& look) {
    if (end > at) cursor.insertText(shown.mid(at, end - at), look);
    at = std::max(at, end);
  };
  for (const TextRun& run : pane.runs()) {
    insertUpTo(pane.DocumentPosition(run.start), plain);
    QTextCharFormat look = plain;
    if (run.bold) look.setFontWeight(QFont::Bold);
    if (run.italic) look.setFontItalic(true);
    if (run.underline) look.setFontUnderline(true);
    if (run.colour.isValid()) look.setForeground(run.colour);
    insertUpTo(pane.DocumentPosition(run.start + run.length), look);
  }
  insertUpTo(static_cast<int>(shown.size()), plain);
  cursor.endEditBlock();
  FindReadings();
}

QTextEdit* TypingView::richEdit1() const { return m_richEdit1; }

void TypingView::SetReadings(std::shared_ptr<FuriganaReader> reader, SchoolYear year) {
  if (reader == m_reader && year == m_year) return;
  m_reader = std::move(reader);
  m_year = year;
  m_readingsFor = -1;
  if (m_reader == nullptr && !m_richEdit1->ruby().isEmpty()) SetRuby(m_shownRevision, {});
  FindReadings();
}

// MeCab reads a long text for a good part of a second: the readings are
// found on a thread of the view's own and set when they come, if the pane
// still holds that text.
void TypingView::FindReadings() {
  if (m_reader == nullptr || m_shownRevision < 0 || m_readingsFor == m_shownRevision) return;
  if (!m_reader->Available()) return;
  m_readingsFor = m_shownRevision;
  const QString text = m_richEdit1->document()->toPlainText();
  m_readings.start([this, reader = m_reader, year = m_year, revision = m_shownRevision, text] {
    QList<Ruby> ruby = reader->RubyFor(text, year);
    QMetaObject::invokeMethod(
        this, [this, revision, ruby = std::move(ruby)] { SetRuby(revision, ruby); }, Qt::QueuedConnection);
  });
}

void TypingView::SetRuby(int revision, const QList<Ruby>& ruby) {
  if (revision != m_shownRevision) return;
  m_richEdit1->SetRuby(m_reader != nullptr ? ruby : QList<Ruby>());
  m_lineHeight = m_richEdit1->FixedLineHeight();
  // Taller lines: fewer fit in the pane, and the page keeps the caret among those.
  m_page.RichEdit1.fontHeight = ruby.isEmpty() ? m_designFontHeight : m_lineHeight;
  // The lines moved: the page scrolls by them again.
  Render();
}

void TypingView::WaitForReadings() {
  m_readings.waitForDone();
  QCoreApplication::sendPostedEvents(this);
}

void TypingView::UpdateHighlight() {
  const RichPane& pane = m_page.RichEdit1;
  const int target = pane.caret();
  if (target == m_shownMatch) return;
  const int from = std::min(target, m_shownMatch);
  const int to = std::max(target, m_shownMatch);
  QTextCursor cursor(m_richEdit1->document());
  const auto select = [&](int a, int b) {
    cursor.setPosition(pane.DocumentPosition(a));
    cursor.setPosition(pane.DocumentPosition(b), QTextCursor::KeepAnchor);
    return cursor.hasSelection();
  };
  QTextCharFormat colour;
  if (target > m_shownMatch) {
    colour.setForeground(Resolve(Colour::Sys(SysColor::Highlight), palette()));
    if (select(from, to)) cursor.mergeCharFormat(colour);
  } else {
    // Back to the window text colour, or to the colour the file gave the span.
    colour.setForeground(Resolve(Colour::Sys(SysColor::WindowText), palette()));
    if (select(from, to)) cursor.mergeCharFormat(colour);
    const std::vector<TextRun>& runs = pane.runs();
    auto run = std::upper_bound(runs.begin(), runs.end(), from,
                                [](int pos, const TextRun& r) { return pos < r.start + r.length; });
    for (; run != runs.end() && run->start < to; ++run) {
      if (!run->colour.isValid()) continue;
      colour.setForeground(run->colour);
      if (select(std::max(from, run->start), std::min(to, run->start + run->length)))
        cursor.mergeCharFormat(colour);
    }
  }
  m_shownMatch = target;
}

void TypingView::Render() {
  SyncPane();
  UpdateHighlight();
  m_richEdit1->verticalScrollBar()->setValue(m_page.RichEdit1.FirstVisibleLine() * m_lineHeight);

  const MemoBox& memo = m_page.Memo2;
  {
    const QSignalBlocker block(m_memo2);
    if (memo.codeRevision != m_shownMemoRevision) {
      m_shownMemoRevision = memo.codeRevision;
      m_memo2->setPlainText(ToWidgetText(memo.text));
      m_lastTyped = m_memo2->toPlainText();
    }
    if (m_memo2->isReadOnly() != memo.readOnly) {
      m_memo2->dropQuietly = true;
      m_memo2->setReadOnly(memo.readOnly);
      // Open to the input method, so kana and kanji can be typed; closed,
      // the input method goes back to direct input at once (the box may
      // keep the focus, so nobody else would tell it).
      m_memo2->setAttribute(Qt::WA_InputMethodEnabled, !memo.readOnly);
      if (QGuiApplication::focusObject() == m_memo2) {
        QInputMethod* im = QGuiApplication::inputMethod();
        if (memo.readOnly) im->reset();  // an unfinished composition is dropped
        im->update(Qt::ImEnabled | Qt::ImHints | Qt::ImQueryInput);
      }
      m_memo2->dropQuietly = false;
    }
  }

  m_button4->setText(m_page.Button4.caption);
  const std::pair<int, const Label*> labels[] = {
      {6, &m_page.Label6},   {7, &m_page.Label7},   {8, &m_page.Label8},   {9, &m_page.Label9},
      {10, &m_page.Label10}, {11, &m_page.Label11}, {12, &m_page.Label12}, {13, &m_page.Label13},
      {14, &m_page.Label14}, {22, &m_page.Label22},
  };
  for (const auto& [number, model] : labels) RenderLabel(m_labels[number], *model);
}

}  // namespace shurencho
