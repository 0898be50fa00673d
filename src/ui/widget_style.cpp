#include "ui/widget_style.h"

#include <QLabel>

namespace shurencho {

void InstallFontSubstitutes() {
  QFont::insertSubstitution(QString::fromUtf8(kGothic), QStringLiteral("IPAGothic"));
  QFont::insertSubstitution(QString::fromUtf8(kMincho), QStringLiteral("IPAMincho"));
}

QFont DesignFont(const char* family, int pixelSize, bool bold) {
  QFont f(QString::fromUtf8(family));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
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

}  // namespace shurencho
