#pragma once
// The keyboard guide beside the drill: the keyboard with the next key lit
// in the colour of the finger that types it, the finger named in words, a
// refused key flashed, the pass's progress and, when a pass ends, what it
// came to and what to practise next. Here is what the guide shows; the
// window only draws it.

#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>
#include <vector>

#include "data/keyboard_layout.h"

namespace shurencho {

class DrillPage;
class TypingPage;
struct ZINIconf;
using AppSettings = ZINIconf;

// The pass that ended last, as the guide sums it up.
struct GuidePass {
  int course = 0;  // 1-5, or 13-15 for the kana courses typed with the kana keys
  double seconds = 0;
  int charsPerMinute = 0;
  QString mark;  // the pass's mark: ◎ ○ ×, or 途中 / 計測なし
  bool graded = false;
  bool finished = true;  // typed to its end, not left
  QStringList slowest;   // kana that took longest
  int keystrokes = 0;    // keys judged in the pass, the misses among them
  int misses = 0;
  int warmupSeconds = 0;  // a shorter pass is not graded
  bool operator==(const GuidePass&) const = default;
};

// What a page tells the guide after every event.
struct GuideFeed {
  bool follows = false;    // a page the guide follows is in view
  QString next;            // the next key's character (letter, kana); empty: none
  QString shown;           // what the learner is typing, when it is more than the key
  bool backspace = false;  // text typed wrong must first be taken out
  int done = 0;
  int total = 0;
  double seconds = 0;  // of the pass (or the text) so far
  int charsPerMinute = 0;
  int keysPerMinute = -1;  // -1: not measured here
  int keystrokes = 0;      // of the pass, the misses among them
  int misses = -1;
  int refusals = 0;  // grows with every refused key
  QString refused;   // the key refused last
  std::optional<GuidePass> pass;
};

struct GuideLitKey {
  int key;
  Finger finger;
};

// A next step the guide offers as a button.
struct GuideStep {
  enum Kind : unsigned char {
    None,
    NextCourse,   // 「次は コースN」: that course chosen as a click on it would
    WeakDrill,    // 「苦手練習をしよう」: 苦手練習 ticked and the course begun again
    Again,        // 「もう一度」: the course begun again
    FirstCourse,  // 「コース1 から はじめよう」 at the first start
  };
  Kind kind = None;
  int course = 0;  // NextCourse and FirstCourse: the drill's course 1-5
  QString caption;
  bool operator==(const GuideStep&) const = default;
};

// What the window shows. Every line is whole: the window breaks none.
struct GuideFrame {
  std::vector<GuideLitKey> lit;  // the next key, then Shift
  QStringList next;              // 「次のキー：Ｋ　右中指」, 「＋ Shift　左小指」
  QString progress;              // 「12／20」
  QStringList figures;           // 「45 字／分　120 打鍵／分」, 「ミス 3」
  QStringList summary;           // the pass just ended: its title first
  QString advice;                // the next step's caption
  GuideStep step;                // the next step, as a button
  QStringList welcome;           // the first start's words, with step FirstCourse
  int flash = -1;                // a refused key to flash now
  bool kana = false;             // the keys show their kana
  const KeyboardLayout* keyboard = nullptr;  // the keys' indexes are in it; null: none drawn
  QString assignment;  // 「きょうの課題：コース2 を 3回（1回おわり）」; empty: none set
};

// What to do after a pass: with more than one key in ten refused, the weak
// kana; with a good mark, the next course if there is one; else once more.
GuideStep PassStep(const GuidePass& pass);
QString PassAdvice(const GuidePass& pass);
// The pass's title, time, 字／分 and mark, why it has no mark, and its slowest kana.
QStringList PassSummaryLines(const GuidePass& pass);
// The first start's words and step: the home position, where to begin, how to close.
QStringList WelcomeLines();
GuideStep WelcomeStep();
// Live speeds wait until the pass has lasted this long: a single item's
// speed jumps about and tells a learner nothing.
constexpr double kLiveFiguresAfter = 5;

class KeyboardGuide final {
 public:
  // The keyboard the guide draws, kept alive by its owner.
  void SetLayout(const KeyboardLayout* layout) { m_layout = layout; }
  const KeyboardLayout* layout() const { return m_layout; }
  GuideFrame Compose(const GuideFeed& feed, bool kana);
  // The first start's panel, shown until the learner takes its step or types.
  void SetWelcome(bool on) { m_welcome = on; }
  bool welcome() const { return m_welcome; }
  // The class's assignment as one line, shown in every frame; empty: none.
  void SetAssignment(QString line) { m_assignment = std::move(line); }
  const QString& assignment() const { return m_assignment; }

 private:
  // Puts the ended pass's summary in the frame while it shows.
  void SumUpPass(const GuideFeed& feed, GuideFrame& frame);

  int m_refusals = -1;  // refusals seen; -1 before the first feed
  bool m_welcome = false;
  const KeyboardLayout* m_layout = nullptr;
  QString m_assignment;
};

// The guide's two arrangements, each at its preferred and smallest size,
// frame included: wide (the words beside the keyboard) for the bands above
// and below the main window, tall (the words under it) for those beside.
struct GuideSizes {
  QSize wide, wideSmallest;
  QSize tall, tallSmallest;
};
struct GuidePlace {
  QRect rect;
  bool tall = false;
};
// Where the guide's window goes, in screen pixels: under the main window
// when there is room, else above it, else beside it, shrunk towards the
// smallest size to fit; it never covers the main window nor leaves the
// screen while any band around the main window can hold it. Where none
// can, it keeps its smallest size at the foot of the screen.
GuidePlace PlaceGuide(const QRect& mainFrame, const QRect& screen, const GuideSizes& sizes);

// The feeds of the two pages the guide follows.
GuideFeed FeedFromDrill(const DrillPage& drill);
// A character no key of the layout types is shown as one to convert to.
GuideFeed FeedFromTyping(const TypingPage& typing, const AppSettings& settings, const KeyboardLayout& layout);

// A step's button pressed: the drill does what the learner would have done
// by hand, and its box has the keyboard again.
void TakeGuideStep(DrillPage& drill, const GuideStep& step);

}  // namespace shurencho
