#pragma once
// かな入力 on the JIS keyboard: which kana each key types, by the key's place
// on the keyboard rather than by what the keyboard map makes of it, and the
// keys that type a kana unit (a voiced kana is its base kana, then ゛ or ゜).

#include <QChar>
#include <QList>
#include <QString>

namespace shurencho {

// The character keys of the JIS keyboard by position, named by their key
// tops: row by row from the number row, left to right.
enum class JisKey : unsigned char {
  None,
  Digit1,
  Digit2,
  Digit3,
  Digit4,
  Digit5,
  Digit6,
  Digit7,
  Digit8,
  Digit9,
  Digit0,
  Minus,
  Caret,
  Yen,
  Q,
  W,
  E,
  R,
  T,
  Y,
  U,
  I,
  O,
  P,
  At,
  LeftBracket,
  A,
  S,
  D,
  F,
  G,
  H,
  J,
  K,
  L,
  Semicolon,
  Colon,
  RightBracket,
  Z,
  X,
  C,
  V,
  B,
  N,
  M,
  Comma,
  Period,
  Slash,
  Ro,
};
inline constexpr int kJisKeyCount = static_cast<int>(JisKey::Ro);

struct KanaStroke {
  JisKey key = JisKey::None;
  bool shift = false;
  bool operator==(const KanaStroke&) const = default;
};

// The kana a key types: with Shift the small kana, を or the punctuation on
// its top where it has one, else the same kana; null for no key.
QChar KanaOfKey(JisKey key, bool shift);
// The keys that type a unit of kana (katakana as its hiragana); empty when
// one of its characters has no kana key.
QList<KanaStroke> KanaStrokes(const QString& unit);
// The same keys as the kana they type, one character a key ("は゛" for ば);
// empty when the unit has no kana keys.
QString KanaKeyTops(const QString& unit);

}  // namespace shurencho
