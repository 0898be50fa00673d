#pragma once
// Words for furigana without MeCab: each run of kanji is one word read
// "ヨミ", enough to place readings where a test wants them.

#include <QList>
#include <QString>
#include <algorithm>

#include "reading/furigana.h"

namespace shurencho {

inline bool KanjiRunsAsWords(const QString& text, QList<TextWord>* words, QString*) {
  for (qsizetype at = 0; at < text.size();) {
    qsizetype end = at;
    while (end < text.size() && text[end].unicode() >= 0x4e00 && text[end].unicode() <= 0x9fff) ++end;
    if (end > at) words->append({at, end - at, QStringLiteral("ヨミ"), false});
    at = std::max(end, at + 1);
  }
  return true;
}

}  // namespace shurencho
