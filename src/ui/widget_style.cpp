#include "ui/widget_style.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QIconEngine>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmapCache>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOption>
#include <algorithm>
#include <cmath>
#include <memory>

namespace shurencho {

namespace {

// A design font as this desktop has it. The design names fonts that Linux
// desktops lack; naming one sends the toolkit through the whole font
// configuration for fallbacks, once for each script of a text, before it
// takes the stand-in, so the stand-in is named directly.
QStringList DesignFamilies(const char* family) {
  const QString name = QString::fromUtf8(family);
  const QStringList standIns = QFont::substitutes(name);
  return standIns.isEmpty() ? QStringList{name} : standIns;
}

// The IPA outlines look the same at our sizes with or without hinting, and
// hinting every glyph the first time it is measured costs the start-up
// several milliseconds, so the design fonts are not hinted.
void DropHinting(QFont& font) { font.setHintingPreference(QFont::PreferNoHinting); }

}  // namespace

void InstallFontSubstitutes() {
  QFont::insertSubstitution(QString::fromUtf8(kGothic), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QString::fromUtf8(kMincho), QStringLiteral("IPAMincho"));
  QFont font = QApplication::font();
  font.setFamilies(DesignFamilies(kGothic));
  DropHinting(font);
  QApplication::setFont(font);
}

namespace {

// A standard icon of the style, asked for when it is first drawn.
class LateStandardIcon final : public QIconEngine {
 public:
  LateStandardIcon(const QStyle* style, QStyle::StandardPixmap which) : m_style(style), m_which(which) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    icon().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return icon().pixmap(size, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return icon().actualSize(size, mode, state);
  }
  QIconEngine* clone() const override { return new LateStandardIcon(m_style, m_which); }

 private:
  QIcon& icon() {
    if (m_icon.isNull()) m_icon = m_style->standardIcon(m_which);
    return m_icon;
  }
  const QStyle* m_style;
  QStyle::StandardPixmap m_which;
  QIcon m_icon;
};

bool IsFusion(const QStyle* style) {
  return style->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0;
}

// Fusion's check mark, the same two strokes in the same place, filled as a
// polygon: the style strokes it with a pen one and a half pixels wide, and
// that alone brings the toolkit's stroker and the maths library's
// trigonometry into the first paint of every start.
void DrawCheckMark(QPainter* painter, const QStyleOption* option) {
  const QRectF box = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
  const double side = box.height();
  const double scale = option->fontMetrics.fontDpi() / 96.0;
  const double pad = 1 + box.width() * 0.13;
  const double half = std::clamp(1.5 * scale, 0.13 * side, 0.20 * side) / 2;
  const QPointF shift = box.topLeft() + QPointF(-0.8 * scale, 0.5 * scale);
  const QPointF a = shift + QPointF(pad + side * 0.11, side * 0.47);
  const QPointF b = shift + QPointF(side * 0.5, side - pad);
  const QPointF c = shift + QPointF(side - pad, pad);
  const auto unit = [](QPointF v) { return v / std::sqrt(QPointF::dotProduct(v, v)); };
  const auto normal = [](QPointF d) { return QPointF(d.y(), -d.x()); };
  const auto cross = [](QPointF u, QPointF v) { return u.x() * v.y() - u.y() * v.x(); };
  const QPointF d1 = unit(b - a);
  const QPointF d2 = unit(c - b);
  const QPointF n1 = normal(d1) * half;
  const QPointF n2 = normal(d2) * half;
  // Where the two edges of one side (1 or -1) meet under the turn.
  const auto corner = [&](double sign) {
    const QPointF from = a + n1 * sign;
    const double t = cross(b + n2 * sign - from, d2) / cross(d1, d2);
    return from + d1 * t;
  };
  // Square ends, as the pen has them.
  const QPointF start = a - d1 * half;
  const QPointF end = c + d2 * half;
  const QPointF mark[] = {start + n1, corner(1), end + n2, end - n2, corner(-1), start - n1};
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setPen(Qt::NoPen);
  painter->setBrush(option->palette.text().color().darker(120));
  painter->drawPolygon(mark, 6);
  painter->restore();
}

class DesktopStyle final : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  QIcon standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const override {
    if (which == SP_ToolBarHorizontalExtensionButton) return QIcon(new LateStandardIcon(baseStyle(), which));
    return QProxyStyle::standardIcon(which, option, widget);
  }
  // Fusion's group box frame, drawn rather than stretched from the style's
  // picture of one: same place, a line in the palette's tone.
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (!IsFusion(baseStyle())) return QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element == PE_IndicatorCheckBox) return DrawCheckBox(option, painter, widget);
    if (element != PE_FrameGroupBox) return QProxyStyle::drawPrimitive(element, option, painter, widget);
    constexpr int kGap = 3;
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    const bool bare = box && !box->isCheckable() && box->title().isEmpty();
    const int top =
        bare ? kGap : qMax(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) + kGap;
    // A one-pixel line with its corner pixels left out, which reads as the
    // slightly rounded frame, drawn as four straight lines: a stroked
    // rounded rectangle costs the first paint far more.
    const QRect frame = option->rect.adjusted(0, top, -1, -1);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(option->palette.window().color().darker(135));
    painter->drawLine(frame.left() + 1, frame.top(), frame.right() - 1, frame.top());
    painter->drawLine(frame.left() + 1, frame.bottom(), frame.right() - 1, frame.bottom());
    painter->drawLine(frame.left(), frame.top() + 1, frame.left(), frame.bottom() - 1);
    painter->drawLine(frame.right(), frame.top() + 1, frame.right(), frame.bottom() - 1);
    painter->restore();
  }

 private:
  // The style's box, empty, and the check mark drawn over it.
  void DrawCheckBox(const QStyleOption* option, QPainter* painter, const QWidget* widget) const {
    const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
    if (button == nullptr || !(option->state & State_On) || (option->state & State_NoChange))
      return QProxyStyle::drawPrimitive(PE_IndicatorCheckBox, option, painter, widget);
    QStyleOptionButton box = *button;
    box.state = (box.state & ~State_On) | State_Off;
    QProxyStyle::drawPrimitive(PE_IndicatorCheckBox, &box, painter, widget);
    DrawCheckMark(painter, option);
  }
};

}  // namespace

void InstallDesktopStyle() {
  // The proxy takes the application's style as its base (and its ownership).
  QApplication::setStyle(new DesktopStyle(QApplication::style()));
  QPixmapCache::setCacheLimit(0);
}

void FillOnFirstOpen(QMenu* menu, std::function<void()> fill) {
  auto once = std::make_shared<QMetaObject::Connection>();
  *once = QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, once, fill = std::move(fill)] {
    QObject::disconnect(*once);
    fill();
    // Connected during this signal, the new items' own handlers hear it only now.
    emit menu->aboutToShow();
  });
}

QFont DesignFont(const char* family, int pixelSize, bool bold) {
  QFont f;
  f.setFamilies(DesignFamilies(family));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  DropHinting(f);
  return f;
}

QColor Resolve(const Colour& colour, const QPalette& palette) {
  switch (colour.role) {
    case SysColor::None:
      return colour.rgb;
    case SysColor::BtnFace:
      return palette.color(QPalette::Button);
    case SysColor::BtnShadow:
      return palette.color(QPalette::Mid);
    case SysColor::Highlight:
      return palette.color(QPalette::Highlight);
    case SysColor::HighlightText:
      return palette.color(QPalette::HighlightedText);
    case SysColor::WindowText:
      return palette.color(QPalette::WindowText);
    case SysColor::Window:
      return palette.color(QPalette::Base);
  }
  return {};
}

void SetBackground(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, c);
  w->setPalette(p);
  w->setAutoFillBackground(c.isValid());
}

void RenderLabel(QLabel* widget, const Label& model) {
  // Captions carry words and file names from files: shown as typed, never
  // read as markup (which could make the label load any file as a picture).
  widget->setTextFormat(Qt::PlainText);
  widget->setText(model.caption);
  widget->setVisible(model.visible);
  widget->setEnabled(model.enabled);
  const QPalette base = widget->parentWidget() ? widget->parentWidget()->palette() : QPalette();
  QPalette p = widget->palette();
  p.setColor(QPalette::WindowText,
             model.font.isSet() ? Resolve(model.font, base) : base.color(QPalette::WindowText));
  if (model.background.isSet()) p.setColor(QPalette::Window, Resolve(model.background, base));
  widget->setPalette(p);
  widget->setAutoFillBackground(model.background.isSet());
}

QString ToWidgetText(const QString& text) {
  QString t = text;
  return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString FromWidgetText(const QString& text) {
  QString t = text;
  return t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void ScaleFonts(QWidget* window, int percent) {
  static const char* const kDesignSize = "shurenchoDesignPixelSize";
  QList<QWidget*> widgets = window->findChildren<QWidget*>();
  widgets.prepend(window);
  // Every design size is read before any is changed: a child that takes
  // its parent's font would otherwise be scaled twice.
  for (QWidget* w : widgets) {
    if (!w->property(kDesignSize).isValid()) w->setProperty(kDesignSize, QFontInfo(w->font()).pixelSize());
  }
  for (QWidget* w : widgets) {
    QFont font = w->font();
    font.setPixelSize(std::max(1, (w->property(kDesignSize).toInt() * percent + 50) / 100));
    w->setFont(font);
  }
}

void KeepOnScreen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  QRect place = window->geometry();
  place.setSize(place.size().expandedTo(window->minimumSizeHint()).boundedTo(area.size()));
  place.moveLeft(std::clamp(place.left(), area.left(), area.right() + 1 - place.width()));
  place.moveTop(std::clamp(place.top(), area.top(), area.bottom() + 1 - place.height()));
  window->setGeometry(place);
}

}  // namespace shurencho
