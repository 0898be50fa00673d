#include "ui/line_break.h"

#include <QStringList>
#include <algorithm>

namespace shurencho {

namespace {

// Characters that may not begin a line.
bool NoLineStart(QChar c) {
  static const QString kNotFirst = QStringLiteral(
      "ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶー"
      "、。，．・：；？！）」』】〕〉》｝］”’ヽヾゝゞ々～…‥"
      ")]},.:;!?%");
  return kNotFirst.contains(c);
}

// Characters that may not end a line.
bool NoLineEnd(QChar c) {
  static const QString kNotLast = QStringLiteral("（「『【〔〈《｛［“‘([{");
  return kNotLast.contains(c);
}

bool LatinWordChar(QChar c) { return c.unicode() < 0x80 && (c.isLetterOrNumber() || c == u'+' || c == u'_'); }

bool Katakana(QChar c) { return c.unicode() >= 0x30A0 && c.unicode() <= 0x30FF; }

// May the line break between positions i-1 and i of the paragraph?
bool CanBreakBefore(const QString& p, qsizetype i) {
  if (i <= 0 || i >= p.size()) return false;
  if (NoLineStart(p.at(i)) || NoLineEnd(p.at(i - 1))) return false;
  if (LatinWordChar(p.at(i - 1)) && LatinWordChar(p.at(i))) return false;
  return !p.at(i).isLowSurrogate();
}

// How many characters from `start` fit in `width`. A line grows wider with
// every character, so the search starts from a guess (the last line's
// length), gallops away from it and then halves: a few measures a line
// instead of one per character, each of which lays out the text.
qsizetype MostThatFit(const QString& p, qsizetype start, qsizetype guess, const QFontMetrics& metrics,
                      int width) {
  const qsizetype rest = p.size() - start;
  const auto fits = [&](qsizetype n) {
    return n == 0 || metrics.horizontalAdvance(p.mid(start, n)) <= width;
  };
  qsizetype lo = 0;  // fits
  qsizetype hi = 0;  // does not
  const qsizetype first = std::clamp<qsizetype>(guess, 1, rest);
  if (fits(first)) {
    lo = first;
    for (qsizetype step = 1;; step *= 2) {
      if (lo == rest) return rest;
      const qsizetype next = std::min(rest, lo + step);
      if (!fits(next)) {
        hi = next;
        break;
      }
      lo = next;
    }
  } else {
    hi = first;
    for (qsizetype step = 1;; step *= 2) {
      const qsizetype next = std::max<qsizetype>(0, hi - step);
      if (fits(next)) {
        lo = next;
        break;
      }
      hi = next;
    }
  }
  while (hi - lo > 1) {
    const qsizetype middle = lo + (hi - lo) / 2;
    (fits(middle) ? lo : hi) = middle;
  }
  return lo;
}

// `guess`: how many characters a line is likely to hold.
QStringList BreakParagraph(const QString& p, const QFontMetrics& metrics, int width, qsizetype guess) {
  QStringList lines;
  qsizetype start = 0;
  while (start < p.size()) {
    const qsizetype end = start + MostThatFit(p, start, guess, metrics, width);
    guess = end - start;
    if (end >= p.size()) {
      lines << p.mid(start);
      break;
    }
    // A single character left over makes a line of its own: take one more down.
    qsizetype cut = end;
    if (p.size() - cut == 1 && cut - start > 2) --cut;
    // A katakana word is usually one loan word: a short one goes down whole.
    if (Katakana(p.at(cut - 1)) && Katakana(p.at(cut))) {
      qsizetype word = cut - 1;
      while (word > start && Katakana(p.at(word - 1))) --word;
      if (cut - word <= 4 && word > start + 1) cut = word;
    }
    while (cut > start + 1 && !CanBreakBefore(p, cut)) --cut;
    // Nothing allowed in this line: break where it fills, rules or not.
    if (cut <= start + 1) cut = std::max(end, start + 1);
    lines << p.mid(start, cut - start);
    start = cut;
  }
  if (lines.isEmpty()) lines << QString();
  return lines;
}

}  // namespace

QString BreakJapaneseLines(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList out;
  const qsizetype guess = width / std::max(1, metrics.horizontalAdvance(QChar(0x3042)));  // あ
  for (const QString& paragraph : text.split(QLatin1Char('\n')))
    out << BreakParagraph(paragraph, metrics, width, guess);
  return out.join(QLatin1Char('\n'));
}

}  // namespace shurencho
