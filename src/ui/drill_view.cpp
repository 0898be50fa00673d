#include "ui/drill_view.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QValidator>

#include "data/keyboard_layout.h"
#include "platform/control_ids.h"
#include "ui/qt_platform.h"
#include "ui/widget_style.h"

namespace shurencho {

// Edit2: a romaji box. It asks for no input method, so fcitx5 and IBus stay
// in direct input while it has the focus. Text an input method commits
// anyway, or that is pasted or dropped, is typed into it key by key, so the
// judge refuses what is not romaji and the drill goes on; a preedit never
// reaches the box.
class RomajiBox final : public QLineEdit {
 public:
  explicit RomajiBox(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhPreferLowercase | Qt::ImhNoPredictiveText);
    // The menu's Paste would put text in the box behind the judge's back.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
  }

  using QLineEdit::inputMethodQuery;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
    if (query == Qt::ImEnabled) return false;
    return QLineEdit::inputMethodQuery(query);
  }

 protected:
  void inputMethodEvent(QInputMethodEvent* event) override {
    event->accept();
    TypeAsKeys(event->commitString());
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->matches(QKeySequence::Paste)) {
      TypeAsKeys(QGuiApplication::clipboard()->text());
      return;
    }
    QLineEdit::keyPressEvent(event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    // The middle button pastes the selection on X11.
    if (event->button() == Qt::MiddleButton) {
      TypeAsKeys(QGuiApplication::clipboard()->text(QClipboard::Selection));
      return;
    }
    QLineEdit::mouseReleaseEvent(event);
  }

 private:
  void TypeAsKeys(const QString& text) {
    for (const QChar c : text) {
      const QChar upper = c.toUpper();
      int key = Qt::Key_unknown;
      if (c == u' ') {
        key = Qt::Key_Space;
      } else if ((upper >= u'A' && upper <= u'Z') || (c >= u'0' && c <= u'9')) {
        key = upper.unicode();
      }
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(this, &press);
      QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
      QCoreApplication::sendEvent(this, &release);
    }
  }
};

namespace {

// The input box takes every letter in lower case, typed or pasted.
class LowerCaseValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    input = input.toLower();
    return Acceptable;
  }
};

QLabel* MakeLabel(QWidget* parent, int x, int y, int w, int h) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);  // questions come from the word lists
  label->setGeometry(x, y, w, h);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

// Candidates in rows 24 pixels high. A delegate rather than a style sheet:
// a style sheet puts a second style over the list, parsed and applied
// before the first window shows.
class CandidateRows final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), 24};
  }
};

// A raised panel with a centred caption.
QLabel* MakePanel(QWidget* parent, int x, int y, int w, int h) {
  auto* panel = new QLabel(parent);
  panel->setTextFormat(Qt::PlainText);
  panel->setGeometry(x, y, w, h);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(1);
  panel->setAlignment(Qt::AlignCenter);
  return panel;
}

constexpr std::array<const char*, DrillPage::kCourses> kCourseCaptions{
    "アルファベット　文字", "アルファベット　単語", "ローマ字　文字", "ローマ字　単語", "ローマ字　変換"};
constexpr std::array<int, DrillPage::kCourses> kCourseTops{184, 208, 232, 264, 288};
constexpr std::array<int, DrillPage::kCourses> kCourseHeights{25, 25, 25, 17, 17};
constexpr std::array<int, DrillPage::kCourses> kGradeTops{184, 208, 232, 256, 280};

}  // namespace

DrillView::DrillView(DrillPage& page, QtPlatform& platform, const KeyboardLayout& keyboard, QWidget* parent)
    : PageView(platform, parent), m_page(page), m_platform(platform), m_keyboard(keyboard) {
  setFont(DesignFont(kGothic, 24));
  MakeHeadings();
  MakeInputBox();
  MakeFigures();
  MakeCourseButtons();
  MakeOptions();
  SetDesignTabOrder();
  platform.RegisterControl(ids::Edit2, m_edit2);
  platform.RegisterControlMaker(ids::ListBox1, [this] { CandidateList(); });
}

// The labels above the input box.
void DrillView::MakeHeadings() {
  m_label5 = MakeLabel(this, 24, 8, 84, 27);
  m_label5->setFont(DesignFont(kGothic, 27));

  m_label43 = MakeLabel(this, 88, 56, 84, 24);
  m_label43->setToolTip(QStringLiteral("クリックすると幸せになれるかも。"));
  m_label43->installEventFilter(this);

  m_panel1 = MakePanel(this, 0, 88, 81, 33);
  m_label1 = MakeLabel(this, 88, 96, 72, 24);
}

void DrillView::MakeInputBox() {
  // Button1 lies behind the input box, never seen; Enter in the box or the
  // list reaches it through the key routing below.
  m_button1 = new QPushButton(this);
  m_button1->setGeometry(80, 144, 65, 41);
  m_button1->setFocusPolicy(Qt::NoFocus);
  connect(m_button1, &QPushButton::clicked, this, [this] { Run([this] { m_page.Button1Click(); }); });

  m_edit2 = new RomajiBox(this);
  m_edit2->setGeometry(64, 144, 89, 41);
  m_edit2->setFont(DesignFont(kGothic, 32));
  m_edit2->setToolTip(QStringLiteral("ここにローマ字で入力。"));
  m_edit2->setValidator(new LowerCaseValidator(m_edit2));
  m_edit2->installEventFilter(this);
  connect(m_edit2, &QLineEdit::textEdited, this,
          [this](const QString& text) { Run([this, text] { m_page.Edit2.setText(text); }); });
  m_button1->stackUnder(m_edit2);

  m_label44 = MakeLabel(this, 160, 152, 84, 24);
}

// The list opens only in the conversion course, and an item view is the
// costliest widget of the page to have in memory: it is made when the page
// first opens it or the logic first names it, in the place, stacking and tab
// order it would have had from the start.
QListWidget* DrillView::CandidateList() {
  if (m_listBox1 == nullptr) MakeCandidateList();
  return m_listBox1;
}

void DrillView::MakeCandidateList() {
  m_listBox1 = new QListWidget(this);
  m_listBox1->setVisible(m_page.ListBox1.visible);
  m_listBox1->stackUnder(m_button3);
  setTabOrder(m_edit2, m_listBox1);
  setTabOrder(m_listBox1, m_button3);
  m_platform.RegisterControl(ids::ListBox1, m_listBox1);
  m_listBox1->setGeometry(16, 192, 137, 129);
  m_listBox1->setToolTip(QStringLiteral("↑：前候補、SPACE:次候補、Enter/↓：選択"));
  m_listBox1->setUniformItemSizes(true);
  m_listBox1->setItemDelegate(new CandidateRows(m_listBox1));
  m_listBox1->installEventFilter(this);
  // A click, or a key the page leaves to the list that moves the highlight,
  // takes the highlighted candidate.
  connect(m_listBox1, &QListWidget::currentRowChanged, this, [this](int row) {
    if (m_rendering || row < 0 || row == m_page.ListBox1.itemIndex) return;
    m_page.ListBox1.itemIndex = row;
    Run([this] { m_page.ListBox1Click(); });
  });
  connect(m_listBox1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    if (m_rendering) return;
    m_page.ListBox1.itemIndex = m_listBox1->row(item);
    Run([this] { m_page.ListBox1Click(); });
  });
}

// RESET and the labels under it.
void DrillView::MakeFigures() {
  m_button3 = new QPushButton(QStringLiteral("RESET"), this);
  m_button3->setGeometry(160, 192, 81, 25);
  connect(m_button3, &QPushButton::clicked, this, [this] { Run([this] { m_page.Button3Click(); }); });

  m_label4 = MakeLabel(this, 160, 224, 72, 24);
  m_label3 = MakeLabel(this, 160, 256, 72, 24);
  m_label2 = MakeLabel(this, 160, 288, 72, 24);
}

void DrillView::MakeCourseButtons() {
  m_radioGroup1 = new QGroupBox(QStringLiteral("コース"), this);
  m_radioGroup1->setGeometry(312, 160, 177, 161);
  m_radioGroup1->setFont(DesignFont(kGothic, 15));
  m_radioGroup1->installEventFilter(this);
  for (int i = 0; i < DrillPage::kCourses; ++i) {
    // The buttons sit on the page over the frame. They exclude one another
    // through the page, not through Qt: Tab would visit only the checked
    // button of an exclusive set, and that one (the current course) is
    // disabled, so the keyboard could never reach another course.
    auto* button = new QRadioButton(QString::fromUtf8(kCourseCaptions[static_cast<size_t>(i)]), this);
    button->setAutoExclusive(false);
    button->setGeometry(320, kCourseTops[static_cast<size_t>(i)], 161,
                        kCourseHeights[static_cast<size_t>(i)]);
    button->setFont(DesignFont(kGothic, 13));
    button->raise();
    const int n = i + 1;
    connect(button, &QRadioButton::clicked, this, [this, n] {
      for (int k = 1; k <= DrillPage::kCourses; ++k) m_page.CourseButton(k).checked = k == n;
      Run([this, n] { m_page.RadioButtonClick(n); });
    });
    m_radioButtons[static_cast<size_t>(i)] = button;
    m_gradeLabels[static_cast<size_t>(i)] = MakeLabel(this, 496, kGradeTops[static_cast<size_t>(i)], 84, 24);
  }
}

void DrillView::MakeOptions() {
  m_panel5 = MakePanel(this, 16, 328, 497, 65);
  m_checkBox1 = new QCheckBox(QStringLiteral("RANDUM"), m_panel5);
  m_checkBox1->setGeometry(16, 8, 129, 25);
  m_checkBox4 = new QCheckBox(QStringLiteral("ROMA"), m_panel5);
  m_checkBox4->setGeometry(152, 8, 73, 25);
  m_checkBox2 = new QCheckBox(QStringLiteral("AUTO"), m_panel5);
  m_checkBox2->setGeometry(16, 32, 105, 25);
  m_checkBox5 = new QCheckBox(QStringLiteral("苦手練習"), m_panel5);
  m_checkBox5->setGeometry(232, 8, 121, 25);
  connect(m_checkBox1, &QCheckBox::clicked, this, [this] { Run([this] { m_page.CheckBox1.click(); }); });
  connect(m_checkBox4, &QCheckBox::clicked, this, [this] { Run([this] { m_page.CheckBox4.click(); }); });
  connect(m_checkBox2, &QCheckBox::clicked, this, [this] { Run([this] { m_page.CheckBox2.click(); }); });
  connect(m_checkBox5, &QCheckBox::clicked, this, [this] { Run([this] { m_page.CheckBox5.click(); }); });
}

void DrillView::SetDesignTabOrder() {
  // The design's tab order: input box, list, RESET, the courses, the options.
  // The list takes its place after the box when it is made.
  QWidget* order[] = {m_edit2,           m_button3,         m_radioButtons[0], m_radioButtons[1],
                      m_radioButtons[2], m_radioButtons[3], m_radioButtons[4], m_checkBox1,
                      m_checkBox4,       m_checkBox5};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

QLabel* DrillView::label(const char* name) const {
  const QString n = QString::fromLatin1(name);
  if (n == u"Label1") return m_label1;
  if (n == u"Label2") return m_label2;
  if (n == u"Label3") return m_label3;
  if (n == u"Label4") return m_label4;
  if (n == u"Label5") return m_label5;
  if (n == u"Label43") return m_label43;
  if (n == u"Label44") return m_label44;
  if (n == u"Panel1") return m_panel1;
  for (int k = 0; k < DrillPage::kCourses; ++k) {
    if (n == QStringLiteral("Label%1").arg(17 + k)) return m_gradeLabels[static_cast<size_t>(k)];
  }
  return nullptr;
}

void DrillView::RenderAutoSized(QLabel* widget, const Label& model) {
  // Drawn again only when something shows differently: a key press changes
  // one or two labels of the page.
  const auto shown = m_shownLabels.constFind(widget);
  if (shown != m_shownLabels.constEnd() && shown->caption == model.caption &&
      shown->visible == model.visible && shown->enabled == model.enabled && shown->font == model.font &&
      shown->background == model.background) {
    return;
  }
  m_shownLabels.insert(widget, model);
  RenderLabel(widget, model);
  // Labels size themselves to their caption, from their top-left corner.
  widget->adjustSize();
}

void DrillView::Render() {
  m_rendering = true;
  RenderAutoSized(m_label5, m_page.Label5);
  RenderAutoSized(m_label43, m_page.Label43);
  RenderAutoSized(m_label1, m_page.Label1);
  RenderAutoSized(m_label44, m_page.Label44);
  RenderAutoSized(m_label2, m_page.Label2);
  RenderAutoSized(m_label3, m_page.Label3);
  RenderAutoSized(m_label4, m_page.Label4);
  m_panel1->setText(m_page.Panel1.caption);
  m_panel1->setVisible(m_page.Panel1.visible);
  m_panel5->setText(m_page.Panel5.caption);
  for (int k = 1; k <= DrillPage::kCourses; ++k) {
    RenderAutoSized(m_gradeLabels[static_cast<size_t>(k - 1)], m_page.GradeLabel(k));
    QRadioButton* button = m_radioButtons[static_cast<size_t>(k - 1)];
    const QSignalBlocker block(button);
    button->setChecked(m_page.CourseButton(k).checked);
    button->setEnabled(m_page.CourseButton(k).enabled);
  }
  const std::pair<QCheckBox*, const CheckBox*> boxes[] = {{m_checkBox1, &m_page.CheckBox1},
                                                          {m_checkBox4, &m_page.CheckBox4},
                                                          {m_checkBox2, &m_page.CheckBox2},
                                                          {m_checkBox5, &m_page.CheckBox5}};
  for (const auto& [widget, model] : boxes) {
    const QSignalBlocker block(widget);
    widget->setChecked(model->checked());
    widget->setEnabled(model->enabled);
    widget->setVisible(model->visible);
  }
  if (m_edit2->text() != m_page.Edit2.text()) {
    const QSignalBlocker block(m_edit2);
    m_edit2->setText(m_page.Edit2.text());  // the caret goes to the end
  }
  if (m_listBox1 != nullptr || m_page.ListBox1.visible) {
    CandidateList();
    const QSignalBlocker block(m_listBox1);
    QStringList shown;
    for (int i = 0; i < m_listBox1->count(); ++i) shown.append(m_listBox1->item(i)->text());
    if (shown != m_page.ListBox1.items) {
      m_listBox1->clear();
      m_listBox1->addItems(m_page.ListBox1.items);
    }
    m_listBox1->setCurrentRow(m_page.ListBox1.itemIndex);
    m_listBox1->setEnabled(m_page.ListBox1.enabled);
    m_listBox1->setVisible(m_page.ListBox1.visible);
  }
  // The list takes the focus when it opens (it could not while still
  // closed); the page gives it back to the box when it closes.
  const bool open = m_page.ListBox1.enabled && m_page.ListBox1.visible;
  if (open && !m_listWasOpen) m_listBox1->setFocus(Qt::OtherFocusReason);
  m_listWasOpen = open;
  m_rendering = false;
}

bool DrillView::eventFilter(QObject* watched, QEvent* event) {
  // A menu or a box has the keyboard meanwhile: the kana's clock waits.
  // (Not as the window closes: the page may be gone by then.)
  if (watched == m_edit2 && !window()->isHidden()) {
    if (event->type() == QEvent::FocusOut) m_page.Edit2Exit();
    if (event->type() == QEvent::FocusIn) m_page.Edit2Enter();
  }
  if (event->type() == QEvent::KeyPress) {
    if (watched == m_edit2) return Edit2Key(static_cast<QKeyEvent*>(event));
    if (watched == m_listBox1) return ListBox1Key(static_cast<QKeyEvent*>(event));
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    auto* widget = static_cast<QWidget*>(watched);
    const bool inside = widget->rect().contains(mouse->position().toPoint());
    if (watched == m_label43 && mouse->button() == Qt::LeftButton && inside) {
      Run([this] { m_page.Label43Click(); });
      return true;
    }
    if (watched == m_radioGroup1 && mouse->button() == Qt::LeftButton && inside) {
      Run([this] { m_page.RadioGroup1Click(); });
      return true;
    }
  }
  return PageView::eventFilter(watched, event);
}

bool DrillView::Edit2Key(QKeyEvent* event) {
  // A character key is announced before it changes the text; the change
  // itself arrives through textEdited once the box has applied the key.
  const QString text = event->text();
  QChar character;
  if (event->key() == Qt::Key_Backspace) {
    character = u'\b';
  } else if (!text.isEmpty() && text.at(0).unicode() >= u' ' && text.at(0).unicode() != 0x7f &&
             !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    character = text.at(0).toLower();
  }
  // The kana key by its place on the keyboard (the X key code, which
  // Wayland gives as well), whatever the keyboard map makes of it.
  bool take = false;
  Run([&] {
    take = m_page.Edit2Key(KeyCodeFromQt(event->key()), ShiftFromQt(event->modifiers()), character,
                           m_keyboard.JisKeyAtKeycode(event->nativeScanCode()));
  });
  return !take;
}

bool DrillView::ListBox1Key(QKeyEvent* event) {
  bool take = false;
  Run([&] { take = m_page.ListBox1Key(KeyCodeFromQt(event->key()), ShiftFromQt(event->modifiers())); });
  return !take;
}

void DrillView::mousePressEvent(QMouseEvent* event) {
  // Only a press on the page itself, not one passed up from a control.
  if (childAt(event->position().toPoint()) == nullptr) {
    Run([this] { m_page.TabSheet1MouseDown(); });
  }
  event->accept();
}

}  // namespace shurencho
