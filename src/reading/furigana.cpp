#include "reading/furigana.h"

#include <QRegularExpression>

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

// The reading of each kanji run, the kana between them matched as written.
bool SplitOverRuns(QList<Run>* runs, const QString& reading) {
  QString pattern = QStringLiteral("^");
  for (const Run& run : *runs)
    pattern += run.kanji ? QStringLiteral("(.+?)") : QRegularExpression::escape(ToHiragana(run.text));
  const QRegularExpressionMatch m = QRegularExpression(pattern + QLatin1Char('$')).match(reading);
  if (!m.hasMatch()) return false;
  int group = 0;
  for (Run& run : *runs)
    if (run.kanji) run.reading = m.captured(++group);
  return true;
}

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

}  // namespace shurencho
