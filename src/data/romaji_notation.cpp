#include "data/romaji_notation.h"

namespace shurencho {

namespace {

// The syllables the two notations spell, and how. ん is typed nn where no
// consonant follows it; ぢ and づ keep di and du, since ji and zu would
// bring up じ and ず.
constexpr NotationRow kRows[] = {
    {u"あ", "a", "a"},       {u"い", "i", "i"},       {u"う", "u", "u"},       {u"え", "e", "e"},
    {u"お", "o", "o"},       {u"か", "ka", "ka"},     {u"き", "ki", "ki"},     {u"く", "ku", "ku"},
    {u"け", "ke", "ke"},     {u"こ", "ko", "ko"},     {u"さ", "sa", "sa"},     {u"し", "shi", "si"},
    {u"す", "su", "su"},     {u"せ", "se", "se"},     {u"そ", "so", "so"},     {u"た", "ta", "ta"},
    {u"ち", "chi", "ti"},    {u"つ", "tsu", "tu"},    {u"て", "te", "te"},     {u"と", "to", "to"},
    {u"な", "na", "na"},     {u"に", "ni", "ni"},     {u"ぬ", "nu", "nu"},     {u"ね", "ne", "ne"},
    {u"の", "no", "no"},     {u"は", "ha", "ha"},     {u"ひ", "hi", "hi"},     {u"ふ", "fu", "hu"},
    {u"へ", "he", "he"},     {u"ほ", "ho", "ho"},     {u"ま", "ma", "ma"},     {u"み", "mi", "mi"},
    {u"む", "mu", "mu"},     {u"め", "me", "me"},     {u"も", "mo", "mo"},     {u"や", "ya", "ya"},
    {u"ゆ", "yu", "yu"},     {u"よ", "yo", "yo"},     {u"ら", "ra", "ra"},     {u"り", "ri", "ri"},
    {u"る", "ru", "ru"},     {u"れ", "re", "re"},     {u"ろ", "ro", "ro"},     {u"わ", "wa", "wa"},
    {u"を", "wo", "wo"},     {u"ん", "nn", "nn"},     {u"が", "ga", "ga"},     {u"ぎ", "gi", "gi"},
    {u"ぐ", "gu", "gu"},     {u"げ", "ge", "ge"},     {u"ご", "go", "go"},     {u"ざ", "za", "za"},
    {u"じ", "ji", "zi"},     {u"ず", "zu", "zu"},     {u"ぜ", "ze", "ze"},     {u"ぞ", "zo", "zo"},
    {u"だ", "da", "da"},     {u"ぢ", "di", "di"},     {u"づ", "du", "du"},     {u"で", "de", "de"},
    {u"ど", "do", "do"},     {u"ば", "ba", "ba"},     {u"び", "bi", "bi"},     {u"ぶ", "bu", "bu"},
    {u"べ", "be", "be"},     {u"ぼ", "bo", "bo"},     {u"ぱ", "pa", "pa"},     {u"ぴ", "pi", "pi"},
    {u"ぷ", "pu", "pu"},     {u"ぺ", "pe", "pe"},     {u"ぽ", "po", "po"},     {u"ゔ", "vu", "vu"},
    {u"ぁ", "xa", "xa"},     {u"ぃ", "xi", "xi"},     {u"ぅ", "xu", "xu"},     {u"ぇ", "xe", "xe"},
    {u"ぉ", "xo", "xo"},     {u"ゃ", "xya", "xya"},   {u"ゅ", "xyu", "xyu"},   {u"ょ", "xyo", "xyo"},
    {u"ゎ", "xwa", "xwa"},   {u"っ", "xtsu", "xtu"},  {u"ゕ", "xka", "xka"},   {u"ゖ", "xke", "xke"},
    {u"きゃ", "kya", "kya"}, {u"きゅ", "kyu", "kyu"}, {u"きょ", "kyo", "kyo"}, {u"ぎゃ", "gya", "gya"},
    {u"ぎゅ", "gyu", "gyu"}, {u"ぎょ", "gyo", "gyo"}, {u"しゃ", "sha", "sya"}, {u"しゅ", "shu", "syu"},
    {u"しょ", "sho", "syo"}, {u"しぇ", "she", "sye"}, {u"じゃ", "ja", "zya"},  {u"じゅ", "ju", "zyu"},
    {u"じょ", "jo", "zyo"},  {u"じぇ", "je", "zye"},  {u"ちゃ", "cha", "tya"}, {u"ちゅ", "chu", "tyu"},
    {u"ちょ", "cho", "tyo"}, {u"ちぇ", "che", "tye"}, {u"にゃ", "nya", "nya"}, {u"にゅ", "nyu", "nyu"},
    {u"にょ", "nyo", "nyo"}, {u"ひゃ", "hya", "hya"}, {u"ひゅ", "hyu", "hyu"}, {u"ひょ", "hyo", "hyo"},
    {u"びゃ", "bya", "bya"}, {u"びゅ", "byu", "byu"}, {u"びょ", "byo", "byo"}, {u"ぴゃ", "pya", "pya"},
    {u"ぴゅ", "pyu", "pyu"}, {u"ぴょ", "pyo", "pyo"}, {u"みゃ", "mya", "mya"}, {u"みゅ", "myu", "myu"},
    {u"みょ", "myo", "myo"}, {u"りゃ", "rya", "rya"}, {u"りゅ", "ryu", "ryu"}, {u"りょ", "ryo", "ryo"},
};

// Small kana as input methods take them alone.
struct SmallKanaRow {
  char16_t kana;
  const char* forms;  // comma-separated
};
constexpr SmallKanaRow kSmallKana[] = {
    {u'ぁ', "xa,la"},   {u'ぃ', "xi,li,xyi,lyi"},     {u'ぅ', "xu,lu"},   {u'ぇ', "xe,le,xye,lye"},
    {u'ぉ', "xo,lo"},   {u'ゃ', "xya,lya"},           {u'ゅ', "xyu,lyu"}, {u'ょ', "xyo,lyo"},
    {u'ゎ', "xwa,lwa"}, {u'っ', "xtu,xtsu,ltu,ltsu"}, {u'ゕ', "xka,lka"}, {u'ゖ', "xke,lke"},
};

// Spellings of a unit are few; a product of many long lines is cut here.
constexpr qsizetype kMaxSpellings = 4096;

// Katakana as its hiragana, so one table serves both.
QChar Hiragana(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'\u30A1' && u <= u'\u30F6') ? QChar(char16_t(u - 0x60)) : c;
}

QString Hiragana(QStringView text) {
  QString folded;
  folded.reserve(text.size());
  for (const QChar c : text) folded.append(Hiragana(c));
  return folded;
}

const NotationRow* RowOf(QStringView kana) {
  const QString folded = Hiragana(kana);
  for (const NotationRow& row : kRows) {
    if (QStringView(row.kana) == folded) return &row;
  }
  return nullptr;
}

bool IsSyllabicN(const QString& unit) { return unit.size() == 1 && Hiragana(unit.at(0)) == u'ん'; }
bool IsSmallTsu(QChar c) { return Hiragana(c) == u'っ'; }
bool IsSmallTsu(const QString& unit) { return unit.size() == 1 && IsSmallTsu(unit.at(0)); }

QChar Lower(QChar c) {
  const char16_t u = c.unicode();
  return (u >= u'A' && u <= u'Z') ? QChar(char16_t(u + (u'a' - u'A'))) : c;
}

bool IsLetter(QChar c) { return c >= u'a' && c <= u'z'; }

// n completes ん before these: every consonant but n and y, which would
// make な or にゃ of it.
bool EndsSyllabicN(QChar c) { return IsLetter(c) && !QStringView(u"aeiouny").contains(c); }

// っ is typed by doubling these; x and l begin small kana, and nn is ん.
bool Doubles(QChar c) { return IsLetter(c) && !QStringView(u"aeiounxl").contains(c); }

// The letter that doubles for っ before a spelling: t before ch.
QString DoubledStart(const QString& after) {
  if (after.isEmpty()) return {};
  const QChar c = Lower(after.at(0));
  if (c == u'c' && after.size() > 1 && Lower(after.at(1)) == u'h') return QStringLiteral("t");
  return Doubles(c) ? QString(c) : QString();
}

// typed is a beginning (not the whole) of a form, the first form deciding.
bool Begins(const QStringList& forms, const QString& typed) { return MatchForms(forms, typed) == 0; }

void AddNew(QStringList& list, const QString& item) {
  if (!item.isEmpty() && !list.contains(item)) list.append(item);
}

}  // namespace

Notation NotationOf(int setting) {
  switch (setting) {
    case 1:
      return Notation::Hepburn;
    case 2:
      return Notation::Kunrei;
    default:
      return Notation::Table;
  }
}

std::span<const NotationRow> NotationRows() { return kRows; }

QString NotationSpelling(Notation guide, QStringView kana) {
  if (guide == Notation::Table) return {};
  const NotationRow* row = RowOf(kana);
  if (row == nullptr) return {};
  return QString::fromLatin1(guide == Notation::Hepburn ? row->hepburn : row->kunrei);
}

QStringList SmallKanaForms(QChar kana) {
  const QChar folded = Hiragana(kana);
  for (const SmallKanaRow& row : kSmallKana) {
    if (folded == row.kana) return QString::fromLatin1(row.forms).split(QLatin1Char(','));
  }
  return {};
}

bool IsTrickyKana(QChar kana) {
  const QChar c = Hiragana(kana);
  if (c == u'ー' || !SmallKanaForms(c).isEmpty()) return true;
  // A voiced or half-voiced kana decomposes into its plain kana and the mark.
  if (c.decompositionTag() != QChar::Canonical) return false;
  const QString parts = c.decomposition();
  return parts.contains(QChar(u'\u3099')) || parts.contains(QChar(u'\u309A'));
}

QStringList RomajiNotation::TableForms(const QString& piece) const {
  return KanaUnitLine(m_table, m_keys, piece).mid(1);
}

QStringList RomajiNotation::Forms(const QString& unit) const {
  QStringList forms = TableForms(unit);
  if (unit.size() == 1) {
    for (const QString& form : SmallKanaForms(unit.at(0))) AddNew(forms, form);
    return forms;
  }
  // Kana by kana, each by its own line or as a small kana.
  QStringList spelled{QString()};
  for (const QChar c : unit) {
    QStringList piece = TableForms(QString(c));
    for (const QString& form : SmallKanaForms(c)) AddNew(piece, form);
    if (piece.isEmpty()) return forms;
    QStringList longer;
    for (const QString& head : spelled) {
      for (const QString& form : piece) {
        if (longer.size() < kMaxSpellings) longer.append(head + form);
      }
    }
    spelled = std::move(longer);
  }
  for (const QString& form : spelled) AddNew(forms, form);
  return forms;
}

GuideMatch RomajiNotation::MatchUnits(const Unit& unit, const Unit& next, const QString& typed) {
  const int r = MatchForms(unit.forms, typed);
  if (r == 1) return GuideMatch::Complete;
  if (r == 0) return GuideMatch::Begun;
  if (typed.isEmpty() || next.kana.isEmpty()) return GuideMatch::Refused;
  const QChar last = Lower(typed.back());
  const QString head = typed.chopped(1).toLower();
  const bool lastBegins = Begins(next.forms, QString(last));
  if (IsSyllabicN(unit.kana)) {
    if (head == QLatin1String("n") && EndsSyllabicN(last) && lastBegins)
      return GuideMatch::CompleteBeforeLast;
  } else if (IsSmallTsu(unit.kana)) {
    if (head.isEmpty() && Doubles(last) &&
        (Begins(next.forms, QString(last)) || (last == u't' && Begins(next.forms, QStringLiteral("ch"))))) {
      return GuideMatch::Begun;
    }
    if (head.size() == 1 && Doubles(head.at(0)) &&
        (last == head.at(0) || (head == QLatin1String("t") && last == u'c')) && lastBegins) {
      return GuideMatch::CompleteBeforeLast;
    }
  }
  return GuideMatch::Refused;
}

GuideMatch RomajiNotation::Match(const QString& unit, const QString& next, const QString& typed) const {
  const Unit u = Look(unit);
  // The next unit matters only to ん and っ; the rest need not look it up.
  if (!IsSyllabicN(unit) && !IsSmallTsu(unit)) return MatchUnits(u, Unit{}, typed);
  return MatchUnits(u, next.isEmpty() ? Unit{} : Look(next), typed);
}

QStringList RomajiNotation::PieceOptions(Notation guide, const QString& piece) const {
  QStringList options;
  AddNew(options, NotationSpelling(guide, piece));
  for (const QString& form : TableForms(piece)) AddNew(options, form);
  if (piece.size() == 1) {
    for (const QString& form : SmallKanaForms(piece.at(0))) AddNew(options, form);
  }
  return options;
}

QStringList RomajiNotation::Candidates(Notation guide, const QString& unit, const QString& follow) const {
  // The unit cut into the pieces a notation spells: a pair it has a row
  // for (or the table a line for), else one kana; っ always stands alone,
  // since it takes its spelling from what follows.
  QStringList pieces;
  for (qsizetype i = 0; i < unit.size();) {
    if (i + 1 < unit.size() && !IsSmallTsu(unit.at(i))) {
      const QString pair = unit.mid(i, 2);
      if (RowOf(pair) != nullptr || m_keys.IndexOf(pair) >= 0) {
        pieces.append(pair);
        i += 2;
        continue;
      }
    }
    pieces.append(unit.mid(i, 1));
    ++i;
  }
  // Spelled from the end, so each piece sees what follows it; a piece's
  // preferred spelling first, and among equals the later pieces vary last.
  QStringList rests{QString()};
  for (qsizetype i = pieces.size() - 1; i >= 0; --i) {
    const QString& piece = pieces.at(i);
    QStringList spelled;
    for (const QString& rest : rests) {
      const QString after = rest.isEmpty() ? follow : rest;
      if (IsSyllabicN(piece) && !after.isEmpty() && EndsSyllabicN(Lower(after.at(0)))) {
        spelled.append(QStringLiteral("n") + rest);
      }
      if (IsSmallTsu(piece)) {
        const QString doubled = DoubledStart(after);
        if (!doubled.isEmpty()) spelled.append(doubled + rest);
      }
    }
    for (const QString& option : PieceOptions(guide, piece)) {
      for (const QString& rest : rests) {
        if (spelled.size() < kMaxSpellings) spelled.append(option + rest);
      }
    }
    if (spelled.isEmpty()) return {};
    rests = std::move(spelled);
  }
  return rests;
}

QString RomajiNotation::Plan(Notation guide, const QString& unit, const QString& next,
                             const QString& typed) const {
  const Unit u = Look(unit);
  if (guide == Notation::Table) return u.forms.value(0);
  const Unit n = next.isEmpty() ? Unit{} : Look(next);
  // ん and っ at the unit's end are spelled by the first letter planned for
  // the next unit (which is planned on its own: only its first letter counts).
  QString follow;
  if (!next.isEmpty() && (IsSyllabicN(unit) || IsSmallTsu(unit))) follow = Plan(guide, next, {}, {});
  for (const QString& spelling : Candidates(guide, unit, follow)) {
    if (!BeginsForm(spelling, typed)) continue;
    const GuideMatch m = MatchUnits(u, n, spelling);
    if (m == GuideMatch::Complete) return spelling;
    if (m == GuideMatch::Begun && !follow.isEmpty() &&
        MatchUnits(u, n, spelling + follow.left(1)) == GuideMatch::CompleteBeforeLast) {
      return spelling;
    }
  }
  // Keys beyond every planned spelling: the first accepted one they begin.
  for (const QString& form : u.forms) {
    if (BeginsForm(form, typed)) return form;
  }
  return u.forms.value(0);
}

}  // namespace shurencho
