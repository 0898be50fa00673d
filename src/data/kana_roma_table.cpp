#include "data/kana_roma_table.h"

#include "text/comma_text.h"
#include "text/errors.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

KanaRomaTable TableFromLines(const QStringList& lines, const QString& fileName) {
  KanaRomaTable table;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const int lineNo = static_cast<int>(i) + 1;
    // Only the first two fields are checked: taken as views, not copied.
    int fields = 0;
    bool keyEmpty = true;
    bool romajiEmpty = true;
    ForEachCommaField(lines.at(i), [&](QStringView field) {
      if (fields == 0) keyEmpty = field.isEmpty();
      if (fields == 1) romajiEmpty = field.isEmpty();
      ++fields;
    });
    if (fields == 0) {
      // Below line 206 a line's position makes a course item, so a gap
      // would shift every letter after it; further down it is only layout.
      if (lineNo <= kKanaRomaTableMinLines) {
        throw DataFileError(fileName, lineNo, QStringLiteral("空の行があります"));
      }
      continue;
    }
    if (keyEmpty) {
      throw DataFileError(fileName, lineNo, QStringLiteral("キーがありません"));
    }
    if (romajiEmpty) {
      throw DataFileError(fileName, lineNo, QStringLiteral("ローマ字がありません"));
    }
    if (table.count() == kKanaRomaTableSlots) {
      throw DataFileError(fileName, lineNo,
                          QStringLiteral("行が多すぎます（%1 行まで）").arg(kKanaRomaTableSlots));
    }
    table.lines.Append(lines.at(i));
  }
  table.lines.Squeeze();
  if (table.count() < kKanaRomaTableMinLines) {
    throw DataFileError(
        fileName, 0,
        QStringLiteral("行が足りません（205 行必要です。%1 行しかありません）").arg(table.count()));
  }
  return table;
}

QString KeyOf(QStringView line) {
  QString key;
  bool first = true;
  ForEachCommaField(line, [&](QStringView field) {
    if (first) key = field.toString();
    first = false;
  });
  return key;
}

CourseItemList LetterItems(const KanaRomaTable& table, int first, int count, bool hint) {
  const WordItemMaker item(QLatin1String(hint ? kTypedAloneWithHintFlags : kTypedAloneFlags));
  CourseItemList items;
  items.reserve(count);
  for (int i = first; i < first + count; ++i) items.append(item(KeyOf(table.line(i))));
  return items;
}

QChar AsciiLower(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'A' && u <= u'Z') ? QChar(u + (u'a' - u'A')) : c;
}

}  // namespace

bool BeginsForm(const QString& form, const QString& typed) {
  if (typed.size() > form.size()) return false;
  for (qsizetype i = 0; i < typed.size(); ++i) {
    if (AsciiLower(form.at(i)) != AsciiLower(typed.at(i))) return false;
  }
  return true;
}

void PackedTexts::Append(QStringView text) {
  m_text.append(text);
  m_ends.append(static_cast<int>(m_text.size()));
}

void PackedTexts::Squeeze() {
  m_text.squeeze();
  m_ends.squeeze();
}

QStringView PackedTexts::at(int i) const {
  if (i < 0 || i >= m_ends.size()) return {};
  const int start = i == 0 ? 0 : m_ends.at(i - 1);
  return QStringView(m_text).mid(start, m_ends.at(i) - start);
}

KanaKeyList::KanaKeyList(const QStringList& keys) {
  for (const QString& key : keys) m_keys.Append(key);
  m_keys.Squeeze();
}

int KanaKeyList::IndexOf(QStringView text) const {
  for (int i = 0; i < m_keys.size(); ++i) {
    if (m_keys.at(i).compare(text, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

KanaRomaTable LoadKanaRomaTable(const QString& path) { return TableFromLines(ReadTextFileLines(path), path); }

KanaRomaTable LoadKanaRomaTableFromText(const QString& text, const QString& fileName) {
  return TableFromLines(SplitTextLines(text), fileName);
}

KanaKeyList BuildKanaKeyList(const KanaRomaTable& table) {
  PackedTexts keys;
  for (int i = 0; i < table.count() && i < kKanaRomaTableSlots; ++i) keys.Append(KeyOf(table.line(i)));
  keys.Squeeze();
  return KanaKeyList(std::move(keys));
}

CourseItemList BuildAlphabetLetterList(const KanaRomaTable& table) {
  return LetterItems(table, kAlphabetLetterFirst, kAlphabetLetterCount, false);
}

CourseItemList BuildKanaLetterList(const KanaRomaTable& table) {
  return LetterItems(table, kKanaLetterFirst, kKanaLetterCount, true);
}

QStringList KanaUnitLine(const KanaRomaTable& table, const KanaKeyList& keys, const QString& unit) {
  const int index = keys.IndexOf(unit);
  if (index < 0 || index >= kKanaRomaTableSlots) return {};
  return SplitCommaText(table.line(index));
}

KanaUnitStep NextKanaUnit(const KanaKeyList& keys, const QString& reading, int readingLength, int position) {
  const int remaining = readingLength - position;
  for (int n = remaining >= 3 ? 3 : remaining; n >= 2; --n) {
    const QString piece = MidChars(reading, position, n);
    // A length claimed beyond the text's end must not take a short piece for n.
    if (CharCount(piece) == n && keys.IndexOf(piece) >= 0) return {piece, position + n};
  }
  return {MidChars(reading, position, 1), position + 1};
}

int MatchRomaji(const KanaRomaTable& table, const KanaKeyList& keys, const QString& unit,
                const QString& typed) {
  if (typed.isEmpty()) return -1;
  return MatchForms(KanaUnitLine(table, keys, unit).mid(1), typed);
}

int MatchForms(const QStringList& forms, const QString& typed) {
  if (typed.isEmpty()) return -1;
  for (const QString& form : forms) {
    if (typed == form) return 1;
    if (BeginsForm(form, typed)) return 0;
  }
  return -1;
}

}  // namespace shurencho
