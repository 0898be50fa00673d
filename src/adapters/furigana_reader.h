#pragma once
// Furigana for a text: the words and readings MeCab finds in it (its
// module, loaded at the first use) and the kanji table. Off, with one line
// saying why, where either is missing; the program goes on without.

#include <QString>
#include <functional>
#include <optional>

#include "reading/furigana.h"
#include "reading/kanji_table.h"

namespace shurencho {

class FuriganaReader {
 public:
  using Words = std::function<bool(const QString& text, QList<TextWord>* words, QString* error)>;
  // The kanji table's file (kanji.txt, found as the program's data files
  // are); the words come from the MeCab module unless given.
  explicit FuriganaReader(QString kanjiTable, Words words = {});

  // Whether furigana can be set; *why, when not, is one line for the learner.
  bool Available(QString* why = nullptr);
  // The readings a learner of `year` needs over `text`; empty when off.
  QList<Ruby> RubyFor(const QString& text, SchoolYear year);

 private:
  bool Start();

  QString m_kanjiTable;
  Words m_words;
  KanjiTable m_table;
  std::optional<bool> m_started;
  QString m_why;
};

}  // namespace shurencho
