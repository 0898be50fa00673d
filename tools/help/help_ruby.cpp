// Sets readings over the help page's kanji beyond the third grade, as the
// page is built: shurencho_help_ruby IN.htm OUT.htm KANJI.txt. Without MeCab
// the page is written as it is, and the build goes on.

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

#include "adapters/furigana_reader.h"
#include "reading/html_ruby.h"

using namespace shurencho;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 4) {
    std::fprintf(stderr, "usage: shurencho_help_ruby IN.htm OUT.htm KANJI.txt\n");
    return 2;
  }
  QFile in(args[1]);
  if (!in.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(args[1]), qPrintable(in.errorString()));
    return 1;
  }
  QString page = QString::fromUtf8(in.readAll());
  FuriganaReader reader(args[3]);
  QString why;
  if (reader.Available(&why)) {
    // A pupil reads the help from the fourth grade's kanji on with readings.
    page =
        HtmlWithRuby(page, [&reader](const QString& text) { return reader.RubyFor(text, SchoolYear::Sho4); });
  } else {
    std::fprintf(stderr, "warning: the help is built without readings: %s\n", qPrintable(why));
  }
  QSaveFile out(args[2]);
  if (!out.open(QIODevice::WriteOnly) || out.write(page.toUtf8()) < 0 || !out.commit()) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(args[2]), qPrintable(out.errorString()));
    return 1;
  }
  return 0;
}
