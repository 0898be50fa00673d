#pragma once
// A small model of the window controls the page logic drives. It keeps the
// toolkit behaviours the handlers rely on: setting an edit box's text from
// code runs its change handler at once (nested) when the text changes, and
// setting a check box's state from code runs its click handler when the state
// changes. Views copy these into real widgets and never decide anything.

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>

namespace shurencho {

// The system colours the design uses, resolved by the view from its palette.
enum class SysColor { None, BtnFace, BtnShadow, Highlight, HighlightText, WindowText, Window };

// A colour that is either a system colour or a fixed RGB value.
struct Colour {
  SysColor role = SysColor::None;
  QColor rgb;
  static Colour Sys(SysColor r) { return {r, {}}; }
  static Colour Rgb(QColor c) { return {SysColor::None, c}; }
  bool isSet() const { return role != SysColor::None || rgb.isValid(); }
  bool operator==(const Colour& o) const { return role == o.role && rgb == o.rgb; }
};

struct Control {
  bool visible = true;
  bool enabled = true;
};

struct Label : Control {
  QString caption;
  Colour font;        // unset: the view's default
  Colour background;  // unset: transparent
};

struct Panel : Control {
  QString caption;
};

struct Button : Control {
  QString caption;
};

struct RadioButton : Control {
  bool checked = false;
};

struct ListBox : Control {
  QStringList items;
  int itemIndex = -1;
};

// Single-line edit box: its change handler runs, nested, whenever the text
// changes, whether the user typed or the program set it.
class EditBox : public Control {
 public:
  const QString& text() const { return m_text; }
  void setText(const QString& text) {
    if (text == m_text) return;
    m_text = text;
    if (onChange) onChange();
  }
  std::function<void()> onChange;

 private:
  QString m_text;
};

// Check box: its click handler runs whenever its state changes, whether the
// user clicked it or the program set it.
class CheckBox : public Control {
 public:
  bool checked() const { return m_checked; }
  void setChecked(bool checked) {
    if (checked == m_checked) return;
    m_checked = checked;
    if (onClick) onClick();
  }
  // A click by the user toggles the state.
  void click() {
    if (enabled) setChecked(!m_checked);
  }
  std::function<void()> onClick;

 private:
  bool m_checked = false;
};

}  // namespace shurencho
