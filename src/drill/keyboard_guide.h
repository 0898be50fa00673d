#pragma once
// The keyboard guide beside the drill: a JIS keyboard with the next key lit
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

#include "data/kana_keys.h"

namespace shurencho {

class DrillPage;
class TypingPage;
struct ZINIconf;
using AppSettings = ZINIconf;

// The fingers as touch typing assigns them; both thumbs share the space bar.
enum class Finger : unsigned char {
  LeftPinky,
  LeftRing,
  LeftMiddle,
  LeftIndex,
  Thumb,
  RightIndex,
  RightMiddle,
  RightRing,
  RightPinky,
};
// 「左小指」, 「右人差し指」, 「親指」…
QString FingerName(Finger finger);
bool LeftHand(Finger finger);

// One key of the 106-key JIS keyboard's main block, placed in key widths
// from the block's top-left corner.
struct GuideKeyCap {
  const char16_t* top;  // the key top as drawn
  char16_t plain;       // the character it types (letters in lower case); 0: none
  char16_t shifted;     // with Shift; 0: none
  JisKey jis;           // its place for the kana keys; None for the others
  double x, y, w, h;
  Finger finger;
  bool bump;  // the home-position bumps on F and J
};
std::span<const GuideKeyCap> GuideKeyboard();

// A key to press: its index in GuideKeyboard(), and whether Shift goes with it.
struct GuideStroke {
  int key = -1;  // -1: no key types it
  bool shift = false;
};
// The key of a character: ASCII by the JIS key tops, a space by the space
// bar, a line break by Enter, a kana (or ゛, ゜, 、 …) by its kana key.
GuideStroke StrokeOf(QChar c);
// The Shift the other hand presses for a key.
int ShiftFor(int key);

// The pass that ended last, as the guide sums it up.
struct GuidePass {
  int course = 0;  // 1-5, or 13-15 for the kana courses typed with the kana keys
  double seconds = 0;
  int charsPerMinute = 0;
  QString mark;  // the page's mark: ◎ ○ ×, or 途中 / 計測なし
  bool graded = false;
  bool finished = true;  // typed to its end, not left
  QStringList slowest;   // kana that took longest
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
  int charsPerMinute = 0;
  int keysPerMinute = -1;  // -1: not measured here
  int keystrokes = 0;      // of the run, the misses among them
  int misses = -1;
  int refusals = 0;  // grows with every refused key
  QString refused;   // the key refused last
  std::optional<GuidePass> pass;
};

struct GuideLitKey {
  int key;
  Finger finger;
};

// What the window draws.
struct GuideFrame {
  std::vector<GuideLitKey> lit;  // the next key, then Shift
  QString next;                  // 「次：Ｋ　右中指」
  QString progress;              // 「12／30」
  QString figures;               // 「45 字／分　120 打鍵／分」, then 「ミス 3」
  QStringList summary;           // the pass just ended
  QString advice;     // 「次は コース4」, 「苦手練習をしよう」, 「もう一度」
  int flash = -1;     // a refused key to flash now
  bool kana = false;  // the keys show their kana
};

// What to do after a pass: with more than one key in ten refused, the weak
// kana; with a good mark, the next course if there is one; else once more.
QString PassAdvice(const GuidePass& pass, int keystrokes, int misses);
// Time, 字／分, the mark and the slowest kana of a pass.
QStringList PassSummaryLines(const GuidePass& pass);

class KeyboardGuide final {
 public:
  GuideFrame Compose(const GuideFeed& feed, bool kana);

 private:
  // Keeps the pass's own counts, and puts its summary in the frame while it shows.
  void SumUpPass(const GuideFeed& feed, GuideFrame& frame);

  int m_refusals = -1;  // refusals seen; -1 before the first feed
  std::optional<GuidePass> m_pass;
  // The run's counts when the pass under way began, and the ended pass's.
  int m_startKeys = 0;
  int m_startMisses = 0;
  int m_passKeys = 0;
  int m_passMisses = 0;
};

// Where the guide's window goes, in screen pixels: under the main window
// when there is room, else above it, else beside it, shrunk towards
// `smallest` to fit; it never covers the main window nor leaves the screen
// while any band around the main window can hold it.
QRect PlaceGuide(const QRect& mainFrame, const QRect& screen, QSize preferred, QSize smallest);

// The feeds of the two pages the guide follows.
GuideFeed FeedFromDrill(const DrillPage& drill);
GuideFeed FeedFromTyping(const TypingPage& typing, const AppSettings& settings);

}  // namespace shurencho
