#pragma once
// The real platform: Qt for the clock, beeps, boxes, the pointer and file
// dialogs; the media player and the help opener are plugged in by main().

#include <QElapsedTimer>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <random>

#include "platform/platform.h"

namespace shurencho {

class QtPlatform final : public Platform {
 public:
  QtPlatform(std::unique_ptr<MediaPlayer> media, std::unique_ptr<HelpLauncher> help);

  // Boxes and dialogs are shown over this window.
  void SetMainWindow(QWidget* window) { m_window = window; }
  // Views register the controls the logic names (for the pointer and focus).
  // A name that is no control id is a programming error and stops the
  // program; a known control not yet registered is simply not there.
  void RegisterControl(const QString& name, QWidget* widget);
  QWidget* Control(const QString& name) const;
  // A control made when first named: `make` builds it and registers it.
  void RegisterControlMaker(const QString& name, std::function<void()> make) {
    m_makers.insert(name, std::move(make));
  }
  // Asked for a known control that is not registered yet: the window builds
  // the page that holds it (pages are built when first needed).
  void SetControlProvider(std::function<void(const QString&)> provider) { m_provider = std::move(provider); }

  ClockTime Now() override;
  double MonotonicSeconds() override { return double(m_monotonic.nsecsElapsed()) / 1e9; }
  void Randomize() override;
  int Random(int n) override;
  void Beep() override;
  void ShowInformation(const QString& text) override;
  void ShowWarning(const QString& text) override;
  void ShowError(const QString& text) override;
  QPoint PointerPos(const QString& control) override;
  void SetPointerPos(const QString& control, QPoint pos) override;
  bool CanMovePointer() override;
  QString KeyboardMapLayout() override;
  void SetFocus(const QString& control) override;
  std::optional<QString> OpenFileDialog(const FileDialogRequest& request) override;
  QString ProgramPath() override;
  MediaPlayer& Media() override { return *m_media; }
  HelpLauncher& Help() override { return *m_help; }

  // "Desc|*.a;*.b|…" as a Qt name filter list "Desc (*.a *.b);;…".
  static QString QtNameFilters(const QString& filter);

 private:
  // A modal box with one OK button (icon: a QMessageBox::Icon).
  void ShowBox(int icon, const QString& title, const QString& text);
  // After a dialog: the window active again, the focus where it was.
  void ReturnFromDialog(QWidget* focus);

  std::unique_ptr<MediaPlayer> m_media;
  std::unique_ptr<HelpLauncher> m_help;
  QPointer<QWidget> m_window;
  QHash<QString, QPointer<QWidget>> m_controls;
  std::function<void(const QString&)> m_provider;
  QHash<QString, std::function<void()>> m_makers;
  std::mt19937 m_random;
  QElapsedTimer m_monotonic;    // started with the platform
  bool m_warpsIgnored = false;  // a warp was seen to leave the pointer where it was
};

}  // namespace shurencho
