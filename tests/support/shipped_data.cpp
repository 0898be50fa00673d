#include "support/shipped_data.h"

#include <QDir>
#include <memory>

namespace shurencho {

AppSettings SettingsForShippedData() {
  AppSettings s;
  LoadSettings(s, false, QString());
  const QDir assets(QStringLiteral(SHURENCHO_ASSETS_DIR));
  s.KanaToRoma = assets.filePath(s.KanaToRoma);
  s.ArphTango = assets.filePath(s.ArphTango);
  s.RomaTango = assets.filePath(s.RomaTango);
  s.RomaTangoH = assets.filePath(s.RomaTangoH);
  s.GameMap = assets.filePath(s.GameMap);
  return s;
}

KeyboardFiles ShippedKeyboardFiles() {
  const QDir assets(QStringLiteral(SHURENCHO_ASSETS_DIR));
  KeyboardFiles files;
  files.jis = assets.filePath(files.jis);
  files.us = assets.filePath(files.us);
  return files;
}

const PracticeData& ShippedPracticeData() {
  static const std::unique_ptr<PracticeData> data = std::make_unique<PracticeData>(
      LoadPracticeData(SettingsForShippedData(), QString(), ShippedKeyboardFiles()));
  return *data;
}

}  // namespace shurencho
