#pragma once
// Fonts and colours of the window design, shared by the views.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

#include "platform/controls.h"

class QLabel;

namespace shurencho {

inline const char* const kGothic = "ＭＳ ゴシック";
inline const char* const kMincho = "ＭＳ 明朝";

// Maps the design's font names to the IPA fonts; call once at start-up.
void InstallFontSubstitutes();
// A design font at a pixel size.
QFont DesignFont(const char* family, int pixelSize, bool bold = false);
// The colour a Colour stands for in the given palette.
QColor Resolve(const Colour& colour, const QPalette& palette);
void SetBackground(QWidget* w, const QColor& c);
// Copies a label model (caption as plain text, colours, visibility, enabled) into a QLabel.
void RenderLabel(QLabel* widget, const Label& model);

// The program's texts break lines with CR LF; Qt's widgets with LF.
QString ToWidgetText(const QString& text);
QString FromWidgetText(const QString& text);

}  // namespace shurencho
