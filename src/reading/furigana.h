#pragma once
// Furigana over one word, as a printed page sets it: a reading in small
// hiragana over the kanji a learner has not learned yet, okurigana not
// repeated. A word's reading is split over its kanji only where the kanji
// table's readings split it one way; otherwise it goes over the word's run
// of kanji whole.

#include <QList>
#include <QString>

#include "reading/kanji_table.h"

namespace shurencho {

// A reading over `length` UTF-16 units of the word from `start`.
struct Ruby {
  qsizetype start = 0;
  qsizetype length = 0;
  QString reading;
  bool operator==(const Ruby&) const = default;
};

// One word of a text as a dictionary read it: where it stands (UTF-16
// units) and its reading in katakana, empty where the dictionary did not
// know the word. A number's reading may change before the next word.
struct TextWord {
  qsizetype start = 0;
  qsizetype length = 0;
  QString reading;
  bool number = false;
};

// Katakana turned into hiragana; everything else as it is.
QString ToHiragana(const QString& text);

// The furigana a learner of `year` needs over `surface`, whose whole
// reading is `reading` (hiragana or katakana). Empty when the learner knows
// every kanji, or when the reading does not fit the word's kana.
QList<Ruby> WordRuby(const QString& surface, const QString& reading, const KanjiTable& table,
                     SchoolYear year);

// The furigana over a whole text, word by word, placed in the text. A
// number whose reading ends in いち, はち, ろく or じゅう is read doubled
// (いっ, はっ, ろっ, じゅっ) before a word that starts with k, s, t or h, and
// that word's h becomes p (一週間 いっしゅうかん, 六本 ろっぽん). A word the
// dictionary did not know keeps its kanji bare.
QList<Ruby> TextRuby(const QString& text, QList<TextWord> words, const KanjiTable& table, SchoolYear year);

}  // namespace shurencho
