// The conversion step of the drill: once the reading of an item is typed,
// the function keys and the candidate list build the entry that Enter
// confirms.

#include "drill/drill_page.h"
#include "platform/control_ids.h"
#include "text/width_convert.h"

namespace shurencho {

namespace {}  // namespace

bool DrillPage::AwaitingConversion() const {
  return m_state.ReadingDone && !m_state.Confirmed && !m_state.ReadingOnly;
}

void DrillPage::Edit2KeyDown(int& key, ShiftState shift) {
  DrillState& s = m_state;
  if (AwaitingConversion()) {
    ConversionKey(key);
  } else if (key >= vk::F1 && key <= vk::F12 && !(key == vk::F4 && (shift & ssAlt))) {
    // Function keys mean nothing here; Alt+F4 still closes the window.
    key = 0;
    m_platform.SetFocus(ids::Edit2);
  }
  // CTRL+BS takes a confirmation back; the entry stays for more converting.
  if (s.ReadingDone && s.Confirmed && !s.ReadingOnly && key == vk::Back && (shift & ssCtrl)) {
    s.Confirmed = false;
    ConvertingLook();
    Panel1.caption = QStringLiteral("変換");
  }
}

void DrillPage::ConversionKey(int& key) {
  DrillState& s = m_state;
  switch (key) {
    case vk::Space:
      SpaceBarConverts();
      break;
    case vk::Back:
      s.Converting = false;
      ReadingLook();
      SetEntry(s.Reading);
      ConversionCaption();
      break;
    case vk::Down:
      Confirm();
      break;
    case vk::F6:
      Convert(s.Reading);
      break;
    case vk::F7:
      // Through half-width kana, hiragana comes back as katakana.
      Convert(ToFullWidth(ToHalfWidth(s.Reading)));
      break;
    case vk::F8:
      if (s.DoneText == s.Reading || s.DoneText == s.DoneRomaji || s.DoneText == ToFullWidth(s.DoneRomaji)) {
        Convert(ToHalfWidth(s.DoneText));
      } else {
        Convert(ToHalfWidth(s.Reading));  // a candidate or katakana is shown
      }
      break;
    case vk::F9:
      Convert(ToFullWidth(s.DoneRomaji));
      break;
    case vk::F10:
      key = 0;
      m_platform.SetFocus(ids::Edit2);
      Convert(s.DoneRomaji);
      break;
    default:
      break;
  }
}

void DrillPage::SpaceBarConverts() {
  DrillState& s = m_state;
  if (!s.Converting) {
    s.Converting = true;
    ConvertingLook();
    SetEntry(s.Item.candidates.value(0));
    ConversionCaption();
  } else if (s.Item.candidates.size() <= 1) {
    // One candidate: the space bar swaps it with the reading.
    SetEntry(s.DoneText == s.Item.candidates.value(0) ? s.Reading : s.Item.candidates.value(0));
    ConversionCaption();
  } else {
    OpenCandidates();
  }
}

void DrillPage::Convert(const QString& entry) {
  m_state.Converting = true;
  ConvertingLook();
  SetEntry(entry);
  ConversionCaption();
}

void DrillPage::SetEntry(const QString& entry) {
  m_state.DoneText = entry;
  Label1.caption = entry;
}

void DrillPage::ListBox1KeyDown(int& key, ShiftState /*shift*/) {
  const int last = static_cast<int>(ListBox1.items.size()) - 1;
  switch (key) {
    case vk::Space:
      if (ListBox1.itemIndex < last) {
        ++ListBox1.itemIndex;
        CandidateCaption();
      } else {
        BackToReading();
      }
      break;
    case vk::Up:
      if (ListBox1.itemIndex > 0) {
        --ListBox1.itemIndex;
        CandidateCaption();
      } else {
        BackToReading();
      }
      break;
    case vk::Left:
    case vk::Right:
      BackToReading();
      break;
    case vk::Down:
      TakeCandidate();
      break;
    case vk::Back:
      m_state.Converting = false;
      CloseCandidates();
      ReadingLook();
      SetEntry(m_state.Reading);
      ConversionCaption();
      break;
    default:
      // Function keys do nothing in the list; every other key is the list's own.
      if (key < vk::F1 || key > vk::F12) return;
      break;
  }
  key = 0;
}

void DrillPage::ListBox1Click() {
  if (ListBox1.enabled) TakeCandidate();
}

void DrillPage::OpenCandidates() {
  ListBox1.items = m_state.Item.candidates;
  ListBox1.itemIndex = 0;
  for (int i = 0; i < ListBox1.items.size(); ++i) {
    if (ListBox1.items.at(i).compare(m_state.DoneText, Qt::CaseInsensitive) == 0) {
      ListBox1.itemIndex = i;
      break;
    }
  }
  ListBox1.enabled = true;
  ListBox1.visible = true;
  m_platform.SetFocus(ids::ListBox1);
  CandidateCaption();
}

QString DrillPage::HighlightedCandidate() const {
  const int i = ListBox1.itemIndex;
  return ListBox1.items.value(i >= 0 && i < ListBox1.items.size() ? i : 0);
}

void DrillPage::CandidateCaption() {
  Panel1.caption =
      HighlightedCandidate() == m_state.QuestionText ? QStringLiteral("確定") : QStringLiteral("変換");
}

// Closes the list and shows the reading again, still converting.
void DrillPage::BackToReading() {
  CloseCandidates();
  SetEntry(m_state.Reading);
  ConversionCaption();
}

void DrillPage::TakeCandidate() {
  SetEntry(HighlightedCandidate());
  CloseCandidates();
  Confirm();
}

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
  m_platform.SetFocus(ids::Edit2);
}

}  // namespace shurencho
