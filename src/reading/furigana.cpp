#include "reading/furigana.h"

namespace shurencho {

namespace {

// A part of the word: a run of kanji or a run of anything else, with where
// it stands in the word, and its reading once the word's is split.
struct Run {
  bool kanji = false;
  qsizetype start = 0;
  QList<char32_t> chars;
  QString text;
  QString reading;
};

QList<Run> Runs(const QString& surface) {
  QList<Run> runs;
  qsizetype at = 0;
  for (const char32_t c : surface.toUcs4()) {
    const bool kanji = IsKanji(c);
    if (runs.isEmpty() || runs.last().kanji != kanji) runs.append(Run{kanji, at, {}, {}, {}});
    runs.last().chars.append(c);
    const QString one = QString::fromUcs4(&c, 1);
    runs.last().text += one;
    at += one.size();
  }
  return runs;
}

// The reading of each kanji run from `k` on, over `reading` from `at`, the
// kana between them matched as written; each kanji run takes the shortest
// piece that lets the rest match.
bool SplitFrom(QList<Run>* runs, qsizetype k, const QString& reading, qsizetype at) {
  if (k == runs->size()) return at == reading.size();
  Run& run = (*runs)[k];
  if (!run.kanji) {
    const QString kana = ToHiragana(run.text);
    return QStringView(reading).mid(at).startsWith(kana) && SplitFrom(runs, k + 1, reading, at + kana.size());
  }
  for (qsizetype end = at + 1; end <= reading.size(); ++end) {
    if (SplitFrom(runs, k + 1, reading, end)) {
      run.reading = reading.mid(at, end - at);
      return true;
    }
  }
  return false;
}

bool SplitOverRuns(QList<Run>* runs, const QString& reading) { return SplitFrom(runs, 0, reading, 0); }

char16_t Voiced(char16_t c) {
  static const QString plain = QStringLiteral("かきくけこさしすせそたちつてとはひふへほはひふへほ");
  static const QString voiced = QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ");
  const qsizetype i = plain.indexOf(QChar(c));
  return i >= 0 ? voiced[i].unicode() : c;
}

// Whether `piece` reads as the table's `reading` in a word: as it is,
// voiced at its start (rendaku), or with its last つ, く, ち or き doubled
// into っ.
bool ReadsAs(const QString& piece, const QString& reading) {
  if (piece.isEmpty() || reading.isEmpty() || piece.size() != reading.size()) return false;
  for (qsizetype i = 0; i < piece.size(); ++i) {
    const char16_t p = piece[i].unicode();
    const char16_t r = reading[i].unicode();
    if (p == r) continue;
    if (i == 0 && p != Voiced(r)) {
      // ぱ from は: the second voiced form.
      static const QString half = QStringLiteral("はひふへほ");
      static const QString semi = QStringLiteral("ぱぴぷぺぽ");
      const qsizetype h = half.indexOf(QChar(r));
      if (h < 0 || semi[h] != QChar(p)) return false;
      continue;
    }
    if (i == 0) continue;
    if (i == piece.size() - 1 && p == u'っ' && QStringLiteral("つくちき").contains(QChar(r))) continue;
    return false;
  }
  return true;
}

// Ways to split `reading` over the kanji from `k` on, at most two counted.
int Splits(const QList<QStringList>& readings, int k, const QString& reading, QStringList* pieces) {
  if (k == readings.size()) return reading.isEmpty() ? 1 : 0;
  int found = 0;
  for (qsizetype len = 1; len <= reading.size() && found < 2; ++len) {
    const QString piece = reading.left(len);
    bool fits = false;
    for (const QString& r : readings[k]) fits = fits || ReadsAs(piece, r);
    if (!fits) continue;
    QStringList rest;
    const int n = Splits(readings, k + 1, reading.mid(len), &rest);
    if (n > 0 && found == 0) *pieces = QStringList{piece} + rest;
    found += n;
  }
  return found;
}

// The furigana over one kanji run: per unknown kanji where the split is
// one, else over the whole run.
void RunRuby(const Run& run, const KanjiTable& table, SchoolYear year, QList<Ruby>* out) {
  bool allKnown = true;
  QList<QStringList> readings;
  for (qsizetype i = 0; i < run.chars.size(); ++i) {
    allKnown = allKnown && table.Knows(year, run.chars[i]);
    // 々 repeats the kanji before it.
    const char32_t c = run.chars[i] == U'々' && i > 0 ? run.chars[i - 1] : run.chars[i];
    readings.append(table.Readings(c));
  }
  if (allKnown) return;
  QStringList pieces;
  if (Splits(readings, 0, run.reading, &pieces) != 1) {
    out->append(Ruby{run.start, run.text.size(), run.reading});
    return;
  }
  qsizetype at = run.start;
  for (qsizetype i = 0; i < run.chars.size(); ++i) {
    const qsizetype width = QString::fromUcs4(&run.chars[i], 1).size();
    if (!table.Knows(year, run.chars[i])) {
      // Kanji side by side share one reading.
      if (!out->isEmpty() && out->last().start + out->last().length == at) {
        out->last().length += width;
        out->last().reading += pieces[i];
      } else {
        out->append(Ruby{at, width, pieces[i]});
      }
    }
    at += width;
  }
}

// The sound changes between a number and the word after it.
void JoinNumbers(QList<TextWord>* words) {
  static const QString voiceless = QStringLiteral("カキクケコサシスセソタチツテトハヒフヘホパピプペポ");
  static const QStringList doubling = {QStringLiteral("イチ"), QStringLiteral("ハチ"), QStringLiteral("ロク"),
                                       QStringLiteral("ジュウ")};
  for (qsizetype i = 0; i + 1 < words->size(); ++i) {
    TextWord& number = (*words)[i];
    TextWord& next = (*words)[i + 1];
    if (!number.number || next.reading.isEmpty() || number.start + number.length != next.start) continue;
    if (!voiceless.contains(next.reading[0])) continue;
    for (const QString& end : doubling) {
      if (!number.reading.endsWith(end)) continue;
      number.reading.chop(1);  // イチ イッ, ジュウ ジュッ
      number.reading += QStringLiteral("ッ");
      const qsizetype h = QStringLiteral("ハヒフヘホ").indexOf(next.reading[0]);
      if (h >= 0) next.reading[0] = QStringLiteral("パピプペポ")[h];
      break;
    }
  }
}

}  // namespace

QString ToHiragana(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c.unicode() >= u'ァ' && c.unicode() <= u'ヶ') c = QChar(c.unicode() - 0x60);
  return out;
}

QList<Ruby> WordRuby(const QString& surface, const QString& reading, const KanjiTable& table,
                     SchoolYear year) {
  QList<Run> runs = Runs(surface);
  QList<Ruby> out;
  if (!SplitOverRuns(&runs, ToHiragana(reading))) return out;
  for (const Run& run : runs)
    if (run.kanji) RunRuby(run, table, year, &out);
  return out;
}

QList<Ruby> TextRuby(const QString& text, QList<TextWord> words, const KanjiTable& table, SchoolYear year) {
  QList<Ruby> out;
  if (year == SchoolYear::Unset || year == SchoolYear::Adult) return out;
  JoinNumbers(&words);
  for (const TextWord& w : words) {
    if (w.reading.isEmpty() || w.start < 0 || w.length <= 0 || w.start + w.length > text.size()) continue;
    const QString surface = text.mid(w.start, w.length);
    bool kanji = false;
    for (const char32_t c : surface.toUcs4()) kanji = kanji || IsKanji(c);
    if (!kanji) continue;
    for (Ruby r : WordRuby(surface, w.reading, table, year)) {
      r.start += w.start;
      out.append(r);
    }
  }
  return out;
}

}  // namespace shurencho
