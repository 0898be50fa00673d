#include "ui/japanese_ui.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace shurencho {

bool InstallJapaneseUi() {
  const QLocale japanese(QLocale::Japanese, QLocale::Japan);
  QLocale::setDefault(japanese);
  // The desktop's own dialogs would follow its language, not ours.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace shurencho
