#pragma once
// A platform for headless tests: a settable clock, scripted random numbers,
// and a record of beeps, boxes, pointer moves, focus changes and dialogs.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <deque>
#include <map>
#include <vector>

#include "platform/platform.h"

namespace shurencho {

class FakeMediaPlayer final : public MediaPlayer {
 public:
  void Open(const QString& path) override;
  void Play() override;
  void Stop() override;
  void Close() override;
  bool IsOpen() const override { return !openFile.isEmpty(); }
  void SetNotify(bool on) override { notify = on; }
  void SetCompletionHandler(std::function<void()> handler) override { done = std::move(handler); }

  // Ends the current play as if the media had run to its end.
  void FinishNaturally();

  QString openFile;
  bool playing = false;
  bool notify = false;
  // Files that Open refuses, with the error text it throws.
  std::map<QString, QString> unopenable;
  QStringList calls;  // "open x", "play", "stop", "close"
  std::function<void()> done;
};

class FakeHelpLauncher final : public HelpLauncher {
 public:
  QString FindOpener(const QString& document) override;
  int Start(const QString& program, const QStringList& args) override;

  QString opener;  // what FindOpener answers
  int startResult = 0;
  std::vector<std::pair<QString, QStringList>> started;
};

class FakePlatform final : public Platform {
 public:
  struct Box {
    enum Kind { Information, Warning, Error } kind;
    QString text;
  };

  double Now() override { return now; }
  double MonotonicSeconds() override { return monotonic; }
  void Randomize() override { ++randomizeCalls; }
  // Takes the next scripted number (reduced mod n); 0 when the script is empty.
  int Random(int n) override;
  void Beep() override { ++beeps; }
  void ShowInformation(const QString& text) override { boxes.push_back({Box::Information, text}); }
  void ShowWarning(const QString& text) override { boxes.push_back({Box::Warning, text}); }
  void ShowError(const QString& text) override { boxes.push_back({Box::Error, text}); }
  // A name that is no control id fails the test.
  QPoint PointerPos(const QString& control) override;
  // Moves and records the pointer, or does nothing while pointerFixed.
  void SetPointerPos(const QString& control, QPoint pos) override;
  bool CanMovePointer() override { return !pointerFixed; }
  QString KeyboardMapLayout() override { return keyboardMap; }
  void SetFocus(const QString& control) override;
  std::optional<QString> OpenFileDialog(const FileDialogRequest& request) override;
  QString ProgramPath() override { return programPath; }
  MediaPlayer& Media() override { return media; }
  HelpLauncher& Help() override { return help; }

  // Clock helpers: seconds as a fraction of a day. Time passing moves both
  // clocks; setting `now` alone is the wall clock changed.
  static double Seconds(double s) { return s / 86400.0; }
  void Advance(double seconds) {
    now += Seconds(seconds);
    monotonic += seconds;
  }

  double now = 45000.5;     // some afternoon
  double monotonic = 1000;  // seconds
  int randomizeCalls = 0;
  std::deque<int> randoms;
  std::vector<int> randomRanges;  // the n of every Random(n) call, in order
  int beeps = 0;
  std::vector<Box> boxes;
  std::map<QString, QPoint> pointer;
  std::vector<std::pair<QString, QPoint>> pointerMoves;
  bool pointerFixed = false;                   // a desktop where programs cannot move the pointer
  QString keyboardMap = QStringLiteral("jp");  // the X keyboard map's layouts
  std::vector<QString> focus;
  std::deque<std::optional<QString>> dialogAnswers;  // what the next dialogs return
  std::vector<FileDialogRequest> dialogs;
  QString programPath = QStringLiteral("/opt/shurencho/shurencho");
  FakeMediaPlayer media;
  FakeHelpLauncher help;
};

}  // namespace shurencho
