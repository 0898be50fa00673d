#include "ui/japanese_ui.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <atomic>
#include <mutex>

namespace shurencho {

namespace {

// Qt's catalogue of Japanese texts (130 KB), read at the first text asked
// for: a message box, a file dialog, a menu's shortcut names. The first
// window shows none of them.
class LateCatalogue final : public QTranslator {
 public:
  LateCatalogue(QString file, QObject* parent) : QTranslator(parent), m_file(std::move(file)) {}

  // Empty until read: installing it then sends no language change, which
  // would ask it for a text at once.
  bool isEmpty() const override { return !m_read.load(); }

  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    // Threads may ask at the same time (the toolkit translates file errors
    // on any thread).
    std::call_once(m_once, [this] { m_read = m_catalogue.load(m_file); });
    return m_catalogue.translate(context, source, disambiguation, n);
  }

 private:
  QString m_file;
  mutable std::once_flag m_once;
  mutable QTranslator m_catalogue;
  mutable std::atomic<bool> m_read{false};
};

}  // namespace

void UseJapaneseLocale() {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  // The desktop's own dialogs would follow its language, not ours.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
}

bool InstallToolkitJapanese() {
  static bool installed = false;
  if (installed) return true;
  const QString file =
      QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).filePath(QStringLiteral("qtbase_ja.qm"));
  if (!QFileInfo(file).isFile()) return false;
  QCoreApplication::installTranslator(new LateCatalogue(file, QCoreApplication::instance()));
  installed = true;
  return true;
}

}  // namespace shurencho
