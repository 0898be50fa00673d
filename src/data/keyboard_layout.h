#pragma once
// The keyboard as data: each key's place and size, what it types, its
// legend, the finger that presses it and its X key code, read from a layout
// file (keyboard_jis.txt, keyboard_us.txt). The guide, the 苦手なキー map,
// the printed heatmap and the drill's key handling all draw from it.

#include <QChar>
#include <QString>
#include <QStringList>
#include <vector>

#include "data/kana_keys.h"

namespace shurencho {

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
// A finger's colour (#rrggbb): strong for the key to press, pale for the
// finger's other keys; the two hands mirror each other. The five stay apart
// for every eye (protanopia, deuteranopia and tritanopia included), and the
// finger is always named in words beside them too.
const char* FingerColour(Finger finger, bool strong);

// One key, placed in key widths from the main block's top-left corner.
struct KeyCap {
  QString top;                // the legend as drawn
  char16_t plain = 0;         // the character it types (letters in lower case); 0: none
  char16_t shifted = 0;       // with Shift; 0: none
  JisKey jis = JisKey::None;  // its place for かな入力; None for the others
  double x = 0, y = 0, w = 1, h = 1;
  Finger finger = Finger::LeftPinky;
  bool bump = false;  // the home-position bumps on F and J
  bool shift = false;
  int keycode = 0;  // X key code; 0: none
};

// A key that types a character a miss can be counted on (not the space,
// Enter, Tab or BS).
bool IsCharacterKey(const KeyCap& key);
// The names a miss may give a key, in lower case: its characters, its
// legend, its kana with and without Shift.
QStringList MissNames(const KeyCap& key);

// A key to press: its index in keys(), and whether Shift goes with it.
struct KeyStroke {
  int key = -1;  // -1: no key types it
  bool shift = false;
};

enum class KeyboardKind : unsigned char { Jis, Us };

class KeyboardLayout {
 public:
  KeyboardLayout() = default;
  KeyboardLayout(KeyboardKind kind, std::vector<KeyCap> keys);

  KeyboardKind kind() const { return m_kind; }
  const std::vector<KeyCap>& keys() const { return m_keys; }
  // The block's size in key widths.
  double width() const { return m_width; }
  double height() const { return m_height; }

  // The key of a character: ASCII by this keyboard's key tops (full-width
  // forms as their ASCII), a space by the space bar, a line break by Enter,
  // a kana (or ゛, ゜, 、 …) by its kana key where the keyboard has them.
  KeyStroke StrokeOf(QChar c) const;
  // The Shift the other hand presses for a key.
  int ShiftFor(int key) const;
  int Backspace() const { return m_backspace; }
  bool HasShifts() const { return m_leftShift >= 0 && m_rightShift >= 0; }
  // The key with a kana place, -1 when this keyboard has none.
  int KeyAt(JisKey jis) const;
  // The kana place of the key at an X key code: by place, whatever the
  // keyboard map makes of it.
  JisKey JisKeyAtKeycode(quint32 keycode) const;

 private:
  int IndexOf(char16_t c, bool shifted) const;

  KeyboardKind m_kind = KeyboardKind::Jis;
  std::vector<KeyCap> m_keys;
  double m_width = 0, m_height = 0;
  int m_backspace = -1;
  int m_leftShift = -1, m_rightShift = -1;
};

// Reads a layout file's text. Throws DataFileError naming the file and line
// of a key it cannot read, or the file when a key it needs (a Shift on each
// side, Backspace) is missing.
KeyboardLayout ParseKeyboardLayout(const QString& text, KeyboardKind kind, const QString& fileName);
KeyboardLayout LoadKeyboardLayout(const QString& path, KeyboardKind kind);

inline constexpr char kJisLayoutFile[] = "keyboard_jis.txt";
inline constexpr char kUsLayoutFile[] = "keyboard_us.txt";

struct KeyboardLayouts {
  KeyboardLayout jis;
  KeyboardLayout us;
  const KeyboardLayout& Of(KeyboardKind kind) const { return kind == KeyboardKind::Us ? us : jis; }
};
// The layout files' names: bare names are found as the other data files are.
struct KeyboardFiles {
  QString jis = QString::fromLatin1(kJisLayoutFile);
  QString us = QString::fromLatin1(kUsLayoutFile);
};
KeyboardLayouts LoadKeyboardLayouts(const QString& programPath = QString(), const KeyboardFiles& files = {});

// The keyboard the guide draws: [Guide] Layout ("jis", "us") when it names
// one, else US where the X keyboard map's first layout is "us", else JIS.
KeyboardKind ChosenKeyboard(const QString& setting, const QString& keyboardMap);
QString KeyboardSettingName(KeyboardKind kind);

}  // namespace shurencho
