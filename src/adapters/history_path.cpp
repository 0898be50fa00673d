#include "adapters/history_path.h"

#include <QStandardPaths>

namespace shurencho {

QString DefaultHistoryPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/shurencho/history.sqlite");
}

}  // namespace shurencho
