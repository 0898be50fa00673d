#include "settings/settings.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <cmath>
#include <variant>

#include "platform/ini_file.h"
#include "text/comma_text.h"

namespace shurencho {

namespace {

const QString kMissingText = QStringLiteral("ERROR");

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QStringList DefaultSpeeds() { return {"0", "0", "0", "0", "0", "0"}; }

bool IsWholeNumber(const QString& item) {
  bool ok = false;
  item.trimmed().toInt(&ok);
  return ok;
}

// The grades and records need `count` whole numbers: each item that is one
// stays, a missing or bad one takes the default's item. Extra items are kept.
QStringList MergeNumberList(QStringList read, const QStringList& defaults, int count) {
  for (int i = 0; i < count; ++i) {
    if (i >= read.size()) {
      read.append(defaults.value(i));
    } else if (!IsWholeNumber(read[i])) {
      read[i] = defaults.value(i);
    }
  }
  return read;
}

// Reads one key at a time the way the settings file has always been read:
// a sentinel result means "missing", and the default is written back.
class Reader {
 public:
  Reader(const QString& path, MissingKeys missing) : m_ini(path), m_missing(missing) {
    if (m_ini.ReadFailed()) throw SettingsReadError(path);
  }

  void Text(const QString& section, const QString& key, QString& field) {
    const QString v = m_ini.ReadString(section, key, kMissingText);
    if (v == kMissingText) {
      Write(section, key, Quoted(field));
    } else {
      field = v;
    }
  }

  void List(const QString& section, const QString& key, QStringList& field, int count) {
    const QString v = m_ini.ReadString(section, key, kMissingText);
    if (v == kMissingText) {
      Write(section, key, JoinCommaText(field));
      return;
    }
    field = MergeNumberList(SplitCommaText(v), field, count);
  }

  void Flag(const QString& section, const QString& key, bool& field) {
    const bool result = m_ini.ReadInteger(section, key, field ? 1 : 0) != 0;
    if (result == field) Write(section, key, field ? QStringLiteral("1") : QStringLiteral("0"));
    field = result;
  }

  void Integer(const QString& section, const QString& key, int& field) {
    qint64 v = m_ini.ReadInteger(section, key, -1);
    if (v < INT32_MIN || v > INT32_MAX) v = -1;
    if (v == -1) {
      Write(section, key, QString::number(field));
    } else {
      field = static_cast<int>(v);
    }
  }

  void Time(const QString& section, const QString& key, double& field) {
    double v = -1.0;
    if (!ParseTimeOfDay(m_ini.ReadString(section, key, QString()), &v)) v = -1.0;
    if (v == -1.0) {
      Write(section, key, FormatTimeOfDay(field));
    } else {
      field = v;
    }
  }

  // A key of our own that is never created at start-up.
  void OptionalFlag(const QString& section, const QString& key, bool& field) {
    field = m_ini.ReadInteger(section, key, field ? 1 : 0) != 0;
  }
  void OptionalText(const QString& section, const QString& key, QString& field) {
    field = m_ini.ReadString(section, key, field);
  }
  void OptionalList(const QString& section, const QString& key, QStringList& field, int count) {
    const QString v = m_ini.ReadString(section, key, kMissingText);
    if (v != kMissingText) field = MergeNumberList(SplitCommaText(v), field, count);
  }
  bool Has(const QString& section, const QString& key) const { return !Value(section, key).isNull(); }
  // The key's text, or a null string when the file lacks it.
  QString Value(const QString& section, const QString& key) const {
    const QString v = m_ini.ReadString(section, key, kMissingText);
    return v == kMissingText ? QString() : v;
  }
  void OptionalInteger(const QString& section, const QString& key, int& field) {
    const qint64 v = m_ini.ReadInteger(section, key, field);
    field = (v >= INT32_MIN && v <= INT32_MAX) ? static_cast<int>(v) : field;
  }

  // Writes what the keys read so far put in: one save for the whole start-up,
  // not one flushed save per key. A failure is reported with every key
  // already read.
  void Finish() {
    if (m_written && !m_ini.Commit()) throw SettingsError(m_ini.path());
  }

 private:
  void Write(const QString& section, const QString& key, const QString& value) {
    if (m_missing == MissingKeys::Leave) return;
    m_ini.SetString(section, key, value);
    m_written = true;
  }
  IniFile m_ini;
  MissingKeys m_missing;
  bool m_written = false;
};

void SetDefaults(AppSettings& s) {
  s = AppSettings{};
  s.CompanyName = QStringLiteral("宙文舎");
  s.TradeMark = QStringLiteral("打鍵修練帖　Ver1.0");
  s.CourseName01 = QStringLiteral("アルファベット　文字入力練習");
  s.CourseName02 = QStringLiteral("アルファベット　単語入力練習");
  s.CourseName03 = QStringLiteral("ローマ字　文字入力練習");
  s.CourseName04 = QStringLiteral("ローマ字　単語入力練習");
  s.CourseName05 = QStringLiteral("ローマ字仮名　変換練習");
  s.CourseName06 = QStringLiteral("日本語入力実践");
  s.KeySpeed = DefaultSpeeds();
  s.KanaSpeed = DefaultSpeeds();
  s.Random = false;
  s.AutoCourse = false;
  s.Viewroma = true;
  s.CourseNo = 2;
  s.M1CourseNo = 0;
  s.BGMState = false;
  s.warmup = ClockSpan(30);
  s.Course01 = {"20", "40"};
  s.Course02 = {"20", "40"};
  s.Course03 = {"15", "25"};
  s.Course04 = {"15", "25"};
  s.Course05 = {"10", "15"};
  s.Course06 = {"10", "15"};
  s.KanaToRoma = QStringLiteral("roma01.dat");
  s.ArphTango = QStringLiteral("tangoe.dat");
  s.RomaTango = QStringLiteral("tango.dat");
  s.RomaTangoH = QStringLiteral("tangoh.dat");
  // Our own tune, shipped with the data files.
  s.BackGroundMusic = QStringLiteral("shurencho.mid");
  s.GameMap = QStringLiteral("tmap01.dat");
  s.HelpFile = QStringLiteral("readme.htm");
  s.WindowCaption = s.TradeMark + QStringLiteral("-") + s.CompanyName;
}

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// Every stored key, in the order the file is read and written; the field's
// type says the value's form (text, list, flag, integer, time).
struct SettingsKey {
  using Field = std::variant<QString ZINIconf::*, QStringList ZINIconf::*, bool ZINIconf::*, int ZINIconf::*,
                             double ZINIconf::*>;
  const char* section;
  const char* key;
  Field field;
  int listCount = 0;  // numbers a list must hold
};

const SettingsKey kKeys[] = {
    {"Titile", "TradeMark", &ZINIconf::TradeMark},
    {"Titile", "CompanyName", &ZINIconf::CompanyName},
    {"Titile", "CourseName01", &ZINIconf::CourseName01},
    {"Titile", "CourseName02", &ZINIconf::CourseName02},
    {"Titile", "CourseName03", &ZINIconf::CourseName03},
    {"Titile", "CourseName04", &ZINIconf::CourseName04},
    {"Titile", "CourseName05", &ZINIconf::CourseName05},
    {"Titile", "CourseName06", &ZINIconf::CourseName06},
    {"Result", "KeySpeed", &ZINIconf::KeySpeed, 6},
    {"Result", "Random", &ZINIconf::Random},
    {"Result", "AutoCourse", &ZINIconf::AutoCourse},
    {"Result", "Viewroma", &ZINIconf::Viewroma},
    {"Result", "CourseNo", &ZINIconf::CourseNo},
    {"Result", "M1CourseNo", &ZINIconf::M1CourseNo},
    {"Result", "BGMState", &ZINIconf::BGMState},
    {"Stat", "warmup", &ZINIconf::warmup},
    {"Stat", "Course01", &ZINIconf::Course01, 2},
    {"Stat", "Course02", &ZINIconf::Course02, 2},
    {"Stat", "Course03", &ZINIconf::Course03, 2},
    {"Stat", "Course04", &ZINIconf::Course04, 2},
    {"Stat", "Course05", &ZINIconf::Course05, 2},
    {"Stat", "Course06", &ZINIconf::Course06, 2},
    {"Datafiles", "KanaToRoma", &ZINIconf::KanaToRoma},
    {"Datafiles", "ArphTango", &ZINIconf::ArphTango},
    {"Datafiles", "RomaTango", &ZINIconf::RomaTango},
    {"Datafiles", "RomaTangoH", &ZINIconf::RomaTangoH},
    {"Datafiles", "BackGroundMusic", &ZINIconf::BackGroundMusic},
    {"Datafiles", "GameMap", &ZINIconf::GameMap},
    {"Datafiles", "HelpFile", &ZINIconf::HelpFile},
};

// The keys beyond the classic ones: read when present, written only when
// they differ from their default or the file already has them.
const QString kHistorySection = QStringLiteral("History");
const QString kWeakDrillKey = QStringLiteral("WeakDrill");
const QString kServerKey = QStringLiteral("Server");
const QString kAbsent = QStringLiteral("\x01absent");
const QString kRomajiSection = QStringLiteral("Romaji");
const QString kGuideKey = QStringLiteral("Guide");
const QString kKanaInputKey = QStringLiteral("KanaInput");
const QString kKanaSpeedKey = QStringLiteral("KanaSpeed");
const QString kGuideSection = QStringLiteral("Guide");
const QString kGuideShowKey = QStringLiteral("Show");
const QString kGuideLayoutKey = QStringLiteral("Layout");
const QString kPassItemsKey = QStringLiteral("PassItems");
const QString kReadingSection = QStringLiteral("Reading");
const QString kFuriganaKey = QStringLiteral("Furigana");
const QString kTextScaleKey = QStringLiteral("TextScale");
// Notations the drill knows: a stored value beyond them is the table's hint.
constexpr int kGuideNotations = 3;

// The layouts the guide knows; anything else is left to the keyboard map.
QString LayoutFrom(const QString& text) {
  const QString layout = text.trimmed().toLower();
  return layout == QLatin1String("jis") || layout == QLatin1String("us") ? layout : QString();
}

// 1, 1.25 or 1.5 as a percentage; anything else is the normal size.
int TextScaleFrom(const QString& text) {
  bool number = false;
  const double scale = text.trimmed().toDouble(&number);
  if (!number) return 100;
  for (int percent : {100, 125, 150}) {
    if (qAbs(scale * 100 - percent) < 0.5) return percent;
  }
  return 100;
}

QString TextScaleText(int percent) { return QString::number(percent / 100.0); }

// Out of range is the default, so a typing slip cannot make passes of one item.
int PassItemsFrom(const QString& text) {
  bool number = false;
  const int items = text.trimmed().toInt(&number);
  return number && items >= 5 && items <= 100 ? items : ZINIconf::kDefaultPassItems;
}

}  // namespace

SettingsError::SettingsError(const QString& path)
    : std::runtime_error(("cannot write the settings file " + path).toStdString()) {}

SettingsReadError::SettingsReadError(const QString& path)
    : SettingsError(("cannot read the settings file " + path).toStdString()) {}

const QStringList& ZINIconf::CourseThresholds(int k) const {
  switch (k) {
    case 1:
      return Course01;
    case 2:
      return Course02;
    case 3:
      return Course03;
    case 4:
      return Course04;
    case 5:
      return Course05;
    default:
      return Course06;
  }
}

const QString& ZINIconf::CourseName(int k) const {
  switch (k) {
    case 1:
      return CourseName01;
    case 2:
      return CourseName02;
    case 3:
      return CourseName03;
    case 4:
      return CourseName04;
    case 5:
      return CourseName05;
    default:
      return CourseName06;
  }
}

int ZINIconf::RecordedSpeed(int k) const {
  return (k >= 1 && k <= KeySpeed.size()) ? KeySpeed[k - 1].trimmed().toInt() : 0;
}

void ZINIconf::SetRecordedSpeed(int k, int speed) {
  while (KeySpeed.size() < 6) KeySpeed.append(QStringLiteral("0"));
  if (k >= 1 && k <= KeySpeed.size()) KeySpeed[k - 1] = QString::number(speed);
}

int ZINIconf::DrillSpeed(int k) const {
  if (!KanaCourse(k)) return RecordedSpeed(k);
  return k <= KanaSpeed.size() ? KanaSpeed[k - 1].trimmed().toInt() : 0;
}

void ZINIconf::SetDrillSpeed(int k, int speed) {
  if (!KanaCourse(k)) {
    SetRecordedSpeed(k, speed);
    return;
  }
  while (KanaSpeed.size() < 6) KanaSpeed.append(QStringLiteral("0"));
  KanaSpeed[k - 1] = QString::number(speed);
}

QString UserConfigDir() {
  const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
  const QString home = qEnvironmentVariable("HOME");
  // Without a home folder the settings stay in the current folder.
  if (home.isEmpty()) return QDir::currentPath();
  return QDir::cleanPath(home + QStringLiteral("/.config"));
}

QString SettingsFilePathFor(const QString& programPath, bool programWritable, const QString& configDir) {
  const QFileInfo program(programPath);
  const QString name = program.completeBaseName() + QStringLiteral(".ini");
  if (!programWritable) return QDir(configDir).filePath(name);
  return program.dir().filePath(name);
}

QString SettingsFilePath(const QString& programPath) {
  const bool writable = ::access(QFile::encodeName(programPath).constData(), W_OK) == 0;
  const QString path = SettingsFilePathFor(programPath, writable, UserConfigDir());
  // The config folder may not exist yet for a new user.
  if (!writable) QDir().mkpath(QFileInfo(path).absolutePath());
  return path;
}

QString SystemHistoryServer() {
  const QString server = SystemSetting(kHistorySection, kServerKey, kAbsent);
  return server == kAbsent ? QString() : server.trimmed();
}

QString SystemSetting(const QString& section, const QString& key, const QString& absent) {
  QString dirs = qEnvironmentVariable("XDG_CONFIG_DIRS");
  if (dirs.isEmpty()) dirs = QStringLiteral("/etc/xdg");
  for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
    // Relative entries are ignored, as the base directory rules say.
    if (!QDir::isAbsolutePath(dir)) continue;
    const QString path = QDir(dir).filePath(QStringLiteral("shurencho.ini"));
    if (!QFileInfo(path).isFile()) continue;
    const IniFile ini(path);
    const QString value = ini.ReadString(section, key, kAbsent);
    if (value != kAbsent) return value;
  }
  return absent;
}

void LoadSettings(AppSettings& s, bool readFile, const QString& path, MissingKeys missing) {
  SetDefaults(s);
  s.HistoryServer = SystemHistoryServer();
  s.GuidePassItems = PassItemsFrom(SystemSetting(kGuideSection, kPassItemsKey, QString()));
  if (!readFile) return;
  Reader r(path, missing);
  for (const SettingsKey& k : kKeys) {
    const QString section = QString::fromLatin1(k.section);
    const QString key = QString::fromLatin1(k.key);
    std::visit(Overloaded{
                   [&](QString ZINIconf::*f) { r.Text(section, key, s.*f); },
                   [&](QStringList ZINIconf::*f) { r.List(section, key, s.*f, k.listCount); },
                   [&](bool ZINIconf::*f) { r.Flag(section, key, s.*f); },
                   [&](int ZINIconf::*f) { r.Integer(section, key, s.*f); },
                   [&](double ZINIconf::*f) { r.Time(section, key, s.*f); },
               },
               k.field);
    // The title takes its spaced form once both of its halves are read.
    if (k.field == SettingsKey::Field(&ZINIconf::CompanyName)) {
      s.WindowCaption = s.TradeMark + QStringLiteral(" - ") + s.CompanyName;
    }
  }
  r.OptionalFlag(kHistorySection, kWeakDrillKey, s.WeakDrill);
  r.OptionalText(kHistorySection, kServerKey, s.HistoryServer);
  s.HistoryServer = s.HistoryServer.trimmed();
  r.OptionalInteger(kRomajiSection, kGuideKey, s.RomajiGuide);
  if (s.RomajiGuide < 0 || s.RomajiGuide >= kGuideNotations) s.RomajiGuide = 0;
  r.OptionalFlag(kRomajiSection, kKanaInputKey, s.KanaInput);
  r.OptionalList(kRomajiSection, kKanaSpeedKey, s.KanaSpeed, 6);
  s.GuideShowInFile = r.Has(kGuideSection, kGuideShowKey);
  r.OptionalFlag(kGuideSection, kGuideShowKey, s.GuideShow);
  if (const QString layout = r.Value(kGuideSection, kGuideLayoutKey); !layout.isNull())
    s.GuideLayout = LayoutFrom(layout);
  // The learner's own file over the teacher's choice for the room.
  if (const QString items = r.Value(kGuideSection, kPassItemsKey); !items.isNull())
    s.GuidePassItems = PassItemsFrom(items);
  r.OptionalFlag(kReadingSection, kFuriganaKey, s.Furigana);
  if (const QString scale = r.Value(kReadingSection, kTextScaleKey); !scale.isNull())
    s.TextScale = TextScaleFrom(scale);
  r.Finish();
}

void SaveSettings(const AppSettings& s, const QString& path) {
  IniFile ini(path);
  // Without its lines we would lose what the file holds beyond our keys.
  if (ini.ReadFailed()) throw SettingsError(path);
  for (const SettingsKey& k : kKeys) {
    const QString value =
        std::visit(Overloaded{
                       [&](QString ZINIconf::*f) { return Quoted(s.*f); },
                       [&](QStringList ZINIconf::*f) { return JoinCommaText(s.*f); },
                       [&](bool ZINIconf::*f) { return s.*f ? QStringLiteral("1") : QStringLiteral("0"); },
                       [&](int ZINIconf::*f) { return QString::number(s.*f); },
                       [&](double ZINIconf::*f) { return FormatTimeOfDay(s.*f); },
                   },
                   k.field);
    ini.SetString(QString::fromLatin1(k.section), QString::fromLatin1(k.key), value);
  }
  // Our own keys: a text the file holds stays as the user wrote it while it
  // still means the value held (a value we could not read meant the
  // default), so a close that changed nothing rewrites none of them.
  AppSettings d;
  SetDefaults(d);
  auto flagMeans = [](const QString& text, bool def) {
    qint64 v = 0;
    return ParseIniInteger(text, &v) ? v != 0 : def;
  };
  auto put = [&ini](const QString& section, const QString& key, const QString& text, bool means) {
    if (means && ini.ReadString(section, key, kAbsent) != kAbsent) return;
    ini.SetString(section, key, text);
  };
  auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
  const QString weakDrill = ini.ReadString(kHistorySection, kWeakDrillKey, kAbsent);
  if (s.WeakDrill || weakDrill != kAbsent)
    put(kHistorySection, kWeakDrillKey, flag(s.WeakDrill), flagMeans(weakDrill, d.WeakDrill) == s.WeakDrill);
  // The server is the teacher's choice: kept in the user's file only where
  // that file already names one (or names none, to opt out).
  const QString server = ini.ReadString(kHistorySection, kServerKey, kAbsent);
  if (server != kAbsent)
    put(kHistorySection, kServerKey, s.HistoryServer, server.trimmed() == s.HistoryServer);
  const QString guide = ini.ReadString(kRomajiSection, kGuideKey, kAbsent);
  if (s.RomajiGuideChosen || guide != kAbsent) {
    qint64 stored = 0;
    if (!ParseIniInteger(guide, &stored) || stored < 0 || stored >= kGuideNotations) stored = 0;
    put(kRomajiSection, kGuideKey, QString::number(s.RomajiGuide),
        !s.RomajiGuideChosen && stored == s.RomajiGuide);
  }
  const QString kanaInput = ini.ReadString(kRomajiSection, kKanaInputKey, kAbsent);
  const QString kanaSpeed = ini.ReadString(kRomajiSection, kKanaSpeedKey, kAbsent);
  if (s.KanaInputChosen || kanaInput != kAbsent || kanaSpeed != kAbsent) {
    put(kRomajiSection, kKanaInputKey, flag(s.KanaInput),
        !s.KanaInputChosen && flagMeans(kanaInput, d.KanaInput) == s.KanaInput);
    put(kRomajiSection, kKanaSpeedKey, JoinCommaText(s.KanaSpeed),
        MergeNumberList(SplitCommaText(kanaSpeed), d.KanaSpeed, 6) == s.KanaSpeed);
  }
  const QString guideShow = ini.ReadString(kGuideSection, kGuideShowKey, kAbsent);
  if (s.GuideShowChosen || guideShow != kAbsent) {
    put(kGuideSection, kGuideShowKey, flag(s.GuideShow),
        !s.GuideShowChosen && flagMeans(guideShow, d.GuideShow) == s.GuideShow);
  }
  const QString furigana = ini.ReadString(kReadingSection, kFuriganaKey, kAbsent);
  if (s.FuriganaChosen || furigana != kAbsent) {
    put(kReadingSection, kFuriganaKey, flag(s.Furigana),
        !s.FuriganaChosen && flagMeans(furigana, d.Furigana) == s.Furigana);
  }
  const QString scale = ini.ReadString(kReadingSection, kTextScaleKey, kAbsent);
  if (s.TextScaleChosen || scale != kAbsent) {
    put(kReadingSection, kTextScaleKey, TextScaleText(s.TextScale),
        !s.TextScaleChosen && TextScaleFrom(scale) == s.TextScale);
  }
  const QString guideLayout = ini.ReadString(kGuideSection, kGuideLayoutKey, kAbsent);
  if ((s.GuideLayoutChosen && !s.GuideLayout.isEmpty()) || guideLayout != kAbsent) {
    put(kGuideSection, kGuideLayoutKey, s.GuideLayout,
        !s.GuideLayoutChosen && LayoutFrom(guideLayout) == s.GuideLayout);
  }
  // All keys go out in one atomic write: a failure leaves the old file whole.
  if (!ini.Commit()) throw SettingsError(path);
}

Grade SpeedLevel(int speed, int t0, int t1) {
  if (speed < t0) return Grade::Poor;
  if (speed < t1) return Grade::Good;
  return Grade::Excellent;
}

QString SpeedGrade(int speed, int t0, int t1) {
  switch (SpeedLevel(speed, t0, t1)) {
    case Grade::Poor:
      return QStringLiteral("×");
    case Grade::Good:
      return QStringLiteral("○");
    case Grade::Excellent:
      break;
  }
  return QStringLiteral("◎");
}

Grade CourseLevel(const AppSettings& s, int k) {
  const QStringList& t = s.CourseThresholds(k);
  return SpeedLevel(s.RecordedSpeed(k), t.value(0).trimmed().toInt(), t.value(1).trimmed().toInt());
}

QString CourseGrade(const AppSettings& s, int k) {
  const QStringList& t = s.CourseThresholds(k);
  return SpeedGrade(s.RecordedSpeed(k), t.value(0).trimmed().toInt(), t.value(1).trimmed().toInt());
}

QString KanaInputCourseName(const QString& name) {
  static const QString kana = QStringLiteral("かな入力");
  for (const QString& romaji : {QStringLiteral("ローマ字仮名"), QStringLiteral("ローマ字")}) {
    if (name.contains(romaji)) return QString(name).replace(romaji, kana);
  }
  return kana + QLatin1Char(' ') + name;
}

QString DrillGrade(const AppSettings& s, int k) { return CourseSpeedGrade(s, k, s.DrillSpeed(k)); }

QString CourseSpeedGrade(const AppSettings& s, int k, int speed) {
  const QStringList& t = s.CourseThresholds(k);
  return SpeedGrade(speed, t.value(0).trimmed().toInt(), t.value(1).trimmed().toInt());
}

QString FormatTimeOfDay(ClockTime span) {
  qint64 total = std::llround(span * kSecondsPerDay);
  total = ((total % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
  return QStringLiteral("%1:%2:%3")
      .arg(total / 3600)
      .arg((total / 60) % 60, 2, 10, QLatin1Char('0'))
      .arg(total % 60, 2, 10, QLatin1Char('0'));
}

bool ParseTimeOfDay(const QString& text, ClockTime* span) {
  const QStringList parts = text.trimmed().split(QLatin1Char(':'));
  if (parts.size() < 2 || parts.size() > 3) return false;
  int v[3] = {0, 0, 0};
  for (qsizetype i = 0; i < parts.size(); ++i) {
    const QString p = parts[i].trimmed();
    if (p.isEmpty() || p.size() > 2) return false;
    bool ok = false;
    v[i] = p.toInt(&ok);
    if (!ok || v[i] < 0) return false;
  }
  if (v[0] > 23 || v[1] > 59 || v[2] > 59) return false;
  *span = ClockSpan(v[0] * 3600 + v[1] * 60 + v[2]);
  return true;
}

}  // namespace shurencho
