#pragma once
// The kanji furigana is set by: each kanji's school grade and its readings
// in hiragana, from assets/kanji.txt (made from kanjidic by
// tools/data/build_kanji.py), and which kanji a learner of each school year
// has learned.

#include <QHash>
#include <QString>
#include <QStringList>

namespace shurencho {

// The learner's school year. Unset sets no furigana anywhere.
enum class SchoolYear : unsigned char {
  Unset,
  Sho1,
  Sho2,
  Sho3,
  Sho4,
  Sho5,
  Sho6,
  Chu1,
  Chu2,
  Chu3,
  Koko,
  Adult
};
// 「小1」…「小6」「中1」…「中3」「高校」「大人」; empty for Unset.
QString SchoolYearName(SchoolYear year);
// The year of a name SchoolYearName gives; Unset for anything else.
SchoolYear SchoolYearFromName(const QString& name);

class KanjiTable {
 public:
  // Reads the table; false, with the file and the line, when it cannot.
  bool Load(const QString& path, QString* error);
  bool LoadText(const QString& text, const QString& name, QString* error);

  // 1-6: the elementary-school grade that teaches it; 8: the rest of the
  // 常用漢字; 9, 10: name kanji; 0: not in the table.
  int Grade(char32_t kanji) const { return m_entries.value(kanji).grade; }
  QStringList Readings(char32_t kanji) const { return m_entries.value(kanji).readings; }
  int size() const { return static_cast<int>(m_entries.size()); }

  // Whether a learner of `year` has learned the kanji: in 小学校 the grades
  // before their own (a year's kanji are still being learned), from 中1 on
  // every kanji of 小学校, in 高校 every 常用漢字, and every kanji as 大人.
  bool Knows(SchoolYear year, char32_t kanji) const;

 private:
  struct Entry {
    int grade = 0;
    QStringList readings;
  };
  QHash<char32_t, Entry> m_entries;
};

// Whether c is written as a kanji (々 included).
bool IsKanji(char32_t c);

}  // namespace shurencho
