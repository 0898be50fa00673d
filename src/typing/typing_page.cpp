#include "typing/typing_page.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cmath>

#include "history/history_recorder.h"
#include "platform/control_ids.h"
#include "platform/data_dirs.h"
#include "typing/practice_text.h"

namespace shurencho {

namespace typing_texts {
QString Welcome() { return QStringLiteral("”読み込み”ボタンを押して実践にチャレンジ！"); }
QString Ready() { return QStringLiteral("打つべし！打つべし！打つべし！"); }
QString Cheat() { return QStringLiteral("こら～！、ずるはいかんよ、ずるは！"); }
QString TooShort() { return QStringLiteral("３０秒未満、計測不能！"); }
QString Poor() { return QStringLiteral("かんばしくないの～。再挑戦してくれたまえ！"); }
QString Good() { return QStringLiteral("よしよし！これなら、世に出ても問題なかろう！"); }
QString Excellent() { return QStringLiteral("すんばらし～ん！いうことなし！"); }
}  // namespace typing_texts

namespace {

bool SameUnit(char16_t a, char16_t b) {
  if (a == b) return true;
  // Only the ASCII letters match in either case.
  const char16_t la = a | 0x20;
  return la == (b | 0x20) && la >= u'a' && la <= u'z';
}

// Length of the longest common prefix of the practice text and the typed
// text. A character matched only in its first half is not counted.
int MatchLength(const QString& practice, const QString& typed) {
  const qsizetype n = std::min(practice.size(), typed.size());
  const QChar* t = practice.constData();
  const QChar* u = typed.constData();
  qsizetype i = 0;
  while (i < n && SameUnit(t[i].unicode(), u[i].unicode())) ++i;
  if (i > 0 && t[i - 1].isHighSurrogate()) --i;
  return static_cast<int>(i);
}

}  // namespace

TypingPage::TypingPage(AppSettings& settings, const PracticeData& /*data*/, Platform& platform)
    : m_settings(settings), m_platform(platform) {
  RichEdit2.visible = false;
  Button4.caption = QStringLiteral("読み込み");
  Label11.caption = QStringLiteral("総字数");
  Label12.caption = QStringLiteral("字数");
  Label13.caption = QStringLiteral("経過時間");
  Label14.caption = QStringLiteral("速度");
  for (Label* box : {&Label6, &Label7, &Label8, &Label9, &Label10}) box->background = Colour::Rgb(Qt::white);
}

void TypingPage::FormCreate() {
  LeaveRun();
  Label6.caption.clear();
  TypingRun = {};
  m_shownSeconds = 0;
  for (Label* box : {&Label7, &Label8, &Label9, &Label10}) box->caption.clear();
  RichEdit1.Clear();
  RichEdit2.Clear();
  Memo2.ClearFromCode();
  // Back to "no text": the box stays closed until a text is loaded.
  Memo2.readOnly = true;
  Label22.caption = typing_texts::Welcome();
}

void TypingPage::Button4Click() {
  FileDialogRequest request;
  request.title = QStringLiteral("開く");
  request.filter = QStringLiteral("Text (*.txt)|*.txt|ALL files (*.*)|*.*");
  request.defaultExt = QStringLiteral("txt");
  if (m_lastFolder.isEmpty()) {
    // The first load opens on the shipped practice texts, so a new learner
    // finds something to type.
    const QString texts = PracticeTextFolder(m_platform.ProgramPath());
    request.initialDir = texts.isEmpty() ? QFileInfo(m_platform.ProgramPath()).absolutePath() : texts;
  } else {
    request.initialDir = m_lastFolder;
  }
  const std::optional<QString> chosen = m_platform.OpenFileDialog(request);
  if (!chosen) {
    m_platform.SetFocus(ids::Memo2);
    return;
  }
  const QFileInfo file(*chosen);
  m_lastFolder = file.absolutePath();
  // Read before touching the panes: a file that cannot be read leaves the
  // text being practised where it was.
  RichText content = LoadPracticeText(*chosen);
  LeaveRun();

  RichEdit1.Load(content);
  RichEdit2.Load(std::move(content));
  Memo2.ClearFromCode();
  Label6.caption = file.fileName();
  Label7.caption = QString::number(RichEdit1.CharsBefore(static_cast<int>(RichEdit1.text().size())));
  Memo2.readOnly = false;
  TypingRun = {};
  m_shownSeconds = 0;
  for (Label* box : {&Label8, &Label9, &Label10}) box->caption.clear();
  Label22.caption = typing_texts::Ready();
  m_platform.SetFocus(ids::Memo2);
}

void TypingPage::Memo2UserEdit(const QString& typed) {
  // A closed box takes no input; anything that slips through is not an edit.
  if (Memo2.readOnly) return;
  Memo2.text = typed;
  Memo2Change();
}

void TypingPage::Memo2Change() {
  const QString& practice = RichEdit1.text();
  const int matched = MatchLength(practice, Memo2.text);
  if (m_history) m_history->TypingEdit(static_cast<int>(Memo2.text.size()), matched);

  RichEdit1.MoveHighlightTo(matched);
  TypingRun.MatchedChars = RichEdit2.CharsBefore(matched);
  Label8.caption = QString::number(TypingRun.MatchedChars);

  // Keep the caret's line at line R of the pane (the third with the design size).
  const int keepAt = RichEdit1.VisibleLines() / 2 - 1;
  RichEdit1.LineScroll(RichEdit1.LineFromChar(RichEdit1.caret()) - RichEdit1.FirstVisibleLine() - keepAt);

  if (TypingRun.TypingStart == 0) {
    TypingRun.TypingStart = m_platform.Now();
  } else {
    MeasureTime();
  }

  if (matched == practice.size() && Memo2.text.size() == practice.size()) Complete();
}

void TypingPage::MeasureTime() {
  TypingRun.TypingNow = m_platform.Now();
  TypingRun.TypingElapsed = TypingRun.TypingNow - TypingRun.TypingStart;
  const MeasuredRun run = Run();
  m_shownSeconds = run.Seconds();
  Label10.caption = run.TimeText();
  const int speed = run.CharsPerMinute();
  Label9.caption = QString::number(speed) + QStringLiteral("　字／分");
  if (run.ReachesWarmup(m_settings.warmup))
    m_settings.SetRecordedSpeed(SettingsCourse(Course::Practice), speed);
}

MeasuredRun TypingPage::Run() const {
  return MeasuredRun{TypingRun.TypingStart, TypingRun.TypingElapsed, TypingRun.MatchedChars, 0, 0};
}

void TypingPage::Complete() {
  Memo2.readOnly = true;
  if (Label10.caption.isEmpty()) {
    // Done in one edit: nothing was measured, so nothing is recorded.
    Label22.caption = typing_texts::Cheat();
    if (m_history)
      m_history->TypingRunDone(Label6.caption, MeasuredRun{0, 0, TypingRun.MatchedChars, 0, 0},
                               UngradedMark());
  } else if (Run().ExceedsWarmup(m_settings.warmup)) {
    // The verdict follows the grade of the speed just stored.
    switch (CourseLevel(m_settings, SettingsCourse(Course::Practice))) {
      case Grade::Poor:
        Label22.caption = typing_texts::Poor();
        break;
      case Grade::Good:
        Label22.caption = typing_texts::Good();
        break;
      case Grade::Excellent:
        Label22.caption = typing_texts::Excellent();
        break;
    }
    if (m_history)
      m_history->TypingRunDone(Label6.caption, Run(),
                               CourseGrade(m_settings, SettingsCourse(Course::Practice)));
  } else {
    Label22.caption = typing_texts::TooShort();
    if (m_history) m_history->TypingRunDone(Label6.caption, Run(), UngradedMark());
  }
}

void TypingPage::Memo2KeyPress() {
  if (Memo2.readOnly) m_platform.Beep();
}

}  // namespace shurencho

namespace shurencho {

void TypingPage::FormClose() { LeaveRun(); }

void TypingPage::LeaveRun() {
  if (!m_history) return;
  // A run the page measured and did not finish is kept as 途中.
  if (!Memo2.readOnly && !Label10.caption.isEmpty()) {
    m_history->TypingRunLeft(Label6.caption, Run());
  } else {
    m_history->TypingRunDropped();
  }
}

}  // namespace shurencho
