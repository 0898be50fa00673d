#include "main/command_line.h"

#include <QCommandLineParser>
#include <cstdio>

#ifndef SHURENCHO_VERSION
#define SHURENCHO_VERSION "0"
#endif

namespace shurencho {

QString UsageText() {
  return QStringLiteral(
      "使い方:\n"
      "  shurencho\n"
      "      練習の画面を開きます。\n"
      "  shurencho --report 出力.html 成績.csv...\n"
      "      集めた成績ファイル（「成績を書き出す」で作った CSV）からクラスの成績一覧を作ります。\n"
      "      例: shurencho --report クラス.html 青木.csv 伊藤.csv\n"
      "      実力テストを最後まで受けた人がいれば、その横に一人一枚の認定証"
      "（クラス_認定証.html）も作ります。\n"
      "  shurencho --class-report 出力.html [サーバー]\n"
      "      クラスのサーバーの記録からクラスの成績一覧を作ります。サーバーを省くと設定の [History] "
      "Server を使います。\n"
      "      例: shurencho --class-report クラス.html postgresql://teacher@school-server/shurencho\n"
      "  shurencho --class-report 出力.html --year 年度 [サーバー]\n"
      "      保管庫に移したその年度（4月から翌年3月まで）の記録から成績一覧を作ります。\n"
      "      例: shurencho --class-report 2026年度.html --year 2026\n"
      "  shurencho --class-archive クラス [--year 年度] [サーバー]\n"
      "      年度末に、クラスのその年度の記録をサーバーの保管庫へ移します。クラスの画面と成績一覧には\n"
      "      出なくなります。年度を省くと今の年度です。学習者のパソコンの記録はそのまま残ります。\n"
      "      例: shurencho --class-archive 5-2 --year 2026\n"
      "  shurencho --class-roster 名簿.csv [サーバー]\n"
      "      組の名簿（出席番号と氏名の CSV）をクラスのサーバーに登録します。ファイルの名前が組です"
      "（5年2組なら 5-2.csv）。\n"
      "      その組の名簿は登録し直すたびに置き換わります。名簿の名前は先生の画面と成績一覧にだけ出ます。\n"
      "      例: shurencho --class-roster 5-2.csv postgresql://teacher@school-server/shurencho\n"
      "  shurencho --class-assign 組 コース2 回数 [--until 日付] [サーバー]\n"
      "  shurencho --class-assign 組 テスト 小3 [--until 日付] [サーバー]\n"
      "      組に課題を出します。特訓のコースを決めた回数か、その学年の実力テストです。日付の日まで\n"
      "      練習の画面に出ます。組だけを書くと、その組の課題の一覧を出します。\n"
      "      例: shurencho --class-assign 5-2 コース2 3 --until 2026-12-20\n"
      "  shurencho --class [サーバー]\n"
      "      クラスの成績を見る画面を開きます。\n"
      "      例: shurencho --class postgresql://teacher@school-server/shurencho\n"
      "  shurencho --help\n"
      "      この説明を出します。\n"
      "      例: shurencho --help\n"
      "  shurencho --version\n"
      "      版を出します。\n"
      "      例: shurencho --version\n"
      "\n"
      "出力.html がすでにあるときは、このプログラムが作ったページのときだけ置き換えます。\n"
      "成績ファイル（.csv）は出力先にできません。\n");
}

CommandLine ParseCommandLine(const QStringList& args) {
  CommandLine line;
  // A teacher command's arguments are its own, options or not.
  const QString first = args.value(1);
  const std::pair<const char*, CommandLine::Kind> commands[] = {
      {"--report", CommandLine::Kind::Report},
      {"--class-report", CommandLine::Kind::ClassReport},
      {"--class-archive", CommandLine::Kind::ClassArchive},
      {"--class-roster", CommandLine::Kind::ClassRoster},
      {"--class-assign", CommandLine::Kind::ClassAssign},
      {"--class", CommandLine::Kind::ClassWindow}};
  for (const auto& [name, kind] : commands) {
    if (first == QLatin1String(name)) {
      line.kind = kind;
      line.operands = args.mid(2);
      return line;
    }
  }
  // Only the double-dash options are ours; the toolkit's single-dash ones
  // and their values are left to it.
  QStringList ours{args.value(0)};
  for (const QString& arg : args.mid(1))
    if (arg.startsWith(QLatin1String("--"))) ours << arg;
  QCommandLineParser parser;
  const QCommandLineOption help(QStringLiteral("help"));
  const QCommandLineOption version(QStringLiteral("version"));
  parser.addOption(help);
  parser.addOption(version);
  const bool parsed = parser.parse(ours);
  if (parser.isSet(help)) {
    line.kind = CommandLine::Kind::Help;
  } else if (parser.isSet(version)) {
    line.kind = CommandLine::Kind::Version;
  } else if (!parsed || !parser.unknownOptionNames().isEmpty()) {
    line.kind = CommandLine::Kind::Unknown;
    // The option as it was typed.
    const QString name = parser.unknownOptionNames().value(0);
    line.unknown = ours.value(1);
    for (const QString& arg : ours.mid(1))
      if (arg.mid(2).section(QLatin1Char('='), 0, 0) == name) line.unknown = arg;
  }
  return line;
}

int RunInfoCommand(const CommandLine& line) {
  switch (line.kind) {
    case CommandLine::Kind::Help:
      std::fputs(UsageText().toLocal8Bit().constData(), stdout);
      return 0;
    case CommandLine::Kind::Version:
      std::printf("shurencho %s\n", SHURENCHO_VERSION);
      return 0;
    case CommandLine::Kind::Unknown:
      std::fprintf(stderr,
                   "shurencho: %s というオプションはありません\n使い方は shurencho --help で見られます\n",
                   line.unknown.toLocal8Bit().constData());
      return 2;
    default:
      return -1;
  }
}

}  // namespace shurencho
