#include "adapters/session_bus.h"

#include <sys/stat.h>

#include <QByteArray>
#include <QtGlobal>

namespace shurencho {

void TurnOffSessionBusAutolaunch() {
  if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return;
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) {
    struct stat st {};
    if (::stat((runtime + "/bus").constData(), &st) == 0 && S_ISSOCK(st.st_mode)) return;
  }
  // An address of no known kind: the bus library gives up at once.
  qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

}  // namespace shurencho
