#include "ui/skill_test_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QColor>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "adapters/furigana_reader.h"
#include "ui/ruby_text_edit.h"
#include "ui/widget_style.h"

namespace shurencho {

// The typing box: open to the input method while the test runs; closed, a
// late commit is dropped. Nothing may be pasted or dropped in: the test
// measures typing.
class SkillTestBox final : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

  using QPlainTextEdit::inputMethodQuery;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
    if (query == Qt::ImEnabled) return isEnabled() && !isReadOnly();
    return QPlainTextEdit::inputMethodQuery(query);
  }

 protected:
  bool canInsertFromMimeData(const QMimeData*) const override { return false; }
  void insertFromMimeData(const QMimeData*) override {}
  void inputMethodEvent(QInputMethodEvent* event) override {
    if (isReadOnly()) {
      event->accept();
      return;
    }
    QPlainTextEdit::inputMethodEvent(event);
  }
};

SkillTestView::SkillTestView(Platform& platform, HistoryRecorder* history, const QString& folder,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), m_test(platform, history) {
  setWindowTitle(QStringLiteral("実力テスト"));
  setAttribute(Qt::WA_DeleteOnClose);
  const QFont text = DesignFont(kGothic, 20);
  const QFont small = DesignFont(kGothic, 16);
  QHBoxLayout* top = MakeTopRow(small);
  MakeTextPanes(text);
  MakeResultLines(small);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  auto* readings = new QHBoxLayout;
  readings->addWidget(m_furigana);
  readings->addWidget(m_furiganaWhy, 1);
  layout->addLayout(readings);
  layout->addWidget(m_passage, 3);
  layout->addWidget(m_band);
  layout->addWidget(m_box, 2);
  layout->addWidget(m_progress);
  layout->addWidget(m_rule);
  layout->addWidget(m_result);

  ConnectControls();
  LoadTexts(folder);
  PlaceOver(parent);
  Render();
}

// The passage to choose, the start button and the time left, in one row.
QHBoxLayout* SkillTestView::MakeTopRow(const QFont& small) {
  m_choice = new QComboBox;
  m_choice->setFont(small);
  m_start = new QPushButton(QStringLiteral("はじめ"));
  m_start->setFont(small);
  m_timeLeft = new QLabel;
  m_timeLeft->setFont(DesignFont(kGothic, 24, true));
  // A label's text, which already says what its figure is, stays its name for
  // a screen reader; the description says which line it is.
  m_timeLeft->setAccessibleDescription(QStringLiteral("残り時間"));
  auto* top = new QHBoxLayout;
  auto* choose = new QLabel(QStringLiteral("テストの文："));
  choose->setFont(small);
  top->addWidget(choose);
  top->addWidget(m_choice, 1);
  top->addWidget(m_start);
  top->addSpacing(16);
  top->addWidget(m_timeLeft);
  return top;
}

// The passage, read only, and the typing box under it.
void SkillTestView::MakeTextPanes(const QFont& text) {
  m_passage = new RubyTextEdit;
  m_passage->setFont(text);
  m_passage->setReadOnly(true);
  // Read, not copied: the passage can be neither selected nor focused.
  m_passage->setTextInteractionFlags(Qt::NoTextInteraction);
  m_passage->setFocusPolicy(Qt::NoFocus);
  m_passage->setContextMenuPolicy(Qt::NoContextMenu);
  m_passage->setAccessibleName(QStringLiteral("課題文"));

  // Shown once the learner's grade is known; the scoring never sees the readings.
  m_furigana = new QCheckBox(QStringLiteral("ふりがな"));
  m_furigana->setFont(DesignFont(kGothic, 16));
  m_furigana->setChecked(true);
  m_furigana->hide();
  m_furiganaWhy = new QLabel;
  m_furiganaWhy->setFont(DesignFont(kGothic, 14));
  m_furiganaWhy->setWordWrap(true);
  m_furiganaWhy->setAccessibleDescription(QStringLiteral("ふりがな"));
  m_furiganaWhy->hide();

  // Said in the window, not in a box that would stop the clock's typing.
  m_band = new QLabel(QStringLiteral("日本語入力がオフです。半角／全角キーでオンにしましょう"));
  m_band->setFont(DesignFont(kGothic, 16, true));
  m_band->setStyleSheet(
      QStringLiteral("QLabel { background: #fff3b0; color: #5a3b00; border: 2px solid #e0a800; "
                     "border-radius: 4px; padding: 4px 8px; }"));
  m_band->setAccessibleDescription(QStringLiteral("お知らせ"));
  // Kept in the layout while hidden, so the panes do not jump as it comes and goes.
  QSizePolicy keep = m_band->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  m_band->setSizePolicy(keep);
  m_band->hide();

  m_box = new SkillTestBox;
  m_box->setFont(text);
  m_box->setReadOnly(true);
  m_box->setAcceptDrops(false);
  m_box->setContextMenuPolicy(Qt::NoContextMenu);
  m_box->setAttribute(Qt::WA_InputMethodEnabled, false);
  m_box->setAccessibleName(QStringLiteral("入力欄"));
}

void SkillTestView::MakeResultLines(const QFont& small) {
  m_progress = new QLabel;
  m_progress->setFont(small);
  m_progress->setAccessibleDescription(QStringLiteral("打てた字"));
  m_rule = new QLabel(SkillTest::RuleText());
  m_rule->setFont(small);
  m_rule->setWordWrap(true);
  m_rule->setAccessibleDescription(QStringLiteral("数え方"));
  m_result = new QLabel;
  m_result->setFont(small);
  m_result->setAccessibleDescription(QStringLiteral("結果"));
  m_result->setWordWrap(true);
  m_result->setTextFormat(Qt::PlainText);
}

void SkillTestView::ConnectControls() {
  m_timer = new QTimer(this);
  m_timer->setInterval(200);
  connect(m_timer, &QTimer::timeout, this, [this] {
    m_test.Tick();
    Render();
  });
  connect(m_start, &QPushButton::clicked, this, [this] { Start(); });
  connect(m_furigana, &QCheckBox::toggled, this, [this] { SetRuby(); });
  connect(m_box, &QPlainTextEdit::textChanged, this, [this] { Edited(); });
  connect(m_choice, &QComboBox::currentIndexChanged, this, [this](int index) {
    m_test.Choose(index);
    Render();
  });
}

void SkillTestView::LoadTexts(const QString& folder) {
  QStringList problems;
  m_test.SetTexts(LoadSkillTestTexts(folder, &problems));
  {
    const QSignalBlocker block(m_choice);
    for (const SkillTestText& t : m_test.texts()) m_choice->addItem(t.title);
  }
  if (!problems.isEmpty()) {
    m_problems =
        QStringLiteral("読み込めなかったテストの文があります。\n%1").arg(problems.join(QLatin1Char('\n')));
  }
}

void SkillTestView::PlaceOver(QWidget* parent) {
  // Over the main window, where the learner is looking, and inside its screen.
  resize(720, 640);
  QWidget* main = parent != nullptr ? parent->window() : nullptr;
  if (QScreen* screen = main != nullptr ? main->screen() : nullptr) {
    const QRect area = screen->availableGeometry();
    QRect place(QPoint(), size().boundedTo(area.size()));
    place.moveCenter(main->frameGeometry().center());
    place.moveLeft(std::clamp(place.left(), area.left(), area.right() + 1 - place.width()));
    place.moveTop(std::clamp(place.top(), area.top(), area.bottom() + 1 - place.height()));
    setGeometry(place);
  }
}

QWidget* SkillTestView::box() const { return m_box; }

void SkillTestView::Start() {
  m_test.Start();
  if (!m_test.open()) return;
  {
    const QSignalBlocker block(m_box);
    m_box->clear();
  }
  m_timer->start();
  Render();
  m_box->setFocus();
}

void SkillTestView::Edited() {
  if (m_box->isReadOnly()) return;
  m_test.Edit(m_box->toPlainText());
  // The box's text is put back to what it held at 3:00 once its own edit is over.
  if (!m_test.open()) {
    QMetaObject::invokeMethod(
        this, [this] { Render(); }, Qt::QueuedConnection);
    return;
  }
  Render();
}

void SkillTestView::SetBoxOpen(bool open) {
  if (m_box->isReadOnly() == !open) return;
  m_box->setReadOnly(!open);
  m_box->setAttribute(Qt::WA_InputMethodEnabled, open);
  if (QGuiApplication::focusObject() == m_box) {
    QInputMethod* im = QGuiApplication::inputMethod();
    // At the end an unfinished composition is dropped, not committed late.
    if (!open) im->reset();
    im->update(Qt::ImEnabled | Qt::ImHints | Qt::ImQueryInput);
  }
}

void SkillTestView::Render() {
  const int chosen = m_test.chosen();
  if (chosen != m_shownText) {
    m_shownText = chosen;
    {
      const QSignalBlocker block(m_choice);
      m_choice->setCurrentIndex(chosen);
    }
    m_passage->setPlainText(chosen < 0 ? QString() : m_test.texts()[chosen].passage);
    SetRuby();
    m_shownNext = -2;
    const QSignalBlocker block(m_box);
    m_box->clear();
  }
  const bool open = m_test.open();
  if (!open) {
    m_timer->stop();
    // What came after the end is not part of the test.
    const QSignalBlocker block(m_box);
    if (m_test.state() == SkillTest::State::Finished && m_box->toPlainText() != m_test.typed())
      m_box->setPlainText(m_test.typed());
  }
  {
    const QSignalBlocker block(m_box);
    SetBoxOpen(open);
  }
  m_start->setEnabled(!open && chosen >= 0);
  m_start->setText(m_test.state() == SkillTest::State::Finished ? QStringLiteral("もう一度")
                                                                : QStringLiteral("はじめ"));
  if (m_test.nextPosition() != m_shownNext) MarkNext(m_test.nextPosition());
  m_band->setVisible(m_test.latinWhereKana());
  m_timeLeft->setText(m_test.TimeLeftText());
  m_progress->setText(m_test.ProgressText());
  m_result->setText(m_test.state() == SkillTest::State::Finished ? m_test.ResultText() : m_problems);
}

// The next character to type on a background of its own, kept in view.
void SkillTestView::MarkNext(int position) {
  m_shownNext = position;
  QList<QTextEdit::ExtraSelection> marks;
  QTextCursor at(m_passage->document());
  if (position >= 0) {
    at.setPosition(std::min(position, m_passage->document()->characterCount() - 1));
    QTextEdit::ExtraSelection mark;
    mark.cursor = at;
    mark.cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    mark.format.setBackground(QColor(0xff, 0xd8, 0x66));
    marks.append(mark);
  }
  m_passage->setExtraSelections(marks);
  m_passage->setTextCursor(at);
  m_passage->ensureCursorVisible();
}

void SkillTestView::SetReadings(FuriganaReader* reader, SchoolYear year) {
  m_reader = reader;
  m_year = year;
  // A grade that needs no readings (or none set) leaves the window as it always was.
  const bool wanted = m_reader != nullptr && year != SchoolYear::Unset && year != SchoolYear::Adult;
  QString why;
  const bool available = wanted && m_reader->Available(&why);
  m_furigana->setVisible(wanted);
  m_furigana->setEnabled(available);
  m_furiganaWhy->setText(why);
  m_furiganaWhy->setVisible(wanted && !available);
  m_furigana->setAccessibleDescription(available ? QString() : why);
  SetRuby();
}

void SkillTestView::SetRuby() {
  const int chosen = m_test.chosen();
  const bool on = !m_furigana->isHidden() && m_furigana->isEnabled() && m_furigana->isChecked();
  if (chosen < 0 || m_reader == nullptr || !on) {
    if (!m_passage->ruby().isEmpty()) m_passage->SetRuby({});
    m_passage->setAccessibleDescription(QString());
    return;
  }
  const QString& passage = m_test.texts()[chosen].passage;
  m_passage->SetRuby(m_reader->RubyFor(passage, m_year));
  // A screen reader hears the readings too, each word once.
  QStringList read;
  for (const Ruby& r : m_passage->ruby()) {
    const QString word = passage.mid(r.start, r.length) + QStringLiteral("（%1）").arg(r.reading);
    if (!read.contains(word)) read << word;
  }
  m_passage->setAccessibleDescription(
      read.isEmpty() ? QString() : QStringLiteral("ふりがな：") + read.join(QStringLiteral("、")));
  // The room made for the readings moves the lines: the next character stays in view.
  m_passage->ensureCursorVisible();
}

void SkillTestView::closeEvent(QCloseEvent* event) {
  m_test.Leave();
  m_timer->stop();
  QWidget::closeEvent(event);
}

}  // namespace shurencho
