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

  const int margin = 6;
  // The keyboard as large as the height allows, the words in what is left.
  const double unit = std::min((width() - 150 - 3 * margin) / 15.0, (height() - 2 * margin) / 5.0);
  const double panel = width() - 3 * margin - 15 * unit;
  const QRectF board(margin, margin, 15 * unit, height() - 2 * margin);
  const QPointF origin(board.left(), board.top() + (board.height() - 5 * unit) / 2);
  const double gap = std::max(1.0, unit / 14);

  auto lit = [this](int key) {
    for (const GuideLitKey& k : m_frame.lit)
      if (k.key == key) return true;
    return false;
  };
  QFont top = DesignFont(kGothic, std::max(8, static_cast<int>(unit * 0.36)));
  QFont small = DesignFont(kGothic, std::max(7, static_cast<int>(unit * 0.26)));
  const std::span<const GuideKeyCap> keys = GuideKeyboard();
  for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
    const GuideKeyCap& k = keys[i];
    const QRectF r(origin.x() + k.x * unit + gap / 2, origin.y() + k.y * unit + gap / 2, k.w * unit - gap,
                   k.h * unit - gap);
    QPainterPath shape;
    if (k.h > 1) {
      // Enter: wide in its upper row, a quarter narrower below.
      const double step = r.left() + unit / 4;
      shape.moveTo(r.topLeft());
      shape.lineTo(r.topRight());
      shape.lineTo(r.bottomRight());
      shape.lineTo(step, r.bottom());
      shape.lineTo(step, r.top() + unit - gap);
      shape.lineTo(r.left(), r.top() + unit - gap);
      shape.closeSubpath();
    } else {
      shape.addRoundedRect(r, 3, 3);
    }
    const bool on = lit(i);
    const bool flash = i == m_flashKey;
    QColor fill = FingerColour(k.finger, on);
    if (flash) fill = kFlash;
    p.setBrush(fill);
    p.setPen(QPen(on || flash ? QColor(30, 30, 30) : QColor(150, 150, 150), on || flash ? 2.5 : 1));
    p.drawPath(shape);
    p.setPen(flash ? Qt::white : QColor(20, 20, 20));
    QFont face = top;
    face.setBold(on);
    const QString text = QString::fromUtf16(k.top);
    if (text.size() > 1) face = small;
    p.setFont(face);
    const QRectF textArea = k.h > 1 ? QRectF(r.left(), r.top(), r.width(), unit - gap) : r;
    if (m_frame.kana && k.jis != JisKey::None) {
      p.drawText(textArea.adjusted(3, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
      QFont kanaFont = top;
      kanaFont.setBold(on);
      p.setFont(kanaFont);
      p.drawText(textArea.adjusted(0, 0, -3, -1), Qt::AlignRight | Qt::AlignBottom,
                 QString(KanaOfKey(k.jis, false)));
    } else {
      p.drawText(textArea, Qt::AlignCenter, text);
    }
    if (k.bump) {
      // The bump the fingers find F and J by.
      const double w = unit * 0.3;
      p.setPen(QPen(QColor(40, 40, 40), std::max(1.5, unit / 14), Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(r.center().x() - w / 2, r.bottom() - unit * 0.14),
                 QPointF(r.center().x() + w / 2, r.bottom() - unit * 0.14));
    }
  }
  // The finger named on the keyboard itself, above the key (below in the top
  // row), so the colour is never the only sign.
  p.setFont(DesignFont(kGothic, std::max(10, static_cast<int>(unit * 0.36)), true));
  for (const GuideLitKey& k : m_frame.lit) {
    const GuideKeyCap& cap = keys[k.key];
    const QString name = FingerName(k.finger);
    const QSizeF size(p.fontMetrics().horizontalAdvance(name) + 8, p.fontMetrics().height() + 2);
    const double cx = origin.x() + (cap.x + cap.w / 2) * unit;
    const double y = cap.y >= 1 ? origin.y() + cap.y * unit - size.height() + unit * 0.15
                                : origin.y() + (cap.y + 1) * unit - unit * 0.15;
    QRectF tag(QPointF(cx - size.width() / 2, y), size);
    tag.moveLeft(std::clamp(tag.left(), board.left(), board.right() - tag.width()));
    p.setBrush(Qt::white);
    p.setPen(QPen(FingerColour(k.finger, true).darker(160), 1.5));
    p.drawRoundedRect(tag, 4, 4);
    p.setPen(QColor(20, 20, 20));
    p.drawText(tag, Qt::AlignCenter, name);
  }

  // The words: progress, figures, the next key, and after a pass its sum.
  QRectF text(board.right() + margin, margin, panel, height() - 2 * margin);
  auto line = [&](const QString& words, const QFont& font, const QColor& colour) {
    if (words.isEmpty() || text.height() <= 0) return;
    p.setFont(font);
    p.setPen(colour);
    const QRectF used = p.boundingRect(text, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, words);
    p.drawText(text, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, words);
    text.setTop(used.bottom() + 2);
  };
  const int px = std::clamp(height() / 11, 11, 18);
  const QColor ink(20, 20, 20);
  line(m_frame.progress, DesignFont(kGothic, px + 6, true), ink);
  line(m_frame.figures, DesignFont(kGothic, px), ink);
  line(m_frame.next, DesignFont(kGothic, px, true), ink);
  if (!m_frame.summary.isEmpty()) {
    line(m_frame.summary.join(QLatin1Char('\n')), DesignFont(kGothic, px - 1), ink);
    line(m_frame.advice, DesignFont(kGothic, px + 2, true), QColor(0, 100, 170));
  }
}

}  // namespace shurencho
