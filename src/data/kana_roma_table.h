#pragma once
// The kana-romaji table: for every unit a learner may be asked to type (a
// letter, a symbol, a kana or up to three kana) the romaji forms the drill
// accepts, and the two queries the drill's judge asks of it.
//
// Table lines are kept as read, one after another in one text; a line is
// split by the comma-text rules when it is asked for: key, then the forms in
// the order they are tried. Line positions carry meaning: lines 1-30 make
// course 1, lines 41-205 course 3.

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "data/course_item.h"

namespace shurencho {

// Tables once stopped at 371 lines; the loanword sounds (ファ, ティ, ウィ ...)
// in both kana need more, and teachers add lines of their own. A table of 371
// lines or fewer reads as it always did.
inline constexpr int kKanaRomaTableSlots = 512;
// Fewer lines cannot make the two letter courses.
inline constexpr int kKanaRomaTableMinLines = 205;
inline constexpr int kAlphabetLetterFirst = 0;  // 0-based slot of line 1
inline constexpr int kAlphabetLetterCount = 30;
inline constexpr int kKanaLetterFirst = 40;  // 0-based slot of line 41
inline constexpr int kKanaLetterCount = 165;

// Texts kept one after another in one string, each found by its number:
// hundreds of short strings made one by one would cost more than their text.
class PackedTexts final {
 public:
  void Append(QStringView text);
  // Gives back the room kept for further texts.
  void Squeeze();
  int size() const { return static_cast<int>(m_ends.size()); }
  // Empty beyond the last.
  QStringView at(int i) const;

 private:
  QString m_text;
  QList<int> m_ends;  // where each text ends in m_text
};

struct KanaRomaTable {
  PackedTexts lines;  // line i = table line i + 1
  int count() const { return lines.size(); }
  QStringView line(int slot) const { return lines.at(slot); }  // empty beyond the last
};

// The keys (field 0) of the table lines, index for index, so one index
// addresses both the key and its line.
class KanaKeyList final {
 public:
  KanaKeyList() = default;
  explicit KanaKeyList(PackedTexts keys) : m_keys(std::move(keys)) {}
  explicit KanaKeyList(const QStringList& keys);

  // First key equal to text ignoring the case of letters (kana and
  // character width are not folded); -1 when there is none. A later key that
  // differs only in case is therefore never found.
  int IndexOf(QStringView text) const;
  int size() const { return m_keys.size(); }
  QStringView key(int i) const { return m_keys.at(i); }

 private:
  PackedTexts m_keys;
};

// The next unit of a reading and where the following one starts.
struct KanaUnitStep {
  QString unit;
  int position = 0;  // characters taken so far, the unit included
};

// Reads the table file (CP932). Empty lines after line 205 are skipped. Throws
// DataFileError naming the file, and the line where it applies, when the
// file cannot be read, has an empty line within lines 1-205, a line without
// a key or without a romaji form, more lines than the slots, or fewer than
// 205.
KanaRomaTable LoadKanaRomaTable(const QString& path);
// The same over text already in memory; fileName only names it in errors.
KanaRomaTable LoadKanaRomaTableFromText(const QString& text, const QString& fileName);

KanaKeyList BuildKanaKeyList(const KanaRomaTable& table);
// Course 1 (table lines 1-30) and course 3 (lines 41-205): one item per key,
// completed by typing alone; course 3 also allows the romaji hint.
CourseItemList BuildAlphabetLetterList(const KanaRomaTable& table);
CourseItemList BuildKanaLetterList(const KanaRomaTable& table);

// The split table line of a unit: key, hint, further forms. Empty when the
// unit has no line.
QStringList KanaUnitLine(const KanaRomaTable& table, const KanaKeyList& keys, const QString& unit);

// Segmentation step: from `position` characters already taken, the longest
// key of 3, then 2 characters, else 1 character unlooked-up.
KanaUnitStep NextKanaUnit(const KanaKeyList& keys, const QString& reading, int readingLength, int position);

// -1: no form of the unit begins with typed (or typed is empty); 0: typed
// begins a form (letters a-z in either case); 1: typed is a form exactly.
// The first form that equals or begins with typed decides.
int MatchRomaji(const KanaRomaTable& table, const KanaKeyList& keys, const QString& unit,
                const QString& typed);
// The same over forms already split, in the order they are tried.
int MatchForms(const QStringList& forms, const QString& typed);
// typed is the beginning of form, letters a-z compared in either case.
bool BeginsForm(const QString& form, const QString& typed);

}  // namespace shurencho
