#pragma once
// Fonts and colours of the window design, shared by the views.

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>
#include <functional>

#include "platform/controls.h"

class QLabel;
class QMenu;

namespace shurencho {

inline const char* const kGothic = "ＭＳ ゴシック";
inline const char* const kMincho = "ＭＳ 明朝";

// Maps the design's font names to the IPA fonts, and makes the gothic the
// program's default font at the desktop's size: every text it shows is
// Japanese, so a Latin default font would only be loaded to fall back from.
// Call once at start-up, before any widget is made.
void InstallFontSubstitutes();
// Sets the desktop's style with two changes that keep the first window from
// reading image files, since reading one by name loads every image plugin:
// the menu bar's overflow icon is read when first drawn, and a group box's
// frame is drawn, not stretched from a picture. Call once, before any
// widget is made.
void InstallDesktopStyle();
// A design font at a pixel size: the IPA font that stands in for it (once
// InstallFontSubstitutes has run), unhinted.
QFont DesignFont(const char* family, int pixelSize, bool bold = false);
// Sets every font in a window of our own to its design size times
// percent / 100 (100, 125, 150), the design size being what each widget had
// before the first call. The layouts then lay the window out again.
void ScaleFonts(QWidget* window, int percent);
// A window grown by larger text: as large as its layout needs, no larger
// than its screen's free area, and moved wholly into it.
void KeepOnScreen(QWidget* window);
// The colour a Colour stands for in the given palette.
QColor Resolve(const Colour& colour, const QPalette& palette);
void SetBackground(QWidget* w, const QColor& c);
// Copies a label model (caption as plain text, colours, visibility, enabled) into a QLabel.
void RenderLabel(QLabel* widget, const Label& model);

// Makes a menu's items, by `fill`, when the menu first opens: most lessons
// never open most menus, and their items and submenus would be kept from the
// start. Handlers that fill connects to the menu's aboutToShow hear that
// first opening too.
void FillOnFirstOpen(QMenu* menu, std::function<void()> fill);

// The program's texts break lines with CR LF; Qt's widgets with LF.
QString ToWidgetText(const QString& text);
QString FromWidgetText(const QString& text);

}  // namespace shurencho
