// Furigana over a text read by the real MeCab module, and a machine without it.
#include "adapters/furigana_reader.h"

#include <gtest/gtest.h>

#include <QLibrary>

#include "adapters/mecab_module.h"

namespace shurencho {
namespace {

const MecabModule* BuiltModule() {
#ifdef SHURENCHO_MECAB_MODULE
  static QLibrary library(QStringLiteral(SHURENCHO_MECAB_MODULE));
  using Entry = const MecabModule* (*)();
  if (const auto entry = reinterpret_cast<Entry>(library.resolve(MecabModule::kEntry))) return entry();
#endif
  return nullptr;
}

QString Shown(const QString& text, const QList<Ruby>& ruby) {
  QStringList parts;
  for (const Ruby& r : ruby)
    parts << text.mid(r.start, r.length) + QLatin1Char('(') + r.reading + QLatin1Char(')');
  return parts.join(QLatin1Char(' '));
}

TEST(FuriganaReader, ReadsTheWordsInContextForEachSchoolYear) {
  const MecabModule* module = BuiltModule();
  if (module == nullptr) GTEST_SKIP() << "MeCab is not built here";
  FuriganaReader reader(QStringLiteral(SHURENCHO_ASSETS_DIR "/kanji.txt"), module->words);
  QString why;
  ASSERT_TRUE(reader.Available(&why)) << qPrintable(why);
  const QString text = QStringLiteral("一週間たって、来年の五月に小さな植木ばちを買う。");
  EXPECT_EQ(Shown(text, reader.RubyFor(text, SchoolYear::Sho1)).toStdString(),
            "一(いっ) 週間(しゅうかん) 来年(らいねん) 五月(ごがつ) 小(ちい) 植木(うえき) 買(か)");
  EXPECT_EQ(Shown(text, reader.RubyFor(text, SchoolYear::Sho3)).toStdString(), "植(うえ)");
  EXPECT_TRUE(reader.RubyFor(text, SchoolYear::Adult).isEmpty());
}

TEST(FuriganaReader, WithoutMeCabFuriganaIsOffWithOneLineSayingWhy) {
  FuriganaReader reader(QStringLiteral(SHURENCHO_ASSETS_DIR "/kanji.txt"),
                        [](const QString&, QList<TextWord>*, QString* error) {
                          *error = QStringLiteral("libmecab.so.2 がありません");
                          return false;
                        });
  QString why;
  EXPECT_FALSE(reader.Available(&why));
  EXPECT_TRUE(why.startsWith(QStringLiteral("ふりがなは使えません（MeCab"))) << qPrintable(why);
  EXPECT_FALSE(why.contains(QLatin1Char('\n')));
  EXPECT_TRUE(reader.RubyFor(QStringLiteral("漢字"), SchoolYear::Sho1).isEmpty());
}

}  // namespace
}  // namespace shurencho
