#pragma once
// Key codes and modifier flags as the pages' key handlers see them, and how
// the toolkit's keys map onto them. A key-down handler sets the code to 0 to
// discard the key.

#include <Qt>

namespace shurencho {

namespace vk {
inline constexpr int Back = 8;
inline constexpr int Tab = 9;
inline constexpr int Return = 13;
inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Menu = 18;  // Alt
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Prior = 33;  // Page Up
inline constexpr int Next = 34;   // Page Down
inline constexpr int End = 35;
inline constexpr int Home = 36;
inline constexpr int Left = 37;
inline constexpr int Up = 38;
inline constexpr int Right = 39;
inline constexpr int Down = 40;
inline constexpr int Insert = 45;
inline constexpr int Delete = 46;
inline constexpr int F1 = 112;
inline constexpr int F4 = 115;
inline constexpr int F6 = 117;
inline constexpr int F7 = 118;
inline constexpr int F8 = 119;
inline constexpr int F9 = 120;
inline constexpr int F10 = 121;
inline constexpr int F12 = 123;
inline constexpr int Punctuation = 0xBA;  // any key without a code of its own
}  // namespace vk

// Modifier keys held with a key.
enum ShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using ShiftState = unsigned;

// The code for a toolkit key (Qt::Key): letters and digits are their
// capital ASCII codes.
int KeyCodeFromQt(int qtKey);
ShiftState ShiftFromQt(Qt::KeyboardModifiers modifiers);

}  // namespace shurencho
