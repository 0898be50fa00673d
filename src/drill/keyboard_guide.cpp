#include "drill/keyboard_guide.h"

#include <algorithm>
#include <iterator>

#include "data/romaji_notation.h"
#include "drill/drill_page.h"
#include "measure/measured_run.h"
#include "settings/settings.h"
#include "typing/typing_page.h"

namespace shurencho {

namespace {

QString KeyLabel(const KeyCap& k, QChar c, bool kana) {
  const QString& top = k.top;
  // A kana key is named by its kana first: that is what the learner looks for.
  if (kana && k.jis != JisKey::None && !c.isNull() && c.unicode() > 0x7f)
    return QStringLiteral("%1（%2）").arg(c).arg(top);
  return top;
}

QString DurationText(double seconds) {
  const int s = std::max(0, static_cast<int>(seconds));
  if (s < 60) return QStringLiteral("%1秒").arg(s);
  return QStringLiteral("%1分%2秒").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

bool IsGoodMark(const QString& mark) { return mark == QStringLiteral("○") || mark == QStringLiteral("◎"); }

}  // namespace

GuideStep PassStep(const GuidePass& pass) {
  if (pass.keystrokes > 0 && pass.misses * 10 > pass.keystrokes)
    return {GuideStep::WeakDrill, 0, QStringLiteral("苦手練習をしよう")};
  const int course = pass.course > 10 ? pass.course - 10 : pass.course;
  if (pass.graded && IsGoodMark(pass.mark) && course >= 1 && course < DrillPage::kCourses)
    return {GuideStep::NextCourse, course + 1, QStringLiteral("次は コース%1").arg(course + 1)};
  return {GuideStep::Again, 0, QStringLiteral("もう一度")};
}

QString PassAdvice(const GuidePass& pass) { return PassStep(pass).caption; }

QStringList PassSummaryLines(const GuidePass& pass) {
  const int course = pass.course > 10 ? pass.course - 10 : pass.course;
  QStringList lines;
  lines << QStringLiteral("コース%1 おわり").arg(course);
  lines << QStringLiteral("時間 %1　%2 字／分").arg(DurationText(pass.seconds)).arg(pass.charsPerMinute);
  lines << QStringLiteral("評価 %1").arg(pass.mark.isEmpty() ? QStringLiteral("－") : pass.mark);
  if (!pass.graded && pass.finished && pass.seconds < pass.warmupSeconds)
    lines << QStringLiteral("%1より短いので計測しません").arg(DurationText(pass.warmupSeconds));
  if (!pass.slowest.isEmpty())
    lines << QStringLiteral("時間のかかった字：%1").arg(pass.slowest.join(QStringLiteral("　")));
  return lines;
}

QStringList WelcomeLines() {
  return {QStringLiteral("はじめての人へ"), QStringLiteral("ホームポジション："),
          QStringLiteral("左の人差し指を F に、右の人差し指を J に"),
          QStringLiteral("（キーの でっぱり が目じるし）"), QStringLiteral("このガイドは F3 で閉じます")};
}

GuideStep WelcomeStep() { return {GuideStep::FirstCourse, 1, QStringLiteral("コース1 から はじめよう")}; }

namespace {

// The key to press next and its finger, or the Backspace that must come first.
void LightNextKey(const KeyboardLayout& layout, const GuideFeed& feed, GuideFrame& frame) {
  const std::vector<KeyCap>& keys = layout.keys();
  if (feed.backspace) {
    const Finger finger = keys[layout.Backspace()].finger;
    frame.lit.push_back({layout.Backspace(), finger});
    frame.next << QStringLiteral("まちがいを BS で消す") << FingerName(finger);
    return;
  }
  if (!feed.shown.isEmpty()) frame.next << feed.shown;
  if (feed.next.isEmpty()) return;
  const QChar c = feed.next.front();
  const KeyStroke stroke = layout.StrokeOf(c);
  if (stroke.key < 0) return;
  const Finger finger = keys[stroke.key].finger;
  frame.lit.push_back({stroke.key, finger});
  frame.next << QStringLiteral("次のキー：%1　%2")
                    .arg(KeyLabel(keys[stroke.key], c, frame.kana), FingerName(finger));
  if (stroke.shift) {
    const int shift = layout.ShiftFor(stroke.key);
    const Finger shiftFinger = keys[shift].finger;
    frame.lit.push_back({shift, shiftFinger});
    frame.next << QStringLiteral("＋ Shift　%1").arg(FingerName(shiftFinger));
  }
}

QStringList LiveFigures(const GuideFeed& feed) {
  QString speeds = QStringLiteral("－ 字／分");
  if (feed.seconds >= kLiveFiguresAfter) {
    speeds = QStringLiteral("%1 字／分").arg(feed.charsPerMinute);
    if (feed.keysPerMinute >= 0) speeds += QStringLiteral("　%1 打鍵／分").arg(feed.keysPerMinute);
  }
  QStringList figures{speeds};
  if (feed.misses >= 0) figures << QStringLiteral("ミス %1").arg(feed.misses);
  return figures;
}

void ShowWelcome(const KeyboardLayout* layout, GuideFrame& frame) {
  frame.welcome = WelcomeLines();
  frame.step = WelcomeStep();
  frame.advice = frame.step.caption;
  if (layout == nullptr) return;
  // The home position: the two index fingers on their bumps.
  const std::vector<KeyCap>& keys = layout->keys();
  for (int i = 0; i < static_cast<int>(keys.size()); ++i) {
    if (keys[i].bump) frame.lit.push_back({i, keys[i].finger});
  }
}

}  // namespace

GuideFrame KeyboardGuide::Compose(const GuideFeed& feed, bool kana) {
  GuideFrame frame;
  frame.kana = kana;
  frame.keyboard = m_layout;
  frame.assignment = m_assignment;
  // The first start's panel goes once the learner has begun.
  if (m_welcome && feed.follows && (feed.done > 0 || feed.keystrokes > 0 || feed.pass)) m_welcome = false;
  if (m_welcome) {
    ShowWelcome(m_layout, frame);
    return frame;
  }
  if (!feed.follows) {
    frame.next << QStringLiteral("特訓と実践で、次に押すキーを案内します。");
    return frame;
  }
  if (feed.refusals >= 0) {
    if (m_refusals >= 0 && feed.refusals > m_refusals && !feed.refused.isEmpty() && m_layout != nullptr)
      frame.flash = m_layout->StrokeOf(feed.refused.back()).key;
    m_refusals = feed.refusals;
  }
  if (m_layout != nullptr) LightNextKey(*m_layout, feed, frame);
  if (feed.total > 0) frame.progress = QStringLiteral("%1／%2").arg(feed.done).arg(feed.total);
  frame.figures = LiveFigures(feed);
  SumUpPass(feed, frame);
  return frame;
}

void KeyboardGuide::SumUpPass(const GuideFeed& feed, GuideFrame& frame) {
  // The summary stays until the next pass has its first item done.
  if (!feed.pass || !feed.pass->finished || feed.done != 0) return;
  frame.summary = PassSummaryLines(*feed.pass);
  frame.step = PassStep(*feed.pass);
  frame.advice = frame.step.caption;
}

GuidePlace PlaceGuide(const QRect& mainFrame, const QRect& screen, const GuideSizes& sizes) {
  const QRect& m = mainFrame;
  const QRect& s = screen;
  // The free bands around the main window, in the order they are preferred:
  // below and above for the wide guide, right and left for the tall one.
  const int width = std::min(sizes.wide.width(), s.width());
  const int x = std::clamp(m.left(), s.left(), std::max(s.left(), s.right() + 1 - width));
  const QRect bands[] = {
      QRect(x, m.bottom() + 1, width, s.bottom() - m.bottom()),
      QRect(x, s.top(), width, m.top() - s.top()),
      QRect(m.right() + 1, s.top(), s.right() - m.right(), s.height()),
      QRect(s.left(), s.top(), m.left() - s.left(), s.height()),
  };
  auto fitted = [&](int band) {
    const QRect& b = bands[band];
    const bool tall = band >= 2;
    const QSize size = (tall ? sizes.tall : sizes.wide).boundedTo(b.size());
    int top = b.top();
    if (band == 1) top = b.bottom() + 1 - size.height();  // hugging the main window from above
    if (tall) top = std::clamp(m.top(), b.top(), b.bottom() + 1 - size.height());
    const int left = band == 3 ? b.right() + 1 - size.width() : b.left();
    return GuidePlace{QRect(QPoint(left, top), size), tall};
  };
  auto holds = [&](int band, bool smallest) {
    const bool tall = band >= 2;
    const QSize wanted =
        tall ? (smallest ? sizes.tallSmallest : sizes.tall) : (smallest ? sizes.wideSmallest : sizes.wide);
    return bands[band].width() >= wanted.width() && bands[band].height() >= wanted.height();
  };
  for (const bool smallest : {false, true}) {
    for (int band = 0; band < 4; ++band) {
      if (holds(band, smallest)) return fitted(band);
    }
  }
  // No room around the main window: the smallest wide guide at the foot of
  // the screen, whole, over the main window's lowest part.
  const QSize size = sizes.wideSmallest.boundedTo(s.size());
  return GuidePlace{QRect(QPoint(std::clamp(m.left(), s.left(), s.right() + 1 - size.width()),
                                 s.bottom() + 1 - size.height()),
                          size),
                    false};
}

GuideFeed FeedFromDrill(const DrillPage& drill) {
  GuideFeed feed;
  feed.follows = true;
  const DrillPage::PassStatus status = drill.Pass();
  feed.next = drill.NextKeyText();
  const DrillState& s = drill.state();
  if (!s.ReadingDone && s.KanaUnit != feed.next) feed.shown = s.KanaUnit;
  feed.done = status.done;
  feed.total = status.total;
  feed.seconds = status.seconds;
  feed.charsPerMinute = status.charsPerMinute;
  feed.keysPerMinute = MeasuredRun::PerMinute(status.keystrokes, static_cast<int>(status.seconds));
  feed.keystrokes = status.keystrokes;
  feed.misses = status.misses;
  feed.refusals = drill.Refusals();
  feed.refused = drill.LastRefusedKey();
  if (const auto& pass = drill.LastPass()) {
    feed.pass = GuidePass{pass->course,
                          pass->seconds,
                          pass->charsPerMinute,
                          pass->mark,
                          pass->kind == RunKind::Graded,
                          pass->kind != RunKind::Unfinished,
                          pass->slowest,
                          pass->keystrokes,
                          pass->misses,
                          pass->warmupSeconds};
  }
  return feed;
}

namespace {

bool IsKana(QChar c) { return (c >= u'ぁ' && c <= u'ゖ') || (c >= u'ァ' && c <= u'ヶ') || c == u'ー'; }

// A small ya, yu, yo or vowel that joins the kana before it.
bool JoinsBefore(QChar c) { return QStringLiteral("ゃゅょぁぃぅぇぉャュョァィゥェォ").contains(c); }

// How the learner's notation spells a kana unit for an input method; the
// table's own hint is ヘボン式 for the input method here.
QString Spell(Notation guide, const QString& unit, const QString& after) {
  const QChar c = unit.front();
  if (c == u'ー') return QStringLiteral("-");
  if (c == u'っ' || c == u'ッ') {
    // Doubled: the next unit's first consonant.
    const QString next = after.isEmpty() ? QString() : Spell(guide, after, QString());
    if (!next.isEmpty() && !QStringLiteral("aiueon").contains(next.front())) return next.left(1);
    return SmallKanaForms(u'っ').value(0);
  }
  if (c == u'ん' || c == u'ン') {
    const QString next = after.isEmpty() ? QString() : Spell(guide, after, QString());
    if (next.isEmpty() || QStringLiteral("aiueoyn").contains(next.front())) return QStringLiteral("nn");
    return QStringLiteral("n");
  }
  QString spelling = NotationSpelling(guide, unit);
  if (spelling.isEmpty() && unit.size() == 1) spelling = SmallKanaForms(c).value(0);
  return spelling;
}

}  // namespace

GuideFeed FeedFromTyping(const TypingPage& typing, const AppSettings& settings,
                         const KeyboardLayout& layout) {
  GuideFeed feed;
  feed.follows = true;
  const QString& text = typing.RichEdit1.text();
  if (text.isEmpty()) feed.shown = QStringLiteral("文章を読み込むと、次に押すキーを案内します。");
  if (typing.Memo2.readOnly || text.isEmpty()) return feed;
  const int at = typing.RichEdit1.caret();
  feed.total = typing.Label7.caption.toInt();
  feed.done = typing.TypingRun.MatchedChars;
  const TypingRunState& run = typing.TypingRun;
  if (run.TypingStart > 0) {
    const MeasuredRun measured{run.TypingStart, run.TypingElapsed, run.MatchedChars};
    feed.seconds = measured.Seconds();
    feed.charsPerMinute = measured.CharsPerMinute();
  }
  if (typing.Memo2.text.size() > at) {
    feed.backspace = true;
    return feed;
  }
  if (at >= text.size()) return feed;
  const QChar c = text.at(at);
  if (!IsKana(c)) {
    feed.next = c;
    if (layout.StrokeOf(c).key < 0) feed.shown = QStringLiteral("次の字：%1（読みを打って変換）").arg(c);
    return feed;
  }
  auto unitAt = [&text](int pos) {
    if (pos >= text.size() || !IsKana(text.at(pos))) return QString();
    const int size = pos + 1 < text.size() && JoinsBefore(text.at(pos + 1)) ? 2 : 1;
    return text.mid(pos, size);
  };
  const QString unit = unitAt(at);
  if (settings.KanaInput) {
    feed.next = KanaKeyTops(unit).left(1);
    feed.shown = QStringLiteral("次の字：%1").arg(unit);
    return feed;
  }
  Notation guide = NotationOf(settings.RomajiGuide);
  if (guide == Notation::Table) guide = Notation::Hepburn;
  const QString spelling = Spell(guide, unit, unitAt(at + static_cast<int>(unit.size())));
  feed.next = spelling.left(1);
  feed.shown = QStringLiteral("次の字：%1（%2）").arg(unit, spelling);
  return feed;
}

void TakeGuideStep(DrillPage& drill, const GuideStep& step) {
  switch (step.kind) {
    case GuideStep::NextCourse:
    case GuideStep::FirstCourse:
      if (step.course < 1 || step.course > DrillPage::kCourses) return;
      // As a click on the course: its button checked, then its handler.
      for (int k = 1; k <= DrillPage::kCourses; ++k) drill.CourseButton(k).checked = k == step.course;
      drill.RadioButtonClick(step.course);
      break;
    case GuideStep::WeakDrill:
      drill.CheckBox5.setChecked(true);
      drill.Button3Click();
      break;
    case GuideStep::Again:
      drill.Button3Click();
      break;
    case GuideStep::None:
      break;
  }
}

}  // namespace shurencho
