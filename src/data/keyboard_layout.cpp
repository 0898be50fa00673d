#include "data/keyboard_layout.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/data_dirs.h"
#include "text/errors.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

using F = Finger;

constexpr std::array<const char*, 9> kFingerCodes{"LP", "LR", "LM", "LI", "TH", "RI", "RM", "RR", "RP"};

// In the order of JisKey, from Digit1.
constexpr std::array<const char*, kJisKeyCount> kJisKeyNames{
    "Digit1",
    "Digit2",
    "Digit3",
    "Digit4",
    "Digit5",
    "Digit6",
    "Digit7",
    "Digit8",
    "Digit9",
    "Digit0",
    "Minus",
    "Caret",
    "Yen",
    "Q",
    "W",
    "E",
    "R",
    "T",
    "Y",
    "U",
    "I",
    "O",
    "P",
    "At",
    "LeftBracket",
    "A",
    "S",
    "D",
    "F",
    "G",
    "H",
    "J",
    "K",
    "L",
    "Semicolon",
    "Colon",
    "RightBracket",
    "Z",
    "X",
    "C",
    "V",
    "B",
    "N",
    "M",
    "Comma",
    "Period",
    "Slash",
    "Ro",
};

std::optional<Finger> FingerFrom(const QString& code) {
  for (size_t i = 0; i < kFingerCodes.size(); ++i) {
    if (code == QLatin1String(kFingerCodes[i])) return static_cast<Finger>(i);
  }
  return std::nullopt;
}

std::optional<JisKey> JisKeyFrom(const QString& name) {
  if (name == QLatin1String("-")) return JisKey::None;
  for (size_t i = 0; i < kJisKeyNames.size(); ++i) {
    if (name == QLatin1String(kJisKeyNames[i])) return static_cast<JisKey>(i + 1);
  }
  return std::nullopt;
}

// A character column: one character, or a name for a key without one.
std::optional<char16_t> CharacterFrom(const QString& field, bool* shift) {
  if (field.size() == 1) return field.front().unicode();
  if (field == QLatin1String("none")) return char16_t{0};
  if (field == QLatin1String("space")) return u' ';
  if (field == QLatin1String("enter")) return u'\r';
  if (field == QLatin1String("tab")) return u'\t';
  if (field == QLatin1String("bs")) return u'\b';
  if (field == QLatin1String("shift") && shift != nullptr) {
    *shift = true;
    return char16_t{0};
  }
  return std::nullopt;
}

std::optional<double> NumberFrom(const QString& field) {
  bool ok = false;
  const double v = field.toDouble(&ok);
  if (!ok || v < 0 || v > 40) return std::nullopt;
  return v;
}

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

// The first `count` fields, split at runs of blanks, and the rest of the
// line after them (spaces within it kept) as the last entry.
QStringList FieldsOf(QStringView line, int count) {
  QStringList fields;
  qsizetype i = 0;
  auto skipBlanks = [&] {
    while (i < line.size() && IsBlank(line[i])) ++i;
  };
  skipBlanks();
  while (fields.size() < count && i < line.size()) {
    const qsizetype start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    fields.append(line.mid(start, i - start).toString());
    skipBlanks();
  }
  fields.append(line.mid(i).trimmed().toString());
  return fields;
}

KeyCap KeyFromLine(const QString& line, const QString& fileName, int lineNo) {
  const QStringList fields = FieldsOf(line.trimmed(), 10);
  auto fail = [&](const QString& what) { throw DataFileError(fileName, lineNo, what); };
  if (fields.size() < 11 || fields[10].isEmpty())
    fail(QStringLiteral("キーの列が足りません（11 列必要です）"));
  KeyCap key;
  const std::optional<double> place[] = {NumberFrom(fields[0]), NumberFrom(fields[1]), NumberFrom(fields[2]),
                                         NumberFrom(fields[3])};
  for (const auto& v : place) {
    if (!v) fail(QStringLiteral("キーの位置か大きさが読めません"));
  }
  key.x = *place[0];
  key.y = *place[1];
  key.w = *place[2];
  key.h = *place[3];
  if (key.w <= 0 || key.h <= 0) fail(QStringLiteral("キーの位置か大きさが読めません"));
  const std::optional<Finger> finger = FingerFrom(fields[4]);
  if (!finger) fail(QStringLiteral("指の名前が読めません（LP LR LM LI TH RI RM RR RP）"));
  key.finger = *finger;
  if (fields[5] != QLatin1String("0") && fields[5] != QLatin1String("1"))
    fail(QStringLiteral("突起の列は 0 か 1 です"));
  key.bump = fields[5] == QLatin1String("1");
  bool ok = false;
  key.keycode = fields[6].toInt(&ok);
  if (!ok || key.keycode < 0 || key.keycode > 255) fail(QStringLiteral("キーコードが読めません"));
  const std::optional<JisKey> jis = JisKeyFrom(fields[7]);
  if (!jis) fail(QStringLiteral("かなの位置の名前が読めません"));
  key.jis = *jis;
  const std::optional<char16_t> plain = CharacterFrom(fields[8], &key.shift);
  const std::optional<char16_t> shifted = CharacterFrom(fields[9], nullptr);
  if (!plain || !shifted) fail(QStringLiteral("キーの文字が読めません"));
  key.plain = *plain;
  key.shifted = *shifted;
  // The legend is the rest of the line, spaces and all.
  key.top = fields[10];
  return key;
}

}  // namespace

QString FingerName(Finger finger) {
  switch (finger) {
    case F::LeftPinky:
      return QStringLiteral("左小指");
    case F::LeftRing:
      return QStringLiteral("左薬指");
    case F::LeftMiddle:
      return QStringLiteral("左中指");
    case F::LeftIndex:
      return QStringLiteral("左人差し指");
    case F::Thumb:
      return QStringLiteral("親指");
    case F::RightIndex:
      return QStringLiteral("右人差し指");
    case F::RightMiddle:
      return QStringLiteral("右中指");
    case F::RightRing:
      return QStringLiteral("右薬指");
    case F::RightPinky:
      return QStringLiteral("右小指");
  }
  return {};
}

bool LeftHand(Finger finger) { return finger < Finger::Thumb; }

const char* FingerColour(Finger finger, bool strong) {
  // Pinky, ring, middle, index, thumb.
  static constexpr const char* kStrong[] = {"#ff55aa", "#cccc22", "#55ddff", "#cc8866", "#9988ff"};
  static constexpr const char* kPale[] = {"#ffc4e1", "#ededb2", "#c4f3ff", "#edd5c9", "#dbd5ff"};
  const int f = static_cast<int>(finger);
  const int i =
      finger == Finger::Thumb ? 4 : (LeftHand(finger) ? f : static_cast<int>(Finger::RightPinky) - f);
  return strong ? kStrong[i] : kPale[i];
}

bool IsCharacterKey(const KeyCap& key) { return key.plain > u' ' || key.shifted > u' '; }

QStringList MissNames(const KeyCap& key) {
  const auto text = [](QChar c) { return c.isNull() ? QString() : QString(c); };
  const QString candidates[] = {text(QChar(key.plain)), text(QChar(key.shifted)), key.top,
                                text(KanaOfKey(key.jis, false)), text(KanaOfKey(key.jis, true))};
  QStringList names;
  for (const QString& name : candidates) {
    const QString lower = name.toLower();
    if (name.size() == 1 && !names.contains(lower)) names.append(lower);
  }
  return names;
}

KeyboardLayout::KeyboardLayout(KeyboardKind kind, std::vector<KeyCap> keys)
    : m_kind(kind), m_keys(std::move(keys)) {
  for (int i = 0; i < static_cast<int>(m_keys.size()); ++i) {
    const KeyCap& k = m_keys[i];
    m_width = std::max(m_width, k.x + k.w);
    m_height = std::max(m_height, k.y + k.h);
    if (k.plain == u'\b' && m_backspace < 0) m_backspace = i;
    if (k.shift) (LeftHand(k.finger) ? m_leftShift : m_rightShift) = i;
  }
}

int KeyboardLayout::IndexOf(char16_t c, bool shifted) const {
  if (c == 0) return -1;
  for (int i = 0; i < static_cast<int>(m_keys.size()); ++i) {
    if ((shifted ? m_keys[i].shifted : m_keys[i].plain) == c) return i;
  }
  return -1;
}

int KeyboardLayout::KeyAt(JisKey jis) const {
  if (jis == JisKey::None) return -1;
  for (int i = 0; i < static_cast<int>(m_keys.size()); ++i) {
    if (m_keys[i].jis == jis) return i;
  }
  return -1;
}

JisKey KeyboardLayout::JisKeyAtKeycode(quint32 keycode) const {
  if (keycode == 0) return JisKey::None;
  for (const KeyCap& k : m_keys) {
    if (static_cast<quint32>(k.keycode) == keycode) return k.jis;
  }
  return JisKey::None;
}

KeyStroke KeyboardLayout::StrokeOf(QChar c) const {
  char16_t u = c.unicode();
  if (u == u'\n') u = u'\r';
  if (u == 0x3000) u = u' ';
  // A yen sign is the backslash's key: the JIS key top shows ¥ for it.
  if (u == 0xA5 || u == 0xFFE5) u = u'\\';
  // Full-width letters and signs are typed as their ASCII keys.
  if (u >= 0xFF01 && u <= 0xFF5E) u = static_cast<char16_t>(u - 0xFEE0);
  if (u < 0x80) {
    if (const int plain = IndexOf(u, false); plain >= 0) return {plain, false};
    if (const int shifted = IndexOf(u, true); shifted >= 0) return {shifted, true};
    return {};
  }
  const QList<KanaStroke> strokes = KanaStrokes(QString(QChar(u)));
  if (strokes.isEmpty()) return {};
  const int key = KeyAt(strokes.first().key);
  if (key < 0) return {};
  return {key, strokes.first().shift};
}

int KeyboardLayout::ShiftFor(int key) const {
  if (key < 0 || key >= static_cast<int>(m_keys.size())) return m_leftShift;
  return LeftHand(m_keys[key].finger) ? m_rightShift : m_leftShift;
}

KeyboardLayout ParseKeyboardLayout(const QString& text, KeyboardKind kind, const QString& fileName) {
  std::vector<KeyCap> keys;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
    keys.push_back(KeyFromLine(line, fileName, i + 1));
  }
  KeyboardLayout layout(kind, std::move(keys));
  if (layout.Backspace() < 0 || !layout.HasShifts())
    throw DataFileError(fileName, 0, QStringLiteral("BS か左右の Shift キーがありません"));
  return layout;
}

KeyboardLayout LoadKeyboardLayout(const QString& path, KeyboardKind kind) {
  QByteArray bytes;
  FileFault fault = FileFault::None;
  if (!ReadRegularFile(path, kMaxDataFileBytes, &bytes, &fault))
    throw DataFileError(path, 0, FileFaultText(fault));
  return ParseKeyboardLayout(QString::fromUtf8(bytes), kind, path);
}

KeyboardLayouts LoadKeyboardLayouts(const QString& programPath, const KeyboardFiles& files) {
  return {LoadKeyboardLayout(FindDataFile(files.jis, programPath), KeyboardKind::Jis),
          LoadKeyboardLayout(FindDataFile(files.us, programPath), KeyboardKind::Us)};
}

KeyboardKind ChosenKeyboard(const QString& setting, const QString& keyboardMap) {
  const QString chosen = setting.trimmed().toLower();
  if (chosen == QLatin1String("us")) return KeyboardKind::Us;
  if (chosen == QLatin1String("jis")) return KeyboardKind::Jis;
  const QString first = keyboardMap.section(QLatin1Char(','), 0, 0).trimmed();
  return first == QLatin1String("us") ? KeyboardKind::Us : KeyboardKind::Jis;
}

QString KeyboardSettingName(KeyboardKind kind) {
  return kind == KeyboardKind::Us ? QStringLiteral("us") : QStringLiteral("jis");
}

}  // namespace shurencho
