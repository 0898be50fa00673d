#pragma once
// The operating-system services the program uses, behind one small interface:
// the real one is wired in main(), tests use FakePlatform. Page logic reaches
// the clock, the random generator, the beep, message boxes, the pointer, file
// dialogs, the media player and the help opener only through here.

#include <QPoint>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>

#include "platform/clock.h"

namespace shurencho {

class MediaPlayer;
class HelpLauncher;

// What a file-open dialog is asked to show.
struct FileDialogRequest {
  QString title;
  QString filter;      // "Text (*.txt)|*.txt|ALL files (*.*)|*.*" form
  QString defaultExt;  // without the dot
  QString initialDir;
  QString fileName;  // preset file name, may be empty
};

class Platform {
 public:
  virtual ~Platform() = default;

  // The local date-time (see clock.h).
  virtual ClockTime Now() = 0;
  // Seconds from some fixed point, never moved by a change of the wall clock
  // (daylight saving, the time set back): what a timed test is measured on.
  virtual double MonotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  // Seeds the one random generator from the clock.
  virtual void Randomize() = 0;
  // A uniformly drawn whole number 0 … n-1 (0 when n <= 0).
  virtual int Random(int n) = 0;

  virtual void Beep() = 0;
  // Information box: title "情報", one OK button.
  virtual void ShowInformation(const QString& text) = 0;
  // Warning box: title "警告", one OK button.
  virtual void ShowWarning(const QString& text) = 0;
  // How an error that escaped a handler is reported: a box with its text.
  virtual void ShowError(const QString& text) = 0;

  // The pointer, in the client coordinates of the named control.
  virtual QPoint PointerPos(const QString& control) = 0;
  virtual void SetPointerPos(const QString& control, QPoint pos) = 0;
  // False where the desktop does not let a program move the pointer; there
  // SetPointerPos does nothing and the pages ask the user to move it.
  virtual bool CanMovePointer() { return true; }
  // The X keyboard map's layouts as the server names them ("jp", "us,jp"…);
  // empty where there is no X server to ask.
  virtual QString KeyboardMapLayout() { return {}; }
  // Gives the keyboard focus to the named control.
  virtual void SetFocus(const QString& control) = 0;

  // A file-open dialog; nullopt when the user cancels.
  virtual std::optional<QString> OpenFileDialog(const FileDialogRequest& request) = 0;

  // Full path of the running program file, and its folder.
  virtual QString ProgramPath() = 0;

  virtual MediaPlayer& Media() = 0;
  virtual HelpLauncher& Help() = 0;
};

// The background-music player: one file at a time. Play reports its end (or
// its interruption by Stop) once through the completion callback, on the GUI
// thread. Open, Play and Stop throw AppError with the device's text on failure.
class MediaPlayer {
 public:
  virtual ~MediaPlayer() = default;
  virtual void Open(const QString& path) = 0;  // closes any open file first
  virtual void Play() = 0;                     // from the start after a natural end
  virtual void Stop() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // Asks that the next Play report its completion.
  virtual void SetNotify(bool on) = 0;
  virtual void SetCompletionHandler(std::function<void()> handler) = 0;
};

// Opens the help document in the desktop's program for its type.
class HelpLauncher {
 public:
  virtual ~HelpLauncher() = default;
  // The program that opens documents of this type, or empty when none.
  virtual QString FindOpener(const QString& document) = 0;
  // Starts program with args (no shell). Returns 0, or the system error number.
  virtual int Start(const QString& program, const QStringList& args) = 0;
};

// Runs an event handler the way the window reports errors: an exception that
// leaves the handler is shown in a box with its own text, and the program goes on.
template <typename F>
void RunHandler(Platform& platform, F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    platform.ShowError(QString::fromUtf8(e.what()));
  }
}

}  // namespace shurencho
