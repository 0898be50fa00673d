#include "settings/settings.h"

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <cmath>

#include "platform/ini_file.h"
#include "text/comma_text.h"

namespace {

const QString kTitile = QStringLiteral("Titile");
const QString kResult = QStringLiteral("Result");
const QString kStat = QStringLiteral("Stat");
const QString kDatafiles = QStringLiteral("Datafiles");
const QString kMissingText = QStringLiteral("ERROR");

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QStringList DefaultSpeeds() { return {"0", "0", "0", "0", "0", "0"}; }

// Lists must hold at least `count` whole numbers; anything else falls back
// to the key's default, so the grades and records can always be computed.
bool ValidNumberList(const QStringList& list, int count) {
  if (list.size() < count) return false;
  for (int i = 0; i < count; ++i) {
    bool ok = false;
    list[i].trimmed().toInt(&ok);
    if (!ok) return false;
  }
  return true;
}

// Reads one key at a time the way the settings file has always been read:
// a sentinel result means "missing", and the default is written at once.
class Reader {
 public:
  explicit Reader(const QString& path) : m_ini(path) {}

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
    const QStringList read = SplitCommaText(v);
    if (ValidNumberList(read, count)) field = read;
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

 private:
  void Write(const QString& section, const QString& key, const QString& value) {
    if (!m_ini.WriteString(section, key, value)) throw SettingsError(m_ini.path());
  }
  IniFile m_ini;
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
  s.Random = false;
  s.AutoCourse = false;
  s.Viewroma = true;
  s.CourseNo = 2;
  s.M1CourseNo = 0;
  s.BGMState = false;
  s.warmup = 30.0 / 86400.0;
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
  // Our own tune, shipped with the data files, stands where the system's
  // sample tune used to be.
  s.BackGroundMusic = QStringLiteral("shurencho.mid");
  s.GameMap = QStringLiteral("tmap01.dat");
  s.HelpFile = QStringLiteral("readme.htm");
  s.WindowCaption = s.TradeMark + QStringLiteral("-") + s.CompanyName;
}

}  // namespace

SettingsError::SettingsError(const QString& path)
    : std::runtime_error(("cannot write the settings file " + path).toStdString()) {}

const QStringList& ZINIconf::CourseThresholds(int k) const {
  switch (k) {
    case 1: return Course01;
    case 2: return Course02;
    case 3: return Course03;
    case 4: return Course04;
    case 5: return Course05;
    default: return Course06;
  }
}

int ZINIconf::RecordedSpeed(int k) const {
  return (k >= 1 && k <= KeySpeed.size()) ? KeySpeed[k - 1].trimmed().toInt() : 0;
}

void ZINIconf::SetRecordedSpeed(int k, int speed) {
  while (KeySpeed.size() < 6) KeySpeed.append(QStringLiteral("0"));
  if (k >= 1 && k <= KeySpeed.size()) KeySpeed[k - 1] = QString::number(speed);
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

void LoadSettings(AppSettings& s, bool readFile, const QString& path) {
  SetDefaults(s);
  if (!readFile) return;
  Reader r(path);
  r.Text(kTitile, QStringLiteral("TradeMark"), s.TradeMark);
  r.Text(kTitile, QStringLiteral("CompanyName"), s.CompanyName);
  s.WindowCaption = s.TradeMark + QStringLiteral(" - ") + s.CompanyName;
  r.Text(kTitile, QStringLiteral("CourseName01"), s.CourseName01);
  r.Text(kTitile, QStringLiteral("CourseName02"), s.CourseName02);
  r.Text(kTitile, QStringLiteral("CourseName03"), s.CourseName03);
  r.Text(kTitile, QStringLiteral("CourseName04"), s.CourseName04);
  r.Text(kTitile, QStringLiteral("CourseName05"), s.CourseName05);
  r.Text(kTitile, QStringLiteral("CourseName06"), s.CourseName06);
  r.List(kResult, QStringLiteral("KeySpeed"), s.KeySpeed, 6);
  r.Flag(kResult, QStringLiteral("Random"), s.Random);
  r.Flag(kResult, QStringLiteral("AutoCourse"), s.AutoCourse);
  r.Flag(kResult, QStringLiteral("Viewroma"), s.Viewroma);
  r.Integer(kResult, QStringLiteral("CourseNo"), s.CourseNo);
  r.Integer(kResult, QStringLiteral("M1CourseNo"), s.M1CourseNo);
  r.Flag(kResult, QStringLiteral("BGMState"), s.BGMState);
  r.Time(kStat, QStringLiteral("warmup"), s.warmup);
  r.List(kStat, QStringLiteral("Course01"), s.Course01, 2);
  r.List(kStat, QStringLiteral("Course02"), s.Course02, 2);
  r.List(kStat, QStringLiteral("Course03"), s.Course03, 2);
  r.List(kStat, QStringLiteral("Course04"), s.Course04, 2);
  r.List(kStat, QStringLiteral("Course05"), s.Course05, 2);
  r.List(kStat, QStringLiteral("Course06"), s.Course06, 2);
  r.Text(kDatafiles, QStringLiteral("KanaToRoma"), s.KanaToRoma);
  r.Text(kDatafiles, QStringLiteral("ArphTango"), s.ArphTango);
  r.Text(kDatafiles, QStringLiteral("RomaTango"), s.RomaTango);
  r.Text(kDatafiles, QStringLiteral("RomaTangoH"), s.RomaTangoH);
  r.Text(kDatafiles, QStringLiteral("BackGroundMusic"), s.BackGroundMusic);
  r.Text(kDatafiles, QStringLiteral("GameMap"), s.GameMap);
  r.Text(kDatafiles, QStringLiteral("HelpFile"), s.HelpFile);
}

void SaveSettings(const AppSettings& s, const QString& path) {
  IniFile ini(path);
  auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
  ini.SetString(kTitile, QStringLiteral("TradeMark"), Quoted(s.TradeMark));
  ini.SetString(kTitile, QStringLiteral("CompanyName"), Quoted(s.CompanyName));
  ini.SetString(kTitile, QStringLiteral("CourseName01"), Quoted(s.CourseName01));
  ini.SetString(kTitile, QStringLiteral("CourseName02"), Quoted(s.CourseName02));
  ini.SetString(kTitile, QStringLiteral("CourseName03"), Quoted(s.CourseName03));
  ini.SetString(kTitile, QStringLiteral("CourseName04"), Quoted(s.CourseName04));
  ini.SetString(kTitile, QStringLiteral("CourseName05"), Quoted(s.CourseName05));
  ini.SetString(kTitile, QStringLiteral("CourseName06"), Quoted(s.CourseName06));
  ini.SetString(kResult, QStringLiteral("KeySpeed"), JoinCommaText(s.KeySpeed));
  ini.SetString(kResult, QStringLiteral("Random"), flag(s.Random));
  ini.SetString(kResult, QStringLiteral("AutoCourse"), flag(s.AutoCourse));
  ini.SetString(kResult, QStringLiteral("Viewroma"), flag(s.Viewroma));
  ini.SetString(kResult, QStringLiteral("CourseNo"), QString::number(s.CourseNo));
  ini.SetString(kResult, QStringLiteral("M1CourseNo"), QString::number(s.M1CourseNo));
  ini.SetString(kResult, QStringLiteral("BGMState"), flag(s.BGMState));
  ini.SetString(kStat, QStringLiteral("warmup"), FormatTimeOfDay(s.warmup));
  ini.SetString(kStat, QStringLiteral("Course01"), JoinCommaText(s.Course01));
  ini.SetString(kStat, QStringLiteral("Course02"), JoinCommaText(s.Course02));
  ini.SetString(kStat, QStringLiteral("Course03"), JoinCommaText(s.Course03));
  ini.SetString(kStat, QStringLiteral("Course04"), JoinCommaText(s.Course04));
  ini.SetString(kStat, QStringLiteral("Course05"), JoinCommaText(s.Course05));
  ini.SetString(kStat, QStringLiteral("Course06"), JoinCommaText(s.Course06));
  ini.SetString(kDatafiles, QStringLiteral("KanaToRoma"), Quoted(s.KanaToRoma));
  ini.SetString(kDatafiles, QStringLiteral("ArphTango"), Quoted(s.ArphTango));
  ini.SetString(kDatafiles, QStringLiteral("RomaTango"), Quoted(s.RomaTango));
  ini.SetString(kDatafiles, QStringLiteral("RomaTangoH"), Quoted(s.RomaTangoH));
  ini.SetString(kDatafiles, QStringLiteral("BackGroundMusic"), Quoted(s.BackGroundMusic));
  ini.SetString(kDatafiles, QStringLiteral("GameMap"), Quoted(s.GameMap));
  ini.SetString(kDatafiles, QStringLiteral("HelpFile"), Quoted(s.HelpFile));
  // All keys go out in one atomic write: a failure leaves the old file whole.
  if (!ini.Commit()) throw SettingsError(path);
}

QString SpeedGrade(int speed, int t0, int t1) {
  if (speed < t0) return QStringLiteral("×");
  if (speed < t1) return QStringLiteral("○");
  return QStringLiteral("◎");
}

QString CourseGrade(const AppSettings& s, int k) {
  const QStringList& t = s.CourseThresholds(k);
  return SpeedGrade(s.RecordedSpeed(k), t.value(0).trimmed().toInt(), t.value(1).trimmed().toInt());
}

QString FormatTimeOfDay(double days) {
  qint64 total = std::llround(days * 86400.0);
  total = ((total % 86400) + 86400) % 86400;
  return QStringLiteral("%1:%2:%3")
      .arg(total / 3600)
      .arg((total / 60) % 60, 2, 10, QLatin1Char('0'))
      .arg(total % 60, 2, 10, QLatin1Char('0'));
}

bool ParseTimeOfDay(const QString& text, double* days) {
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
  *days = (v[0] * 3600 + v[1] * 60 + v[2]) / 86400.0;
  return true;
}
