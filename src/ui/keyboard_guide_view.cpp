#include "ui/keyboard_guide_view.h"

#include <QActionGroup>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <utility>

#include "history/history_records.h"
#include "ui/widget_style.h"

namespace shurencho {

namespace {

QColor FingerQColor(Finger finger, bool strong) {
  return QColor(QString::fromLatin1(shurencho::FingerColour(finger, strong)));
}

const QColor kFlash(220, 40, 40);
const QColor kInk(20, 20, 20);

// The keyboard as large as the height allows, the words in what is left.
struct BoardLayout {
  double unit;     // one key's width
  double gap;      // between two keys
  QRectF board;    // the keyboard's share of the window
  QPointF origin;  // the top-left of the first row

  QRectF KeyRect(const KeyCap& k) const {
    return QRectF(origin.x() + k.x * unit + gap / 2, origin.y() + k.y * unit + gap / 2, k.w * unit - gap,
                  k.h * unit - gap);
  }
};

// The keyboard as large as its widget allows, centred in it.
BoardLayout LayOutBoard(QSize area, double wide, double high) {
  BoardLayout at;
  at.unit = std::max(1.0, std::min(area.width() / wide, area.height() / high));
  at.board = QRectF((area.width() - wide * at.unit) / 2, 0, wide * at.unit, area.height());
  at.origin = QPointF(at.board.left(), (area.height() - high * at.unit) / 2);
  at.gap = std::max(1.0, at.unit / 14);
  return at;
}

// A rounded rectangle with each edge moved outwards by `grow` (inwards when
// negative), its corners rounded to match.
QPainterPath GrownRoundedRect(const QRectF& r, double radius, double grow) {
  QPainterPath shape;
  const double grown = std::max(0.0, radius + grow);
  shape.addRoundedRect(r.adjusted(-grow, -grow, grow, grow), grown, grown);
  return shape;
}

// A key's outline, each edge moved outwards by `grow` (inwards when negative).
QPainterPath KeyShape(const KeyCap& k, const QRectF& r, const BoardLayout& at, double grow = 0) {
  if (k.h <= 1) return GrownRoundedRect(r, 3, grow);
  // Enter: wide in its upper row, a quarter narrower below.
  const QRectF o = r.adjusted(-grow, -grow, grow, grow);
  const double step = r.left() + at.unit / 4 - grow;
  const double waist = r.top() + at.unit - at.gap + grow;
  QPainterPath shape;
  shape.moveTo(o.topLeft());
  shape.lineTo(o.topRight());
  shape.lineTo(o.bottomRight());
  shape.lineTo(step, o.bottom());
  shape.lineTo(step, waist);
  shape.lineTo(o.left(), waist);
  shape.closeSubpath();
  return shape;
}

// A shape with an outline `width` wide centred on its edge, filled rather
// than stroked: the toolkit's stroker and the maths library it calls stay
// out of the guide's paint, which every start shows.
template <typename MakeShape>
void FillOutlined(QPainter& p, const QColor& line, double width, const QBrush& fill, MakeShape shape) {
  p.setPen(Qt::NoPen);
  p.setBrush(line);
  p.drawPath(shape(width / 2));
  p.setBrush(fill);
  p.drawPath(shape(-width / 2));
}

// The letters' two sizes, made once a paint.
struct KeyFonts {
  QFont top;
  QFont small;  // for a key's name longer than a letter
};

struct KeyLook {
  bool on = false;     // lit: the key to press
  bool flash = false;  // refused a moment ago
  bool kana = false;   // the kana printed beside the letter
};

void DrawKeyLabel(QPainter& p, const BoardLayout& at, const KeyCap& k, const QRectF& r, const KeyFonts& fonts,
                  KeyLook look) {
  p.setPen(look.flash ? Qt::white : kInk);
  QFont face = fonts.top;
  face.setBold(look.on);
  const QString& text = k.top;
  if (text.size() > 1) face = fonts.small;
  p.setFont(face);
  const QRectF textArea = k.h > 1 ? QRectF(r.left(), r.top(), r.width(), at.unit - at.gap) : r;
  if (look.kana && k.jis != JisKey::None) {
    p.drawText(textArea.adjusted(3, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    QFont kanaFont = fonts.top;
    kanaFont.setBold(look.on);
    p.setFont(kanaFont);
    p.drawText(textArea.adjusted(0, 0, -3, -1), Qt::AlignRight | Qt::AlignBottom,
               QString(KanaOfKey(k.jis, false)));
  } else {
    p.drawText(textArea, Qt::AlignCenter, text);
  }
}

// The bump the fingers find F and J by.
void DrawBump(QPainter& p, const QRectF& r, double unit) {
  // A short bar with round ends, filled.
  const double w = unit * 0.3;
  const double thick = std::max(1.5, unit / 14);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 40));
  p.drawRoundedRect(
      QRectF(r.center().x() - (w + thick) / 2, r.bottom() - unit * 0.14 - thick / 2, w + thick, thick),
      thick / 2, thick / 2);
}

void DrawKeys(QPainter& p, const BoardLayout& at, const GuideFrame& frame, int flashKey) {
  const KeyFonts fonts{DesignFont(kGothic, std::max(8, static_cast<int>(at.unit * 0.36))),
                       DesignFont(kGothic, std::max(7, static_cast<int>(at.unit * 0.26)))};
  const std::vector<KeyCap>& keys = frame.keyboard->keys();
  for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
    const KeyCap& k = keys[i];
    KeyLook look;
    look.on =
        std::any_of(frame.lit.begin(), frame.lit.end(), [i](const GuideLitKey& lit) { return lit.key == i; });
    look.flash = i == flashKey;
    look.kana = frame.kana;
    const QRectF r = at.KeyRect(k);
    const QBrush fill(look.flash ? kFlash : FingerQColor(k.finger, look.on));
    if (look.on || look.flash) {
      FillOutlined(p, QColor(30, 30, 30), 2.5, fill, [&](double grow) { return KeyShape(k, r, at, grow); });
    } else {
      // A one-pixel line is drawn by the painter's quick path.
      p.setBrush(fill);
      p.setPen(QPen(QColor(150, 150, 150), 1));
      p.drawPath(KeyShape(k, r, at));
    }
    DrawKeyLabel(p, at, k, r, fonts, look);
    if (k.bump) DrawBump(p, r, at.unit);
  }
}

// The finger named on the keyboard itself, above the key (below in the top
// row), so the colour is never the only sign.
void DrawFingerTags(QPainter& p, const BoardLayout& at, const std::vector<KeyCap>& keys,
                    const std::vector<GuideLitKey>& lit) {
  p.setFont(DesignFont(kGothic, std::max(10, static_cast<int>(at.unit * 0.36)), true));
  for (const GuideLitKey& k : lit) {
    const KeyCap& cap = keys[k.key];
    const QString name = FingerName(k.finger);
    const QSizeF size(p.fontMetrics().horizontalAdvance(name) + 8, p.fontMetrics().height() + 2);
    const double cx = at.origin.x() + (cap.x + cap.w / 2) * at.unit;
    const double y = cap.y >= 1 ? at.origin.y() + cap.y * at.unit - size.height() + at.unit * 0.15
                                : at.origin.y() + (cap.y + 1) * at.unit - at.unit * 0.15;
    QRectF tag(QPointF(cx - size.width() / 2, y), size);
    tag.moveLeft(std::clamp(tag.left(), at.board.left(), at.board.right() - tag.width()));
    FillOutlined(p, FingerQColor(k.finger, true).darker(160), 1.5, Qt::white,
                 [&tag](double grow) { return GrownRoundedRect(tag, 4, grow); });
    p.setPen(kInk);
    p.drawText(tag, Qt::AlignCenter, name);
  }
}

}  // namespace

// The painted keyboard. A screen reader hears it by its name and, as its
// description, the key to press and the finger that presses it.
class GuideBoard final : public QWidget {
 public:
  explicit GuideBoard(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(QStringLiteral("キーボード"));
  }
  QSize sizeHint() const override { return {15 * kUnit, 5 * kUnit}; }
  QSize minimumSizeHint() const override { return {15 * kSmallestUnit, 5 * kSmallestUnit}; }

  void Show(const GuideFrame& frame) {
    m_frame = &frame;
    QStringList said = frame.next;
    if (!frame.welcome.isEmpty()) said = {QStringLiteral("ホームポジション：F と J")};
    setAccessibleDescription(said.join(QStringLiteral("、")));
    update();
  }
  void Flash(int key) {
    m_flashKey = key;
    update();
  }
  int flashingKey() const { return m_flashKey; }

  static constexpr int kUnit = 28;
  static constexpr int kSmallestUnit = 12;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (m_frame == nullptr || m_frame->keyboard == nullptr) return;
    const KeyboardLayout& keyboard = *m_frame->keyboard;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const BoardLayout at =
        LayOutBoard(size(), std::max(1.0, keyboard.width()), std::max(1.0, keyboard.height()));
    DrawKeys(p, at, *m_frame, m_flashKey);
    DrawFingerTags(p, at, keyboard.keys(), m_frame->lit);
  }

 private:
  const GuideFrame* m_frame = nullptr;
  int m_flashKey = -1;
};

namespace {

constexpr int kMargin = 6;
constexpr int kSpacing = 8;
constexpr int kTextPx = 13;
constexpr int kHeadPx = 15;

// The longest words each of the guide's panels holds, so its size is set
// once and a new line never makes the window jump.
std::vector<GuideFrame> SampleFrames() {
  GuideFrame live;
  live.progress = QStringLiteral("100／100");
  live.figures = {QStringLiteral("999 字／分　999 打鍵／分"), QStringLiteral("ミス 999")};
  live.next = {QStringLiteral("次の字：しゅ（syu）"), QStringLiteral("次のキー：ぁ（3）　右人差し指"),
               QStringLiteral("＋ Shift　右小指")};
  GuidePass pass{
      15, 3599, 999, UngradedMark(), false, true, {QStringLiteral("しゅ"), QStringLiteral("ちゃ")}};
  pass.warmupSeconds = 90;
  GuideFrame summary;
  summary.summary = PassSummaryLines(pass);
  summary.step = {GuideStep::WeakDrill, 0, QStringLiteral("苦手練習をしよう")};
  GuideFrame welcome;
  welcome.welcome = WelcomeLines();
  welcome.step = WelcomeStep();
  return {live, summary, welcome};
}

// Lines at or after the next key's own belong to the key; those before say
// what is being typed.
int KeyLinesFrom(const QStringList& next) {
  for (int i = 0; i < next.size(); ++i) {
    if (next.at(i).startsWith(QStringLiteral("次のキー")) ||
        next.at(i).startsWith(QStringLiteral("まちがい")))
      return i;
  }
  return static_cast<int>(next.size());
}

void SetLine(QLabel* label, const QString& text, bool shown) {
  label->setText(text);
  label->setVisible(shown && !text.isEmpty());
}

}  // namespace

KeyboardGuideView::KeyboardGuideView(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowDoesNotAcceptFocus), m_main(mainWindow) {
  setObjectName(QStringLiteral("keyboardGuide"));
  setWindowTitle(QStringLiteral("キーボードガイド"));
  setAccessibleName(QStringLiteral("キーボードガイド"));
  // Beside the practice, never in the way of its keys.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  m_board = new GuideBoard(this);
  m_words = new QWidget(this);
  auto* words = new QVBoxLayout(m_words);
  words->setContentsMargins(0, 0, 0, 0);
  words->setSpacing(2);
  // The progress shares its line with the button to the guide's menu, so
  // the menu is in sight without a right click.
  auto* top = new QHBoxLayout;
  top->setSpacing(kSpacing);
  words->addLayout(top);
  m_progress = AddLabel(top, kHeadPx, true);
  m_progress->setAccessibleDescription(QStringLiteral("すすみぐあい"));
  top->addStretch(1);
  BuildMenu();
  m_menuButton = new QToolButton(m_words);
  m_menuButton->setText(QStringLiteral("キーボード"));
  m_menuButton->setFont(DesignFont(kGothic, kTextPx - 2, false));
  m_menuButton->setFocusPolicy(Qt::NoFocus);
  m_menuButton->setPopupMode(QToolButton::InstantPopup);
  m_menuButton->setMenu(m_menu);
  m_menuButton->setAccessibleName(QStringLiteral("ガイドのメニュー"));
  m_menuButton->setAccessibleDescription(QStringLiteral("ガイドに描くキーボード（JIS か US）を選びます"));
  m_menuButton->setToolTip(QStringLiteral("ガイドに描くキーボードを選びます"));
  top->addWidget(m_menuButton);
  m_assignment = AddLabel(words, kTextPx, true);
  m_assignment->setAccessibleDescription(QStringLiteral("きょうの課題"));
  m_figures = AddLabel(words, kTextPx, false);
  m_figures->setAccessibleDescription(QStringLiteral("速さとミス"));
  m_shown = AddLabel(words, kTextPx, false);
  m_nextKey = AddLabel(words, kTextPx, true);
  auto* head = new QHBoxLayout;
  head->setSpacing(kSpacing);
  words->addLayout(head);
  m_summaryTitle = AddLabel(head, kHeadPx, true);
  head->addStretch(1);
  m_step = new QPushButton(m_words);
  m_step->setFocusPolicy(Qt::NoFocus);
  m_step->setFont(DesignFont(kGothic, kTextPx, true));
  head->addWidget(m_step);
  m_summary = AddLabel(words, kTextPx, false);
  m_welcome = AddLabel(words, kTextPx, false);
  words->addStretch(1);
  m_layout = new QBoxLayout(QBoxLayout::LeftToRight, this);
  m_layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  m_layout->setSpacing(kSpacing);
  m_layout->addWidget(m_board, 1);
  m_layout->addWidget(m_words, 0, Qt::AlignTop);
  connect(m_step, &QPushButton::clicked, this, [this] {
    if (onStep) onStep(m_frame.step);
  });
  m_flash = new QTimer(this);
  m_flash->setSingleShot(true);
  m_flash->setInterval(kFlashMs);
  connect(m_flash, &QTimer::timeout, this, [this] { m_board->Flash(-1); });
  FixWordsSize();
  Show(GuideFrame{});
  setFixedSize(Sizes().wide);
  m_main->installEventFilter(this);
}

void KeyboardGuideView::BuildMenu() {
  m_menu = new QMenu(this);
  m_menu->setAccessibleName(QStringLiteral("ガイドのメニュー"));
  FillOnFirstOpen(m_menu, [this] {
    QMenu* keyboards = m_menu->addMenu(QStringLiteral("キーボード"));
    auto* group = new QActionGroup(keyboards);
    for (const auto& [caption, kind] :
         {std::pair{u"JIS (日本語)", KeyboardKind::Jis}, {u"US (英語)", KeyboardKind::Us}}) {
      QAction* item = keyboards->addAction(QString::fromUtf16(caption));
      item->setCheckable(true);
      group->addAction(item);
      connect(item, &QAction::triggered, this, [this, kind] {
        SetLayoutChoice(kind);
        if (onLayoutChosen) onLayoutChosen(kind);
      });
      // The tick follows the choice, which the main window may change.
      connect(m_menu, &QMenu::aboutToShow, item,
              [this, item, kind] { item->setChecked(kind == m_layoutChoice); });
    }
  });
}

void KeyboardGuideView::SetLayoutChoice(KeyboardKind kind) { m_layoutChoice = kind; }

void KeyboardGuideView::contextMenuEvent(QContextMenuEvent* event) {
  m_menu->exec(event->globalPos());
  event->accept();
}

QLabel* KeyboardGuideView::AddLabel(QBoxLayout* to, int px, bool bold) {
  auto* label = new QLabel(m_words);
  label->setFont(DesignFont(kGothic, px, bold));
  // Whole lines only: Japanese wrapping would break inside a word or a unit.
  label->setWordWrap(false);
  label->setTextFormat(Qt::PlainText);
  to->addWidget(label);
  return label;
}

void KeyboardGuideView::FixWordsSize() {
  QSize most;
  m_fitting = true;
  for (GuideFrame& sample : SampleFrames()) {
    sample.assignment = m_fittedAssignment;
    Show(sample);
    m_words->layout()->activate();
    most = most.expandedTo(m_words->layout()->sizeHint());
  }
  m_words->setFixedSize(most);
  m_fitting = false;
}

void KeyboardGuideView::Refit(const GuideFrame& frame) {
  m_fittedAssignment = frame.assignment;
  m_words->setMinimumSize(0, 0);
  m_words->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  FixWordsSize();
  Show(frame);
  if (isVisible()) Place();
}

void KeyboardGuideView::Show(const GuideFrame& frame) {
  // A line that comes or goes, or grows, changes what the words need.
  if (!m_fitting && frame.assignment != m_fittedAssignment) {
    Refit(frame);
    return;
  }
  m_frame = frame;
  SetLine(m_assignment, frame.assignment, !frame.assignment.isEmpty());
  const bool welcome = !frame.welcome.isEmpty();
  const bool summary = !welcome && !frame.summary.isEmpty();
  const bool live = !welcome && !summary;
  SetLine(m_progress, frame.progress, live);
  SetLine(m_figures, frame.figures.join(QLatin1Char('\n')), live);
  const int keyFrom = KeyLinesFrom(frame.next);
  SetLine(m_shown, frame.next.mid(0, keyFrom).join(QLatin1Char('\n')), live);
  SetLine(m_nextKey, frame.next.mid(keyFrom).join(QLatin1Char('\n')), live);
  const QStringList& panel = welcome ? frame.welcome : frame.summary;
  SetLine(m_summaryTitle, panel.value(0), !live);
  SetLine(m_summary, panel.mid(1).join(QLatin1Char('\n')), summary);
  SetLine(m_welcome, panel.mid(1).join(QLatin1Char('\n')), welcome);
  m_step->setText(frame.step.caption);
  m_step->setVisible(!live && frame.step.kind != GuideStep::None);
  m_board->Show(m_frame);
  if (frame.flash >= 0) {
    m_board->Flash(frame.flash);
    m_flash->start();
  }
}

int KeyboardGuideView::flashingKey() const { return m_board->flashingKey(); }

GuideSizes KeyboardGuideView::Sizes() const {
  const QSize words = m_words->minimumSize();
  const QSize board = m_board->sizeHint();
  const QSize smallest = m_board->minimumSizeHint();
  auto wide = [&](QSize b) {
    return QSize(b.width() + kSpacing + words.width(), std::max(b.height(), words.height())) +
           QSize(2 * kMargin, 2 * kMargin);
  };
  auto tall = [&](QSize b) {
    return QSize(std::max(b.width(), words.width()), b.height() + kSpacing + words.height()) +
           QSize(2 * kMargin, 2 * kMargin);
  };
  return GuideSizes{wide(board), wide(smallest), tall(board), tall(smallest)};
}

void KeyboardGuideView::Arrange(bool tall, QSize size) {
  m_tall = tall;
  m_layout->setDirection(tall ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
  m_layout->setAlignment(m_words, tall ? Qt::AlignLeft : Qt::AlignTop);
  const GuideSizes sizes = Sizes();
  // Fixed: the guide sizes itself, and a window manager then gives it no
  // resize handle to take room from the screen's edge.
  setFixedSize(size.expandedTo(tall ? sizes.tallSmallest : sizes.wideSmallest));
  m_layout->activate();
}

QMargins KeyboardGuideView::FrameMargins() const {
  // The window manager's frame (a title bar) around the guide, when the
  // toolkit knows it; else the main window's, which the same window
  // manager decorates alike.
  auto margins = [](const QWidget* w) {
    const QRect f = w->frameGeometry();
    const QRect g = w->geometry();
    return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
  };
  const QMargins own = margins(this);
  if (isVisible() && !own.isNull()) return own;
  return margins(m_main);
}

void KeyboardGuideView::Place() {
  const QScreen* screen = m_main->screen();
  if (screen == nullptr) return;
  // The rectangles placed are whole frames, the widget's own size what is
  // left of one. A fractional scale rounds the window's edges outwards:
  // one pixel spare keeps it on the screen.
  const QMargins margins = FrameMargins();
  const QSize frame(margins.left() + margins.right(), margins.top() + margins.bottom());
  QRect area = screen->availableGeometry();
  if (screen->devicePixelRatio() != std::floor(screen->devicePixelRatio())) area.adjust(0, 0, -1, -1);
  GuideSizes sizes = Sizes();
  for (QSize* size : {&sizes.wide, &sizes.wideSmallest, &sizes.tall, &sizes.tallSmallest}) *size += frame;
  // Under or over the main window, as wide as it where the words allow.
  sizes.wide.setWidth(std::max(sizes.wideSmallest.width(), m_main->frameGeometry().width()));
  const GuidePlace at = PlaceGuide(m_main->frameGeometry(), area, sizes);
  m_placedMargins = margins;
  Arrange(at.tall, at.rect.size() - frame);
  // Placed by its client area, which no window manager moves: the frame
  // then lies where it was planned even before the toolkit has seen it.
  setGeometry(QRect(at.rect.topLeft() + QPoint(margins.left(), margins.top()), size()));
  if (onPlaced) onPlaced();
}

void KeyboardGuideView::SetTextScale(int percent) {
  ScaleFonts(m_words, percent);
  m_words->setMinimumSize(0, 0);
  m_words->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  const GuideFrame shown = m_frame;
  FixWordsSize();
  Show(shown);
  if (isVisible()) Place();
}

bool KeyboardGuideView::eventFilter(QObject* watched, QEvent* event) {
  // Docked: it follows the main window wherever that goes.
  if (watched == m_main && isVisible() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
    Place();
  return QWidget::eventFilter(watched, event);
}

void KeyboardGuideView::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  // The window manager has framed the window since it was placed: placed
  // again by its real frame, so its title bar never lies over the main window.
  if (isVisible() && FrameMargins() != m_placedMargins)
    QTimer::singleShot(0, this, [this] {
      if (isVisible()) Place();
    });
}

void KeyboardGuideView::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  if (event->isAccepted() && onClosed) onClosed();
}

}  // namespace shurencho
