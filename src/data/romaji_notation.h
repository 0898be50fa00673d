#pragma once
// Romaji as a class writes it. Schools teach two notations, ヘボン式 (shi,
// tsu, fu) and 訓令式 (si, tu, hu), and children type either. When a teacher
// picks one, the drill hints in it, accepts what an input method accepts in
// context (n before a consonant, a doubled consonant for っ, small kana by x
// or l) and plans the hint afresh from what the learner has typed, so a
// child who types the other notation is shown the rest in that one.
//
// Without a notation none of this is used: the table alone judges and hints.

#include <QString>
#include <QStringList>
#include <QStringView>
#include <span>

#include "data/kana_roma_table.h"

namespace shurencho {

enum class Notation {
  Table = 0,    // the table's first form, the table's forms only
  Hepburn = 1,  // ヘボン式
  Kunrei = 2,   // 訓令式
};
// A stored setting as a notation: a value out of range is the table's.
Notation NotationOf(int setting);

// One spelling of the notation table (hiragana; katakana is looked up as
// its hiragana).
struct NotationRow {
  const char16_t* kana;  // one kana, or a kana with a small ya, yu, yo or e
  const char* hepburn;
  const char* kunrei;
};
std::span<const NotationRow> NotationRows();

// The spelling of a kana or a pair in a notation; empty when the notation
// has none (foreign sounds, symbols, letters: the table's first form serves).
QString NotationSpelling(Notation guide, QStringView kana);

// The x and l spellings of a small kana, as input methods take them; empty
// for any other character.
QStringList SmallKanaForms(QChar kana);

// Voiced and half-voiced kana, small kana, っ and ー: the spots children
// most often mistype in romaji.
bool IsTrickyKana(QChar kana);

// How typed romaji stands against a unit, the unit after it in view.
enum class GuideMatch {
  Refused,
  Begun,               // the beginning of an accepted spelling
  Complete,            // an accepted spelling
  CompleteBeforeLast,  // the letters before the last complete the unit in
                       // context (ん by n, っ by a doubled consonant); the
                       // last one begins the next unit
};

// The judge and the planner over one table. Both queries take the unit
// being typed and the unit after it (empty at the reading's end).
class RomajiNotation final {
 public:
  RomajiNotation(const KanaRomaTable& table, const KanaKeyList& keys) : m_table(table), m_keys(keys) {}

  // Every spelling accepted for a unit: the table's forms in their order,
  // then small kana by x or l, then a unit of several kana typed kana by kana.
  QStringList Forms(const QString& unit) const;

  GuideMatch Match(const QString& unit, const QString& next, const QString& typed) const;

  // The spelling the hint shows: the notation's, where the learner's keys
  // allow it, else the accepted spelling nearest to it that begins with
  // what has been typed.
  QString Plan(Notation guide, const QString& unit, const QString& next, const QString& typed) const;

 private:
  struct Unit {
    QString kana;
    QStringList forms;
  };
  Unit Look(const QString& unit) const { return {unit, Forms(unit)}; }
  QStringList TableForms(const QString& piece) const;
  QStringList PieceOptions(Notation guide, const QString& piece) const;
  QStringList Candidates(Notation guide, const QString& unit, const QString& follow) const;
  static GuideMatch MatchUnits(const Unit& unit, const Unit& next, const QString& typed);

  const KanaRomaTable& m_table;
  const KanaKeyList& m_keys;
};

}  // namespace shurencho
