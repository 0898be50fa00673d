#include "typing/typing_page.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/data_dirs.h"
#include "typing/practice_text.h"

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

const QString kMemo2 = QStringLiteral("Memo2");

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

// A span of days as milliseconds, with the clock's rounding noise removed.
qint64 Milliseconds(double days) { return std::llround(days * 86400000.0); }

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
    m_platform.SetFocus(kMemo2);
    return;
  }
  const QFileInfo file(*chosen);
  m_lastFolder = file.absolutePath();
  // Read before touching the panes: a file that cannot be read leaves the
  // text being practised where it was.
  RichText content = LoadPracticeText(*chosen);

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
  m_platform.SetFocus(kMemo2);
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
  // A clock set back during the run shows no time rather than a wrapped one.
  const qint64 ms = std::max<qint64>(0, Milliseconds(TypingRun.TypingElapsed));
  m_shownSeconds = (ms / 1000) % 86400;
  const qint64 h = m_shownSeconds / 3600;
  const qint64 m = (m_shownSeconds / 60) % 60;
  const qint64 s = m_shownSeconds % 60;
  Label10.caption = QStringLiteral("%1:%2:%3").arg(h).arg(m).arg(s);

  const qint64 chars = TypingRun.MatchedChars;
  double speed = 0;
  if (m_shownSeconds == 0) {
    speed = static_cast<double>(chars * 60);
  } else {
    speed = static_cast<double>(chars) / (static_cast<double>(h * 60 + m) + static_cast<double>(s) / 60.0);
  }
  const int shown = static_cast<int>(std::min<double>(std::trunc(speed), INT_MAX));
  Label9.caption = QString::number(shown) + QStringLiteral("　字／分");
  if (m_shownSeconds * 1000 >= Milliseconds(m_settings.warmup)) m_settings.SetRecordedSpeed(6, shown);
}

void TypingPage::Complete() {
  Memo2.readOnly = true;
  if (Label10.caption.isEmpty()) {
    Label22.caption = typing_texts::Cheat();
  } else if (m_shownSeconds * 1000 > Milliseconds(m_settings.warmup)) {
    const int speed = m_settings.RecordedSpeed(6);
    const QStringList& bounds = m_settings.CourseThresholds(6);
    const int t0 = bounds.value(0).trimmed().toInt();
    const int t1 = bounds.value(1).trimmed().toInt();
    if (speed < t0) {
      Label22.caption = typing_texts::Poor();
    } else if (speed < t1) {
      Label22.caption = typing_texts::Good();
    } else {
      Label22.caption = typing_texts::Excellent();
    }
  } else {
    Label22.caption = typing_texts::TooShort();
  }
}

void TypingPage::Memo2KeyPress() {
  if (Memo2.readOnly) m_platform.Beep();
}
