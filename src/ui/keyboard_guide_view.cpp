#include "ui/keyboard_guide_view.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "ui/widget_style.h"

namespace shurencho {

namespace {

// Under the main window at its width; smaller only where the screen is short.
constexpr QSize kPreferred(672, 180);
constexpr QSize kSmallest(360, 110);

// Pale for the finger's keys, strong for the key to press; the two hands
// mirror each other.
QColor FingerColour(Finger finger, bool strong) {
  int hue = 0;
  switch (finger) {
    case Finger::LeftPinky:
    case Finger::RightPinky:
      hue = 340;
      break;
    case Finger::LeftRing:
    case Finger::RightRing:
      hue = 35;
      break;
    case Finger::LeftMiddle:
    case Finger::RightMiddle:
      hue = 110;
      break;
    case Finger::LeftIndex:
    case Finger::RightIndex:
      hue = 205;
      break;
    case Finger::Thumb:
      hue = 270;
      break;
  }
  return strong ? QColor::fromHsv(hue, 150, 245) : QColor::fromHsv(hue, 28, 250);
}

const QColor kFlash(220, 40, 40);
const QColor kInk(20, 20, 20);
constexpr int kMargin = 6;

// The keyboard as large as the height allows, the words in what is left.
struct BoardLayout {
  double unit;     // one key's width
  double gap;      // between two keys
  QRectF board;    // the keyboard's share of the window
  QPointF origin;  // the top-left of the first row

  QRectF KeyRect(const GuideKeyCap& k) const {
    return QRectF(origin.x() + k.x * unit + gap / 2, origin.y() + k.y * unit + gap / 2, k.w * unit - gap,
                  k.h * unit - gap);
  }
};

BoardLayout LayOutBoard(QSize window) {
  BoardLayout at;
  at.unit = std::min((window.width() - 150 - 3 * kMargin) / 15.0, (window.height() - 2 * kMargin) / 5.0);
  at.board = QRectF(kMargin, kMargin, 15 * at.unit, window.height() - 2 * kMargin);
  at.origin = QPointF(at.board.left(), at.board.top() + (at.board.height() - 5 * at.unit) / 2);
  at.gap = std::max(1.0, at.unit / 14);
  return at;
}

QPainterPath KeyShape(const GuideKeyCap& k, const QRectF& r, const BoardLayout& at) {
  QPainterPath shape;
  if (k.h > 1) {
    // Enter: wide in its upper row, a quarter narrower below.
    const double step = r.left() + at.unit / 4;
    shape.moveTo(r.topLeft());
    shape.lineTo(r.topRight());
    shape.lineTo(r.bottomRight());
    shape.lineTo(step, r.bottom());
    shape.lineTo(step, r.top() + at.unit - at.gap);
    shape.lineTo(r.left(), r.top() + at.unit - at.gap);
    shape.closeSubpath();
  } else {
    shape.addRoundedRect(r, 3, 3);
  }
  return shape;
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

void DrawKeyLabel(QPainter& p, const BoardLayout& at, const GuideKeyCap& k, const QRectF& r,
                  const KeyFonts& fonts, KeyLook look) {
  p.setPen(look.flash ? Qt::white : kInk);
  QFont face = fonts.top;
  face.setBold(look.on);
  const QString text = QString::fromUtf16(k.top);
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
  const double w = unit * 0.3;
  p.setPen(QPen(QColor(40, 40, 40), std::max(1.5, unit / 14), Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(r.center().x() - w / 2, r.bottom() - unit * 0.14),
             QPointF(r.center().x() + w / 2, r.bottom() - unit * 0.14));
}

void DrawKeys(QPainter& p, const BoardLayout& at, const GuideFrame& frame, int flashKey) {
  const KeyFonts fonts{DesignFont(kGothic, std::max(8, static_cast<int>(at.unit * 0.36))),
                       DesignFont(kGothic, std::max(7, static_cast<int>(at.unit * 0.26)))};
  const std::span<const GuideKeyCap> keys = GuideKeyboard();
  for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
    const GuideKeyCap& k = keys[i];
    KeyLook look;
    look.on =
        std::any_of(frame.lit.begin(), frame.lit.end(), [i](const GuideLitKey& lit) { return lit.key == i; });
    look.flash = i == flashKey;
    look.kana = frame.kana;
    const QRectF r = at.KeyRect(k);
    p.setBrush(look.flash ? kFlash : FingerColour(k.finger, look.on));
    const bool strong = look.on || look.flash;
    p.setPen(QPen(strong ? QColor(30, 30, 30) : QColor(150, 150, 150), strong ? 2.5 : 1));
    p.drawPath(KeyShape(k, r, at));
    DrawKeyLabel(p, at, k, r, fonts, look);
    if (k.bump) DrawBump(p, r, at.unit);
  }
}

// The finger named on the keyboard itself, above the key (below in the top
// row), so the colour is never the only sign.
void DrawFingerTags(QPainter& p, const BoardLayout& at, const std::vector<GuideLitKey>& lit) {
  const std::span<const GuideKeyCap> keys = GuideKeyboard();
  p.setFont(DesignFont(kGothic, std::max(10, static_cast<int>(at.unit * 0.36)), true));
  for (const GuideLitKey& k : lit) {
    const GuideKeyCap& cap = keys[k.key];
    const QString name = FingerName(k.finger);
    const QSizeF size(p.fontMetrics().horizontalAdvance(name) + 8, p.fontMetrics().height() + 2);
    const double cx = at.origin.x() + (cap.x + cap.w / 2) * at.unit;
    const double y = cap.y >= 1 ? at.origin.y() + cap.y * at.unit - size.height() + at.unit * 0.15
                                : at.origin.y() + (cap.y + 1) * at.unit - at.unit * 0.15;
    QRectF tag(QPointF(cx - size.width() / 2, y), size);
    tag.moveLeft(std::clamp(tag.left(), at.board.left(), at.board.right() - tag.width()));
    p.setBrush(Qt::white);
    p.setPen(QPen(FingerColour(k.finger, true).darker(160), 1.5));
    p.drawRoundedRect(tag, 4, 4);
    p.setPen(kInk);
    p.drawText(tag, Qt::AlignCenter, name);
  }
}

// One paragraph at the top of what is left of `area`, which then starts under it.
void DrawWords(QPainter& p, QRectF& area, const QString& words, const QFont& font, const QColor& colour) {
  if (words.isEmpty() || area.height() <= 0) return;
  p.setFont(font);
  p.setPen(colour);
  const QRectF used = p.boundingRect(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, words);
  p.drawText(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, words);
  area.setTop(used.bottom() + 2);
}

void DrawLiveFigures(QPainter& p, QRectF& area, const GuideFrame& frame, int px) {
  DrawWords(p, area, frame.progress, DesignFont(kGothic, px + 6, true), kInk);
  DrawWords(p, area, frame.figures, DesignFont(kGothic, px), kInk);
  DrawWords(p, area, frame.next, DesignFont(kGothic, px, true), kInk);
}

void DrawPassSummary(QPainter& p, QRectF& area, const GuideFrame& frame, int px) {
  if (frame.summary.isEmpty()) return;
  DrawWords(p, area, frame.summary.join(QLatin1Char('\n')), DesignFont(kGothic, px - 1), kInk);
  DrawWords(p, area, frame.advice, DesignFont(kGothic, px + 2, true), QColor(0, 100, 170));
}

}  // namespace

KeyboardGuideView::KeyboardGuideView(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool | Qt::WindowDoesNotAcceptFocus), m_main(mainWindow) {
  setObjectName(QStringLiteral("keyboardGuide"));
  setWindowTitle(QStringLiteral("キーボードガイド"));
  // Beside the practice, never in the way of its keys.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(kPreferred);
  m_flash = new QTimer(this);
  m_flash->setSingleShot(true);
  m_flash->setInterval(kFlashMs);
  connect(m_flash, &QTimer::timeout, this, [this] {
    m_flashKey = -1;
    update();
  });
  m_main->installEventFilter(this);
}

void KeyboardGuideView::Show(const GuideFrame& frame) {
  m_frame = frame;
  if (frame.flash >= 0) {
    m_flashKey = frame.flash;
    m_flash->start();
  }
  update();
}

void KeyboardGuideView::Place() {
  const QScreen* screen = m_main->screen();
  if (screen == nullptr) return;
  // The frame's margins (a title bar) are the window manager's: the rectangle
  // placed is the whole frame, the widget's own size what is left of it.
  const QSize margins = frameGeometry().size() - size();
  // A fractional scale rounds the window's edges outwards: one pixel spare
  // keeps it on the screen.
  QRect area = screen->availableGeometry();
  if (screen->devicePixelRatio() != std::floor(screen->devicePixelRatio())) area.adjust(0, 0, -1, -1);
  const QRect at = PlaceGuide(m_main->frameGeometry(), area, kPreferred + margins, kSmallest + margins);
  resize(at.size() - margins);
  move(at.topLeft());
  if (onPlaced) onPlaced();
}

bool KeyboardGuideView::eventFilter(QObject* watched, QEvent* event) {
  // Docked: it follows the main window wherever that goes.
  if (watched == m_main && isVisible() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
    Place();
  return QWidget::eventFilter(watched, event);
}

void KeyboardGuideView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), palette().color(QPalette::Window));
  const BoardLayout at = LayOutBoard(size());
  DrawKeys(p, at, m_frame, m_flashKey);
  DrawFingerTags(p, at, m_frame.lit);
  // The words: progress, figures, the next key, and after a pass its sum.
  QRectF words(at.board.right() + kMargin, kMargin, width() - 3 * kMargin - 15 * at.unit,
               height() - 2 * kMargin);
  const int px = std::clamp(height() / 11, 11, 18);
  DrawLiveFigures(p, words, m_frame, px);
  DrawPassSummary(p, words, m_frame, px);
}

}  // namespace shurencho
