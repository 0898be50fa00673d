#include "ui/qt_platform.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDateTime>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <cstdlib>

#include "platform/control_ids.h"
#include "ui/widget_style.h"

namespace shurencho {

QtPlatform::QtPlatform(std::unique_ptr<MediaPlayer> media, std::unique_ptr<HelpLauncher> help)
    : m_media(std::move(media)), m_help(std::move(help)) {
  m_monotonic.start();
}

ClockTime QtPlatform::Now() { return ClockFromDateTime(QDateTime::currentDateTime()); }

void QtPlatform::Randomize() {
  m_random.seed(static_cast<std::mt19937::result_type>(QDateTime::currentMSecsSinceEpoch()));
}

int QtPlatform::Random(int n) {
  if (n <= 0) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(m_random);
}

void QtPlatform::Beep() { QApplication::beep(); }

void QtPlatform::ShowBox(int icon, const QString& title, const QString& text) {
  const QPointer<QWidget> focus = QApplication::focusWidget();
  QMessageBox box(static_cast<QMessageBox::Icon>(icon), title, ToWidgetText(text), QMessageBox::Ok, m_window);
  // The text may come from files and settings: never read it as markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
  ReturnFromDialog(focus);
}

void QtPlatform::ReturnFromDialog(QWidget* focus) {
  // Without a window manager nobody activates the window again when a
  // dialog closes: the keys would reach it with no focus widget, and the
  // input method would never hear of the box they are meant for.
  if (!m_window) return;
  m_window->activateWindow();
  m_window->raise();
  if (focus && focus->window() == m_window) focus->setFocus(Qt::OtherFocusReason);
}

void QtPlatform::ShowInformation(const QString& text) {
  ShowBox(QMessageBox::Information, QStringLiteral("情報"), text);
}

void QtPlatform::ShowWarning(const QString& text) {
  ShowBox(QMessageBox::Warning, QStringLiteral("警告"), text);
}

void QtPlatform::ShowError(const QString& text) {
  const QString title = m_window ? m_window->windowTitle() : QCoreApplication::applicationName();
  ShowBox(QMessageBox::Critical, title, text);
}

QPoint QtPlatform::PointerPos(const QString& control) {
  QWidget* w = Control(control);
  return w ? w->mapFromGlobal(QCursor::pos()) : QCursor::pos();
}

void QtPlatform::SetPointerPos(const QString& control, QPoint pos) {
  if (!CanMovePointer()) return;
  QWidget* w = Control(control);
  const QPoint target = w ? w->mapToGlobal(pos) : pos;
  const QPoint before = QCursor::pos();
  QCursor::setPos(target);
  // An X server inside a Wayland session ignores warps without an error:
  // the pointer read back is still where it was. Off every screen the
  // server would clamp the move, which tells nothing.
  if (before != target && QGuiApplication::screenAt(target) != nullptr && QCursor::pos() == before) {
    m_warpsIgnored = true;
  }
}

bool QtPlatform::CanMovePointer() {
  if (m_warpsIgnored) return false;
  // A Wayland compositor never lets a client move the pointer, and its X
  // server, which a Wayland session names beside itself, passes no warp on.
  const QString platform = QGuiApplication::platformName();
  if (platform.startsWith(QLatin1String("wayland"))) return false;
  return !(platform == QLatin1String("xcb") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
}

QString QtPlatform::KeyboardMapLayout() {
  // The root window's _XKB_RULES_NAMES: rules, model, layout, variant and
  // options, each ended by a NUL. Wayland and the test platform have none.
  const auto* x11 =
      qGuiApp == nullptr ? nullptr : qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 == nullptr ? nullptr : x11->connection();
  if (connection == nullptr) return {};
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (screen == nullptr) return {};
  static constexpr char kName[] = "_XKB_RULES_NAMES";
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof kName - 1, kName), nullptr);
  if (atom == nullptr) return {};
  const xcb_atom_t name = atom->atom;
  std::free(atom);
  if (name == XCB_ATOM_NONE) return {};
  xcb_get_property_reply_t* property = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, screen->root, name, XCB_ATOM_STRING, 0, 1024), nullptr);
  if (property == nullptr) return {};
  const QByteArray value(static_cast<const char*>(xcb_get_property_value(property)),
                         xcb_get_property_value_length(property));
  std::free(property);
  return QString::fromLatin1(value.split('\0').value(2));
}

void QtPlatform::SetFocus(const QString& control) {
  if (QWidget* w = Control(control)) w->setFocus(Qt::OtherFocusReason);
}

QString QtPlatform::QtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  static const QRegularExpression parens(QStringLiteral("\\s*\\(.*\\)\\s*"));
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    name.remove(parens);
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters.append(name.trimmed() + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')'));
  }
  return filters.join(QStringLiteral(";;"));
}

std::optional<QString> QtPlatform::OpenFileDialog(const FileDialogRequest& request) {
  const QPointer<QWidget> focus = QApplication::focusWidget();
  QFileDialog dialog(m_window, request.title, request.initialDir, QtNameFilters(request.filter));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setDefaultSuffix(request.defaultExt);
  if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  ReturnFromDialog(focus);
  if (!chosen) return std::nullopt;
  return dialog.selectedFiles().first();
}

// An id outside the list is a slip in our own code: it is said on stderr and
// the control is treated as absent (focus and placement calls do nothing).
void QtPlatform::RegisterControl(const QString& name, QWidget* widget) {
  if (!ids::IsControl(name)) {
    qWarning("unknown control id: %s", qPrintable(name));
    return;
  }
  m_controls.insert(name, widget);
}

QWidget* QtPlatform::Control(const QString& name) const {
  if (!ids::IsControl(name)) {
    qWarning("unknown control id: %s", qPrintable(name));
    return nullptr;
  }
  if (!m_controls.contains(name) && m_provider) m_provider(name);
  if (!m_controls.contains(name)) {
    if (const std::function<void()> make = m_makers.value(name)) make();
  }
  return m_controls.value(name);
}

QString QtPlatform::ProgramPath() { return QCoreApplication::applicationFilePath(); }

}  // namespace shurencho
