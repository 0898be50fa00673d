#include "drill/drill_page.h"

#include <algorithm>

#include "data/practice_data.h"
#include "history/history_recorder.h"
#include "platform/control_ids.h"
#include "text/comma_text.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

// Help for the page background, by what the learner is doing.
constexpr char kHelpTypeOnly[] = "読みをローマ字で入力してください。";
constexpr char kHelpReadingOnly[] =
    "読みをローマ字で入力してください。\r\n次の問題にいくには、ENTERキー を押して下さい。";
constexpr char kHelpWrongConfirmed[] =
    "入力ミスあり。\r\nCTRL + BS で、確定を取り消してください。\r\n正しく変換してください。";
constexpr char kHelpCandidates[] = "↑：前候補\r\nSPACE：次候補\r\nEnter/↓：選択\r\nマウスでクリック：選択";
constexpr char kHelpConversion[] =
    "1.読みを入力してください。\r\n2.変換してください。\r\n　・SPACE:変換\r\n　・F6:ひらがな変換\r\n"
    "　・F7:カタカナ変換\r\n　・F9:英数変換\r\n3.確定してください。Enterキー　を押すと確定します。\r\n"
    "4.次の問題にいくには、ENTERキー を押して下さい。";

// Trims blanks and control characters at both ends, as the box is tidied
// after a swallowed key.
QString TrimBlanks(const QString& text) {
  qsizetype b = 0;
  qsizetype e = text.size();
  while (b < e && text[b].unicode() <= u' ') ++b;
  while (e > b && text[e - 1].unicode() <= u' ') --e;
  return text.mid(b, e - b);
}

}  // namespace

DrillPage::DrillPage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {
  Edit2.onChange = [this] { Edit2Change(); };
  CheckBox1.onClick = [this] { CheckBox1Click(); };
  CheckBox4.onClick = [this] { CheckBox4Click(); };
  CheckBox2.onClick = [this] { CheckBox2Click(); };
  CheckBox5.onClick = [this] { CheckBox5Click(); };
  Button3.caption = QStringLiteral("RESET");
  Label5.font = Colour::Rgb(QColor(0, 128, 128));  // teal
  ListBox1.enabled = false;
  ListBox1.visible = false;
  CheckBox2.enabled = false;
  CheckBox2.visible = false;
}

RadioButton& DrillPage::CourseButton(int n) {
  switch (n) {
    case 1:
      return RadioButton1;
    case 2:
      return RadioButton2;
    case 4:
      return RadioButton4;
    case 5:
      return RadioButton5;
    default:
      return RadioButton3;
  }
}

Label& DrillPage::GradeLabel(int n) {
  switch (n) {
    case 1:
      return Label17;
    case 2:
      return Label18;
    case 4:
      return Label20;
    case 5:
      return Label21;
    default:
      return Label19;
  }
}

QString DrillPage::CourseTitle(int n) const {
  // A kana course typed by the kana keys is not named for romaji.
  const CourseRow* row = FindCourse(DrillCourseId(n, false));
  const QString& name =
      m_settings.CourseName(row != nullptr ? row->settingsEntry : SettingsCourse(Course::Drill3));
  return m_settings.KanaCourse(n) ? KanaInputCourseName(name) : name;
}

// ---- Start-up ----

void DrillPage::FormCreate() {
  if (m_settings.CourseNo < 0 || m_settings.CourseNo >= kCourses) m_settings.CourseNo = 2;
  const int n = m_settings.CourseNo + 1;
  for (int k = 1; k <= kCourses; ++k) CourseButton(k).enabled = true;
  CourseButton(n).enabled = false;
  m_state.ActiveItems = DealtItems(n);
  m_state.ItemCount = static_cast<int>(m_state.ActiveItems.size());
  Label5.caption = CourseTitle(n);
  DrawFirstItem();
  TakeItem();
  // Candidates of an item that is no longer current must not be taken.
  ListBox1.enabled = false;
  ListBox1.visible = false;
  ClearEdit2();
  ResetRun();
  ShowItem();
  Panel1.caption = QStringLiteral("入力");
  Panel5.caption.clear();
  for (int k = 1; k <= kCourses; ++k) ShowGrade(k - 1);
}

void DrillPage::FormShow() {
  CheckBox2.setChecked(m_settings.AutoCourse);
  CheckBox1.setChecked(m_settings.Random);
  CheckBox4.setChecked(m_settings.Viewroma);
  CheckBox5.setChecked(m_settings.WeakDrill);
}

void DrillPage::FormClose() {
  if (m_history) m_history->DrillItemDropped();
  ResetRun();
}

void DrillPage::HistoryOpened() {
  if (CheckBox5.checked() && !(m_state.RunStart > 0)) DealWeakItems();
}

CourseItemList DrillPage::ItemsHoldingUnits(const CourseItemList& items, const QStringList& units,
                                            const KanaKeyList& keys) {
  CourseItemList holding;
  if (units.isEmpty()) return holding;
  for (const CourseItem& item : items) {
    // The reading is cut into units the way the judge cuts it.
    const int length = CharCount(item.reading);
    for (int pos = 0; pos < length;) {
      const KanaUnitStep step = NextKanaUnit(keys, item.reading, length, pos);
      if (units.contains(step.unit)) {
        holding.append(item);
        break;
      }
      pos = step.position;
    }
  }
  return holding;
}

CourseItemList DrillPage::ItemsHoldingTrickyKana(const CourseItemList& items) {
  CourseItemList holding;
  for (const CourseItem& item : items) {
    if (std::any_of(item.reading.cbegin(), item.reading.cend(), IsTrickyKana)) holding.append(item);
  }
  return holding;
}

const CourseItemList& DrillPage::ItemsOfCourse(const PracticeData& data, int n) {
  const CourseRow* row = FindCourse(DrillCourseId(n, false));
  switch (row != nullptr ? row->items : CourseItems::KanaLetters) {
    case CourseItems::Letters:
      return data.alphabetLetters;
    case CourseItems::AlphabetWords:
      return data.alphabetWords;
    case CourseItems::KanaWords:
      return data.kanaWords;
    case CourseItems::ConversionWords:
      return data.conversionWords;
    case CourseItems::KanaLetters:
    case CourseItems::None:
      break;
  }
  return data.kanaLetters;
}

CourseItemList DrillPage::DealtItems(int n) const {
  if (CheckBox5.checked()) {
    const QStringList units = m_history ? m_history->WeakUnits(kWeakUnits) : QStringList();
    // Until the history knows this learner's weak units, the kana that
    // most children find hard stand in for them.
    const CourseItemList weak = units.isEmpty()
                                    ? ItemsHoldingTrickyKana(ItemsOfCourse(m_data, n))
                                    : ItemsHoldingUnits(ItemsOfCourse(m_data, n), units, m_data.kanaKeyList);
    if (!weak.isEmpty()) return weak;
  }
  return ItemsOfCourse(m_data, n);
}

// ---- Items and the run ----

void DrillPage::DrawFirstItem() {
  m_state.ItemIndex = CheckBox1.checked() ? m_platform.Random(m_state.ItemCount) : 0;
  if (m_state.ItemIndex >= m_state.ItemCount) m_state.ItemIndex = 0;
}

int DrillPage::NextItemIndex() {
  int next = CheckBox1.checked() ? m_platform.Random(m_state.ItemCount) : m_state.ItemIndex + 1;
  if (next >= m_state.ItemCount) next = 0;
  return next;
}

void DrillPage::TakeItem() {
  m_state.Item = m_state.ActiveItems.value(m_state.ItemIndex);
  ReadItem();
}

void DrillPage::ReadItem() {
  // An item left unanswered keeps its refused keys in the history.
  if (m_history) m_history->DrillItemDropped();
  DrillState& s = m_state;
  s.QuestionText = s.Item.question;
  s.Reading = s.Item.reading;
  s.PendingRomaji = DrillState::NoJudge();
  s.ReadingLength = CharCount(s.Reading);
  s.ReadPos = 0;
  s.KanaUnit.clear();
  if (s.ReadingLength > 0) {
    const KanaUnitStep step = NextKanaUnit(m_data.kanaKeyList, s.Reading, s.ReadingLength, s.ReadPos);
    s.KanaUnit = step.unit;
    s.ReadPos = step.position;
  }
  s.DoneText.clear();
  s.DoneRomaji.clear();
  s.ReadingDone = false;
  s.Confirmed = false;
  s.Converting = false;
  s.NoConversion = s.Item.noConversion;
  s.ReadingOnly = s.Item.readingOnly;
}

void DrillPage::ClearEdit2() { Edit2.setText(QString()); }

void DrillPage::ShowItem() {
  DrillState& s = m_state;
  Label1.font = Colour::Sys(s.NoConversion || s.ReadingOnly ? SysColor::WindowText : SysColor::Highlight);
  Label1.background = Colour::Sys(SysColor::BtnFace);
  Panel1.visible = !s.NoConversion;
  Label43.caption = s.QuestionText;
  s.UnitRomaji = UnitLine(s.KanaUnit);
  Label44.caption = UnitHint();
  Label44.visible = m_settings.Viewroma && s.Item.hint;
}

void DrillPage::EnterStep() {
  Panel1.caption = QStringLiteral("入力");
  m_platform.SetFocus(ids::Edit2);
}

void DrillPage::ResetRun() {
  // Items finished since the last pass ended: that pass is left, as last shown.
  if (m_passDone > 0) EndPass(RunKind::Unfinished);
  if (m_history) m_history->DrillRunDone();
  m_passDone = 0;
  m_passStart = {};
  m_pausedAt = 0;
  m_runKeys = 0;
  m_runMisses = 0;
  m_unitStart = 0;
  m_unitTimes.clear();
  m_state.RunChars = 0;
  m_state.RunElapsed = 0;
  m_state.RunStart = 0;
  Label2.caption.clear();
  Label3.caption.clear();
  Label4.caption.clear();
}

void DrillPage::ShowGrade(int courseNo) {
  GradeLabel(courseNo + 1).caption = DrillGrade(m_settings, courseNo + 1);
}

// ---- Course and options ----

void DrillPage::RadioButtonClick(int n) {
  if (m_settings.CourseNo == n - 1) {
    m_platform.SetFocus(ids::Edit2);
    return;
  }
  for (int k = 1; k <= kCourses; ++k) CourseButton(k).enabled = true;
  m_state.ActiveItems = DealtItems(n);
  m_state.ItemCount = static_cast<int>(m_state.ActiveItems.size());
  m_settings.CourseNo = n - 1;
  DrawFirstItem();
  TakeItem();
  CloseCandidates();
  ClearEdit2();
  ResetRun();
  ShowItem();
  Label5.caption = CourseTitle(n);
  EnterStep();
  CourseButton(n).enabled = false;
  m_lastPass.reset();
}

void DrillPage::RadioGroup1Click() { m_platform.SetFocus(ids::Edit2); }

void DrillPage::CheckBox1Click() {
  m_settings.Random = CheckBox1.checked();
  m_lastPass.reset();
  if (!CheckBox1.checked()) {
    m_platform.SetFocus(ids::Edit2);
    return;
  }
  m_state.ItemIndex = m_platform.Random(m_state.ItemCount);
  if (m_state.ItemIndex >= m_state.ItemCount) m_state.ItemIndex = 0;
  ShowNewOrder();
}

void DrillPage::ShowNewOrder() {
  TakeItem();
  CloseCandidates();
  ClearEdit2();
  // A run under way goes on with the new item.
  if (!(m_state.RunStart > 0)) ResetRun();
  ShowItem();
  EnterStep();
}

void DrillPage::CheckBox4Click() {
  m_settings.Viewroma = CheckBox4.checked();
  Label44.visible = CheckBox4.checked() && m_state.Item.hint;
  m_platform.SetFocus(ids::Edit2);
}

void DrillPage::CheckBox2Click() {
  m_settings.AutoCourse = CheckBox2.checked();
  m_platform.SetFocus(ids::Edit2);
}

void DrillPage::CheckBox5Click() {
  m_settings.WeakDrill = CheckBox5.checked();
  m_lastPass.reset();
  DealWeakItems();
}

void DrillPage::DealWeakItems() {
  // Dealt as a change of order is.
  m_state.ActiveItems = DealtItems(m_settings.CourseNo + 1);
  m_state.ItemCount = static_cast<int>(m_state.ActiveItems.size());
  DrawFirstItem();
  ShowNewOrder();
}

void DrillPage::Button3Click() {
  ReadItem();
  CloseCandidates();
  ClearEdit2();
  ResetRun();
  ShowItem();
  EnterStep();
  m_lastPass.reset();
}

void DrillPage::RomajiGuideClick(int guide) {
  m_settings.RomajiGuide = guide;
  m_lastPass.reset();
  m_settings.RomajiGuideChosen = true;
  // The unit being typed is judged and hinted in the new way from its next
  // key; romaji typed for it that the new way does not take is dropped.
  DrillState& s = m_state;
  s.UnitRomaji = UnitLine(s.KanaUnit);
  if (!s.ReadingDone && !s.PendingIsNoJudge() && MatchUnit(s.PendingRomaji) != 0) {
    s.PendingRomaji = DrillState::NoJudge();
    Edit2.setText(QString());
  }
  if (!s.ReadingDone) Label44.caption = UnitHint();
  m_platform.SetFocus(ids::Edit2);
}

void DrillPage::KanaInputClick(bool on) {
  m_settings.KanaInput = on;
  m_settings.KanaInputChosen = true;
  m_lastPass.reset();
  for (int k = 1; k <= kCourses; ++k) ShowGrade(k - 1);
  Label5.caption = CourseTitle(m_settings.CourseNo + 1);
  // The item starts again under the new judge, and a run under way ends so
  // that no speed is measured half in romaji, half in kana.
  if (m_settings.CourseNo + 1 >= 3) {
    Button3Click();
  } else {
    m_platform.SetFocus(ids::Edit2);
  }
}

void DrillPage::Label43Click() {
  if (m_state.Item.showsReading) m_platform.ShowInformation(m_state.Reading);
}

void DrillPage::TabSheet1MouseDown() {
  const DrillState& s = m_state;
  const char* text = kHelpConversion;
  if (s.Item.noConversion) {
    text = kHelpTypeOnly;
  } else if (s.Item.readingOnly) {
    text = kHelpReadingOnly;
  } else if (s.Confirmed && s.DoneText != s.QuestionText) {
    text = kHelpWrongConfirmed;
  } else if (ListBox1.visible) {
    text = kHelpCandidates;
  }
  QString help = QString::fromUtf8(text);
  if (KanaMode()) help.replace(QStringLiteral("ローマ字で"), QStringLiteral("かなキーで"));
  m_platform.ShowInformation(help);
}

// ---- The romaji judge ----

QStringList DrillPage::UnitLine(const QString& unit) const {
  if (KanaMode()) {
    // A character without a kana key (a letter, a digit) is typed as itself.
    const QString keys = KanaKeyTops(unit);
    return {unit, keys.isEmpty() ? unit : keys};
  }
  if (Guide() == Notation::Table) return KanaUnitLine(m_data.kanaRomaTable, m_data.kanaKeyList, unit);
  return QStringList{unit} + Spellings().Forms(unit);
}

RomajiNotation DrillPage::Spellings() const { return {m_data.kanaRomaTable, m_data.kanaKeyList}; }

GuideMatch DrillPage::JudgeUnit(const QString& typed) const {
  if (KanaMode()) {
    const QString keys = m_state.UnitRomaji.value(1);
    if (typed == keys) return GuideMatch::Complete;
    return !typed.isEmpty() && keys.startsWith(typed) ? GuideMatch::Begun : GuideMatch::Refused;
  }
  if (Guide() != Notation::Table) return Spellings().Match(m_state.KanaUnit, UpcomingUnit(1), typed);
  switch (MatchRomaji(m_data.kanaRomaTable, m_data.kanaKeyList, m_state.KanaUnit, typed)) {
    case 1:
      return GuideMatch::Complete;
    case 0:
      return GuideMatch::Begun;
    default:
      return GuideMatch::Refused;
  }
}

int DrillPage::MatchUnit(const QString& typed) const {
  switch (JudgeUnit(typed)) {
    case GuideMatch::Complete:
      return 1;
    case GuideMatch::Begun:
      return 0;
    default:
      return -1;
  }
}

QString DrillPage::UpcomingUnit(int ahead) const {
  const DrillState& s = m_state;
  KanaUnitStep step{s.KanaUnit, s.ReadPos};
  for (int k = 0; k < ahead; ++k) {
    if (step.position >= s.ReadingLength) return {};
    step = NextKanaUnit(m_data.kanaKeyList, s.Reading, s.ReadingLength, step.position);
  }
  return step.unit;
}

QString DrillPage::UnitHint() const {
  const DrillState& s = m_state;
  if (KanaMode()) {
    QString keys;
    for (const QChar key : s.UnitRomaji.value(1)) keys += QStringLiteral("「%1」").arg(key);
    return keys;
  }
  const Notation guide = Guide();
  if (guide == Notation::Table) return s.UnitRomaji.value(1);
  const RomajiNotation spellings = Spellings();
  const QString typed = s.PendingShown();
  const QString next = UpcomingUnit(1);
  const QString plan = spellings.Plan(guide, s.KanaUnit, next, typed);
  // ん typed as n, or っ as a consonant, is complete once the next unit's
  // first letter comes: the hint goes on to that unit.
  if (!typed.isEmpty() && plan == typed && spellings.Match(s.KanaUnit, next, typed) == GuideMatch::Begun) {
    return spellings.Plan(guide, next, UpcomingUnit(2), QString());
  }
  return plan;
}

void DrillPage::Edit2KeyPress(QChar& key) {
  m_state.PendingRomaji = Edit2.text();
  // The space that ends a conversion key is taken out again by the judge.
  if (m_state.ReadingDone && key == QLatin1Char(' ')) m_state.PendingRomaji = DrillState::NoJudge();
}

bool DrillPage::Edit2Key(int code, ShiftState shift, QChar character, JisKey position) {
  if (code == vk::Return) {
    Button1Click();
    return false;
  }
  Edit2KeyDown(code, shift);
  if (code == 0) return false;
  if (character.isNull()) return true;
  if (KanaKey(shift, character, position)) return false;
  Edit2KeyPress(character);
  return !character.isNull();
}

bool DrillPage::KanaKey(ShiftState shift, QChar character, JisKey position) {
  const DrillState& s = m_state;
  if (!KanaMode() || s.ReadingDone || character == u'\b') return false;
  // A unit of letters or digits is typed by what its keys give.
  if (KanaKeyTops(s.KanaUnit).isEmpty()) return false;
  QChar kana = KanaOfKey(position, (shift & ssShift) != 0);
  if (kana.isNull()) {
    // A key off the kana keys, or text an input method sent without a key.
    ++m_refusals;
    m_lastRefused = QString(character);
    m_platform.Beep();
    return true;
  }
  Edit2KeyPress(kana);
  Edit2.setText(Edit2.text() + kana);
  return true;
}

bool DrillPage::ListBox1Key(int code, ShiftState shift) {
  if (code == vk::Return) {
    Button1Click();
    return false;
  }
  ListBox1KeyDown(code, shift);
  return code != 0;
}

void DrillPage::Edit2Change() {
  DrillState& s = m_state;
  if (!(s.RunStart > 0)) s.RunStart = m_platform.Now();
  if (!(m_unitStart > 0)) m_unitStart = s.RunStart;
  if (s.PendingIsNoJudge()) {
    if (s.ReadingDone) {
      s.PendingRomaji = DrillState::NoJudge();
      Edit2.setText(TrimBlanks(Edit2.text()));
    }
  } else {
    const QString typed = Edit2.text();
    const GuideMatch m = JudgeUnit(typed);
    RecordKey(typed, m == GuideMatch::Refused);
    if (m == GuideMatch::Refused) {
      m_platform.Beep();
      Edit2.setText(s.PendingShown());
    } else if (m == GuideMatch::Begun) {
      if (s.ReadingDone) {
        s.PendingRomaji = DrillState::NoJudge();
        Edit2.setText(QString());
      } else {
        s.PendingRomaji = typed;
      }
    } else if (m == GuideMatch::Complete) {
      UnitComplete(typed);
    } else {
      CarryOver(typed);
    }
  }
  Label1.caption = s.DoneText + s.PendingShown();
  // A notation's hint is planned afresh from every key the learner types.
  if (Guide() != Notation::Table && !s.ReadingDone) Label44.caption = UnitHint();
}

void DrillPage::CarryOver(const QString& typed) {
  const QString carried = typed.right(1);
  UnitComplete(typed.chopped(1));  // units remain: the next is current, the box empty
  // The last letter stands in the box as the next unit's first, not judged again.
  Edit2.setText(carried);
  m_state.PendingRomaji = carried;
}

void DrillPage::RecordKey(const QString& typed, bool refused) {
  const DrillState& s = m_state;
  const QString before = s.PendingShown();
  // Only a key that adds to the unit's romaji is a key typed: the box put
  // back after a refusal, or shortened by Backspace, is not. Keys after the
  // reading belong to the conversion, which is not judged by unit.
  if (s.ReadingDone || typed.size() <= before.size()) return;
  ++m_runKeys;
  if (!refused) {
    if (m_history) m_history->DrillKey();
    return;
  }
  ++m_runMisses;
  ++m_refusals;
  m_lastRefused = typed.mid(before.size()).toLower();
  if (!m_history) return;
  // The key that would have been taken: the next letter of every form that
  // the romaji so far begins, when they all agree.
  QString expected;
  bool agreed = true;
  for (qsizetype i = 1; i < s.UnitRomaji.size() && agreed; ++i) {
    const QString& form = s.UnitRomaji.at(i);
    if (form.size() <= before.size() || !form.startsWith(before, Qt::CaseInsensitive)) continue;
    const QString next = form.mid(before.size(), 1).toLower();
    if (expected.isEmpty()) {
      expected = next;
    } else if (expected != next) {
      agreed = false;
    }
  }
  m_history->DrillMiss(HistoryCourse(), s.KanaUnit, before, typed.mid(before.size()).toLower(),
                       agreed ? expected : QString());
}

void DrillPage::UnitComplete(const QString& typed) {
  DrillState& s = m_state;
  if (!s.ReadingDone) UnitTimed(s.KanaUnit);
  if (s.ReadPos < s.ReadingLength) {
    s.DoneText += s.KanaUnit;
    s.DoneRomaji += typed;
    const KanaUnitStep step = NextKanaUnit(m_data.kanaKeyList, s.Reading, s.ReadingLength, s.ReadPos);
    s.KanaUnit = step.unit;
    s.ReadPos = step.position;
    s.UnitRomaji = UnitLine(s.KanaUnit);
    s.PendingRomaji = DrillState::NoJudge();
    Label44.caption = UnitHint();
    Edit2.setText(QString());
  } else if (s.ReadingDone) {
    s.PendingRomaji = DrillState::NoJudge();
    Edit2.setText(QString());
  } else if (s.NoConversion) {
    CompleteItem();
  } else {
    s.ReadingDone = true;
    Label44.visible = false;
    s.DoneText += s.KanaUnit;
    s.DoneRomaji += typed;
    s.PendingRomaji = DrillState::NoJudge();
    Edit2.setText(QString());
    if (s.DoneText != s.QuestionText) {
      Panel1.caption = QStringLiteral("変換");
    } else {
      Panel1.caption = s.ReadingOnly ? QStringLiteral("次へ") : QStringLiteral("確定");
    }
  }
}

// ---- Answer and advance ----

void DrillPage::Button1Click() {
  DrillState& s = m_state;
  if (ListBox1.enabled) {
    TakeCandidate();
  } else if (!s.ReadingDone || s.NoConversion) {
    // Enter in the middle of a reading skips nothing.
    const int r = MatchUnit(Edit2.text());
    if (r == 1) {
      s.PendingRomaji = DrillState::NoJudge();
      Edit2.setText(QString());
    } else if (r < 0) {
      Label1.caption = s.DoneText + s.PendingShown();
      Edit2.setText(s.PendingShown());
    }
  } else if (!s.ReadingOnly && !s.Confirmed) {
    Confirm();
  } else if (s.QuestionText != s.DoneText) {
    m_platform.Beep();
    Panel1.caption = QStringLiteral("取消");
  } else {
    CompleteItem();
  }
}

void DrillPage::CompleteItem() {
  DrillState& s = m_state;
  if (s.RunStart > 0) {
    s.RunEnd = m_platform.Now();
    s.RunChars += CharCount(s.Item.question);
    s.RunElapsed = s.RunEnd - s.RunStart;
    const MeasuredRun run = s.Run();
    const int speed = run.CharsPerMinute();
    Label3.caption = QString::number(s.RunChars) + QStringLiteral("　字");
    Label4.caption = run.TimeText();
    Label2.caption = QString::number(speed) + QStringLiteral("　字／分");
    // Only a run of at least the warm-up time replaces the stored speed.
    const bool stored = run.ReachesWarmup(m_settings.warmup);
    if (stored) m_settings.SetDrillSpeed(m_settings.CourseNo + 1, speed);
    if (m_history) {
      m_history->DrillItemDone(HistoryCourse(), s.Item.question, CharCount(s.Reading));
      m_history->DrillRunMeasured(HistoryCourse(), PassRun());
    }
    CountPassItem();
  } else {
    s.RunStart = m_platform.Now();
    if (m_history) m_history->DrillItemDone(HistoryCourse(), s.Item.question, CharCount(s.Reading));
  }
  s.ItemIndex = NextItemIndex();
  TakeItem();
  ShowItem();
  EnterStep();
  if (m_settings.CourseNo >= 0 && m_settings.CourseNo < kCourses) ShowGrade(m_settings.CourseNo);
  Edit2.setText(s.PendingShown());
}

}  // namespace shurencho

namespace shurencho {

// ---- Passes ----

int DrillPage::PassLength() const {
  return std::max(1, std::min(m_settings.GuidePassItems, m_state.ItemCount));
}

MeasuredRun DrillPage::PassRun() const {
  const DrillState& s = m_state;
  if (!(s.RunStart > 0)) return MeasuredRun{};
  return MeasuredRun{s.RunStart + m_passStart.elapsed, s.RunElapsed - m_passStart.elapsed,
                     s.RunChars - m_passStart.chars, m_runKeys - m_passStart.keys,
                     m_runMisses - m_passStart.misses};
}

DrillPage::PassStatus DrillPage::Pass() const {
  const MeasuredRun run = PassRun();
  return PassStatus{m_passDone,
                    PassLength(),
                    static_cast<int>(run.characters),
                    SecondsBetween(0, run.elapsed),
                    run.characters > 0 ? run.CharsPerMinute() : 0,
                    static_cast<int>(run.keystrokes),
                    static_cast<int>(run.misses)};
}

void DrillPage::CountPassItem() {
  if (++m_passDone < PassLength()) return;
  // A pass shorter than the warm-up is too short to grade fairly.
  EndPass(PassRun().ReachesWarmup(m_settings.warmup) ? RunKind::Graded : RunKind::Ungraded);
}

void DrillPage::EndPass(RunKind kind) {
  const MeasuredRun run = PassRun();
  QString mark = UngradedMark();
  if (kind == RunKind::Graded)
    mark = CourseSpeedGrade(m_settings, m_settings.CourseNo + 1, run.CharsPerMinute());
  if (kind == RunKind::Unfinished) mark = UnfinishedMark();
  if (m_history) m_history->DrillPassDone(mark);
  QList<QPair<double, QString>> means;
  for (auto it = m_unitTimes.cbegin(); it != m_unitTimes.cend(); ++it) {
    means.append({it->seconds / it->count, it.key()});
  }
  std::sort(means.begin(), means.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  });
  QStringList slowest;
  for (qsizetype i = 0; i < means.size() && i < 2; ++i) slowest.append(means.at(i).second);
  m_lastPass = PassSummary{HistoryCourse(),
                           static_cast<int>(run.characters),
                           SecondsBetween(0, run.elapsed),
                           run.CharsPerMinute(),
                           mark,
                           kind,
                           slowest,
                           static_cast<int>(run.keystrokes),
                           static_cast<int>(run.misses),
                           static_cast<int>(SecondsBetween(0, m_settings.warmup))};
  m_passDone = 0;
  m_passStart = {m_state.RunChars, m_state.RunElapsed, m_runKeys, m_runMisses};
  m_unitTimes.clear();
}

void DrillPage::Edit2Exit() {
  if (m_unitStart > 0 && !(m_pausedAt > 0)) m_pausedAt = m_platform.Now();
}

void DrillPage::Edit2Enter() {
  if (!(m_pausedAt > 0)) return;
  // The unit's clock stood still while the learner was elsewhere.
  if (m_unitStart > 0) m_unitStart += std::max(0.0, m_platform.Now() - m_pausedAt);
  m_pausedAt = 0;
}

void DrillPage::UnitTimed(const QString& unit) {
  const ClockTime now = m_platform.Now();
  if (m_unitStart > 0 && !unit.isEmpty()) {
    UnitTime& t = m_unitTimes[unit];
    t.seconds += SecondsBetween(m_unitStart, now);
    ++t.count;
  }
  m_unitStart = now;
  if (m_pausedAt > 0) m_pausedAt = now;
}

QString DrillPage::NextKeyText() const {
  const DrillState& s = m_state;
  if (s.ReadingDone || s.KanaUnit.isEmpty()) return {};
  const QString typed = s.PendingShown();
  if (KanaMode()) return s.UnitRomaji.value(1).mid(typed.size(), 1);
  if (Guide() != Notation::Table) {
    // The hint spells the unit whole, or the next unit once this one only
    // waits for the next unit's first letter.
    const QString hint = UnitHint();
    if (hint.size() > typed.size() && hint.startsWith(typed, Qt::CaseInsensitive)) {
      return hint.mid(typed.size(), 1).toLower();
    }
    return hint.left(1).toLower();
  }
  for (qsizetype i = 1; i < s.UnitRomaji.size(); ++i) {
    const QString& form = s.UnitRomaji.at(i);
    if (form.size() > typed.size() && form.startsWith(typed, Qt::CaseInsensitive)) {
      return form.mid(typed.size(), 1).toLower();
    }
  }
  return {};
}

}  // namespace shurencho
