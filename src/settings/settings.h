#pragma once
// The settings and practice records: one INI file named after the program,
// read whole at start-up (missing keys are created with their defaults at
// once) and written whole at close.

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

#include "platform/clock.h"

namespace shurencho {

// Thrown when the settings file cannot be written.
class SettingsError : public std::runtime_error {
 public:
  explicit SettingsError(const QString& path);

 protected:
  explicit SettingsError(const std::string& what) : std::runtime_error(what) {}
};

// Thrown when the settings file exists but cannot be read (no right to read
// it, or it is not a regular file): it is then never written either.
class SettingsReadError : public SettingsError {
 public:
  explicit SettingsReadError(const QString& path);
};

struct ZINIconf {
  QString WindowCaption;  // window title and first line of the about box
  QString CompanyName;    // [Titile] CompanyName
  QString TradeMark;      // [Titile] TradeMark
  QString CourseName01;   // drill course names, shown in Label5
  QString CourseName02;
  QString CourseName03;
  QString CourseName04;
  QString CourseName05;
  QString CourseName06;     // free typing; kept and written only
  QStringList KeySpeed;     // last recorded speed of courses 1-6
  bool Random = false;      // drill option RANDUM
  bool AutoCourse = false;  // hidden option AUTO
  bool Viewroma = true;     // drill option ROMA (romaji hint)
  // Drill option 苦手練習 (deal the items holding the weakest units). Kept
  // in [History] WeakDrill, which is written only once it is set: a file of
  // someone who never ticked it stays as it always was.
  bool WeakDrill = false;
  // How the drill's romaji hint is spelled: 0 the table's first form, 1
  // ヘボン式, 2 訓令式 (which also take an input method's spellings in
  // context). Kept in [Romaji] Guide, written once chosen from the menu
  // (RomajiGuideChosen) or when the file has the key already.
  int RomajiGuide = 0;
  bool RomajiGuideChosen = false;
  // かな入力: the drill's kana courses are typed on the JIS keyboard's kana
  // keys. Their speeds are kept apart in KanaSpeed (courses 1-6 like
  // KeySpeed, 3-5 used). Both live in [Romaji], written once かな入力 has
  // been chosen from the menu (KanaInputChosen) or when the file has them.
  bool KanaInput = false;
  bool KanaInputChosen = false;
  QStringList KanaSpeed;
  // The keyboard guide beside the drill is shown. Kept in [Guide] Show,
  // written once chosen from the menu (GuideShowChosen) or when the file
  // has the key already.
  bool GuideShow = false;
  bool GuideShowChosen = false;
  // The keyboard the guide draws: "jis" or "us", kept in [Guide] Layout and
  // written once chosen from the guide's menu (GuideLayoutChosen) or when
  // the file has the key already. Empty (or a value we do not know): the
  // keyboard map decides.
  QString GuideLayout;
  bool GuideLayoutChosen = false;
  // The settings file had [Guide] Show when it was read: the learner has
  // chosen once, so the first start's guide does not open by itself.
  bool GuideShowInFile = false;
  // Items in one of the guide's passes, [Guide] PassItems (5-100) from the
  // user's file or else the system-wide one; read only, never written.
  int GuidePassItems = kDefaultPassItems;
  static constexpr int kDefaultPassItems = 20;
  // Readings over the practice text's kanji the learner has not learned
  // (練習 → ふりがな). [Reading] Furigana, written once chosen.
  bool Furigana = false;
  bool FuriganaChosen = false;
  // The text size of the windows beside the main window (the guide,
  // 実力テスト, 成績) in percent: 100, 125 or 150 (標準・大・特大).
  // [Reading] TextScale as 1, 1.25 or 1.5, written once chosen.
  int TextScale = 100;
  bool TextScaleChosen = false;
  // Where the history is shared: empty for the local file alone, else a
  // connection text "postgresql://user@host:port/dbname". [History] Server
  // in the system-wide file (see SystemHistoryServer) gives the default; the
  // user's own file overrides it only when it has the key, and the key is
  // written back only then, so it never appears in a file by itself.
  QString HistoryServer;
  int CourseNo = 2;       // drill course 0-4
  int M1CourseNo = 0;     // mazes finished on the POINT page
  bool BGMState = false;  // background music on
  ClockTime warmup = 0;   // shortest recorded run, a span of the clock
  QStringList Course01;   // grade thresholds per course: lower, upper
  QStringList Course02;
  QStringList Course03;
  QStringList Course04;
  QStringList Course05;
  QStringList Course06;
  QString KanaToRoma;  // data file names
  QString ArphTango;
  QString RomaTango;
  QString RomaTangoH;
  QString BackGroundMusic;
  QString GameMap;
  QString HelpFile;

  // Thresholds of course k (1-6) and its recorded speed, as numbers.
  const QStringList& CourseThresholds(int k) const;
  // The name of settings entry k (1-6: CourseName01-06); 06 outside.
  const QString& CourseName(int k) const;
  int RecordedSpeed(int k) const;
  void SetRecordedSpeed(int k, int speed);
  // Whether the drill's course k (1-5) is typed by kana keys.
  bool KanaCourse(int k) const { return KanaInput && k >= 3 && k <= 5; }
  // The drill's record of course k: KanaSpeed for a kana course, else KeySpeed.
  int DrillSpeed(int k) const;
  void SetDrillSpeed(int k, int speed);
};
using AppSettings = ZINIconf;

// Where the file lives: beside the program when this user may write the
// program file, else in the user's config folder, named after the program.
QString SettingsFilePath(const QString& programPath);
// The same rule with its inputs given (for tests and for the real call).
QString SettingsFilePathFor(const QString& programPath, bool programWritable, const QString& configDir);
// $XDG_CONFIG_HOME, else ~/.config.
QString UserConfigDir();

// [History] Server from the system-wide settings a teacher installs:
// shurencho.ini in the first of $XDG_CONFIG_DIRS (default /etc/xdg) that
// holds the key; empty when none does.
QString SystemHistoryServer();
// A value of the system-wide settings: the first of those files that holds
// the key; `absent` when none does.
QString SystemSetting(const QString& section, const QString& key, const QString& absent);

// Whether a start-up read creates the keys the file lacks.
enum class MissingKeys { Write, Leave };
// Defaults, then (when readFile) the file at path. Throws SettingsError when
// writing a missing key's default fails; fields read by then keep their values.
// Throws SettingsReadError, every field at its default, when the file exists
// but cannot be read. A list keeps each of its items that is a number; a
// missing or bad item takes the default's item.
void LoadSettings(AppSettings& s, bool readFile, const QString& path,
                  MissingKeys missing = MissingKeys::Write);
// Writes every field in one piece; throws SettingsError (file untouched) on
// failure, and without writing when the file exists but cannot be read.
void SaveSettings(const AppSettings& s, const QString& path);

// "×" below t0, "○" from t0 below t1, "◎" from t1.
QString SpeedGrade(int speed, int t0, int t1);
// The same as a level, for what is said beside the mark.
enum class Grade { Poor, Good, Excellent };
Grade SpeedLevel(int speed, int t0, int t1);
Grade CourseLevel(const AppSettings& s, int k);
// The grade mark of course k (1-6) from the settings' record and thresholds.
QString CourseGrade(const AppSettings& s, int k);
// The drill's grade mark of course k, from DrillSpeed.
QString DrillGrade(const AppSettings& s, int k);
// A speed's mark against course k's thresholds (a drill pass's own speed).
QString CourseSpeedGrade(const AppSettings& s, int k, int speed);
// A kana course's name as かな入力 shows it: its romaji ("ローマ字",
// "ローマ字仮名") named かな入力, or かな入力 put before a name without it.
QString KanaInputCourseName(const QString& name);

// The time text of a span of the clock ("0:00:30"), and back (false when not a time).
QString FormatTimeOfDay(ClockTime span);
bool ParseTimeOfDay(const QString& text, ClockTime* span);

// The start-up and close-time warnings.
inline constexpr char kLoadFailedWarning[] =
    "練習記録の作成・読込に失敗しました。\r\n書込禁止を解除してください。又はアクセス権を付加してください。"
    "および、空き容量を確認してください。\r\n学習記録は破棄されました。";
inline constexpr char kSaveFailedWarning[] =
    "練習記録の更新に失敗しました\r\n書込禁止を解除してくださ。又は、アクセス権を付加してください。"
    "および、空き容量などを確認してください。\r\n今回の学習記録は破棄されました。";

}  // namespace shurencho
