// The conversion step of the drill: once the reading of an item is typed,
// the function keys and the candidate list build the entry that Enter
// confirms.

#include "drill/drill_page.h"

namespace {
const QString kEdit2 = QStringLiteral("Edit2");
}  // namespace

bool DrillPage::AwaitingConversion() const {
  return m_state.ReadingDone && !m_state.Confirmed && !m_state.ReadingOnly;
}

void DrillPage::Edit2KeyDown(int& key, ShiftState shift) {
  if (!AwaitingConversion()) {
    // Function keys mean nothing here; Alt+F4 still closes the window.
    if (key >= vk::F1 && key <= vk::F12 && !(key == vk::F4 && (shift & ssAlt))) {
      key = 0;
      m_platform.SetFocus(kEdit2);
    }
  }
}

void DrillPage::ListBox1KeyDown(int& /*key*/, ShiftState /*shift*/) {}

void DrillPage::ListBox1Click() {}

void DrillPage::ConversionCaption() {
  Panel1.caption = m_state.DoneText == m_state.QuestionText ? QStringLiteral("確定") : QStringLiteral("変換");
}

void DrillPage::ConfirmedCaption() {
  Panel1.caption = m_state.DoneText == m_state.QuestionText ? QStringLiteral("次へ") : QStringLiteral("取消");
}

void DrillPage::Confirm() {
  m_state.Confirmed = true;
  ConfirmedLook();
  ConfirmedCaption();
}

void DrillPage::ReadingLook() {
  Label1.font = Colour::Sys(SysColor::Highlight);
  Label1.background = Colour::Sys(SysColor::BtnFace);
}

void DrillPage::ConvertingLook() {
  Label1.font = Colour::Sys(SysColor::HighlightText);
  Label1.background = Colour::Sys(SysColor::Highlight);
}

void DrillPage::ConfirmedLook() {
  Label1.font = Colour::Sys(SysColor::WindowText);
  Label1.background = Colour::Sys(SysColor::BtnFace);
}

void DrillPage::CloseCandidates() {
  ListBox1.enabled = false;
  ListBox1.visible = false;
  m_platform.SetFocus(kEdit2);
}
