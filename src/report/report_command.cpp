#include "report/report_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "report/certificate.h"
#include "report/class_table.h"
#include "report/records_csv.h"
#include "report/report_html.h"
#include "text/file_save.h"
#include "text/text_file.h"

#ifndef SHURENCHO_VERSION
#define SHURENCHO_VERSION "0"
#endif

namespace shurencho {

namespace {

const char kOption[] = "--report";

// The same file by any name: a symlink, a hard link, a path with "..".
bool SameFile(const QString& a, const QString& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(QFile::encodeName(a).constData(), &sa) != 0) return false;
  if (::stat(QFile::encodeName(b).constData(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void Say(const QString& text) { std::fprintf(stderr, "shurencho: %s\n", text.toLocal8Bit().constData()); }

}  // namespace

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

int RunInfoCommand(int argc, char** argv) {
  if (argc < 2) return -1;
  // The arguments of a teacher command are its own.
  for (const char* command : {kOption, "--class-report", "--class"}) {
    if (std::strcmp(argv[1], command) == 0) return -1;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(UsageText().toLocal8Bit().constData(), stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("shurencho %s\n", SHURENCHO_VERSION);
      return 0;
    }
  }
  // The toolkit's own options take one dash (-platform, -style); a double
  // dash is ours, and one we do not know is a mistake worth saying.
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--", 2) == 0) {
      std::fprintf(stderr,
                   "shurencho: %s というオプションはありません\n使い方は shurencho --help で見られます\n",
                   argv[i]);
      return 2;
    }
  }
  return -1;
}

bool IsReportCommand(int argc, char** argv) { return argc >= 2 && std::strcmp(argv[1], kOption) == 0; }

bool IsClassReportCommand(int argc, char** argv) {
  return argc >= 2 && std::strcmp(argv[1], "--class-report") == 0;
}
bool IsClassWindowCommand(int argc, char** argv) { return argc >= 2 && std::strcmp(argv[1], "--class") == 0; }

bool MayWriteReport(const QString& out, const QStringList& inputs, QString* error) {
  const auto refuse = [&](const QString& why) {
    *error = why;
    return false;
  };
  // A forgotten output name makes the first records file the output.
  if (out.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
    return refuse(QStringLiteral("%1 には書き出しません（.csv は成績ファイルの名前です）。出力には .html "
                                 "で終わる名前を指定してください")
                      .arg(out));
  }
  for (const QString& input : inputs) {
    if (input == out || SameFile(input, out)) {
      return refuse(QStringLiteral("出力先 %1 は読み込むファイル %2 と同じです。別の名前を指定してください")
                        .arg(out, input));
    }
  }
  if (!NotALink(out, error)) return false;
  struct stat st {};
  if (::lstat(QFile::encodeName(out).constData(), &st) != 0 && errno == ENOENT) return true;
  QByteArray head;
  FileFault fault = FileFault::None;
  if (!ReadRegularFileHead(out, 1024, &head, &fault)) {
    if (fault == FileFault::Missing) return true;  // a symlink to nothing: a new file behind it
    if (fault == FileFault::NotRegular) {
      return refuse(
          QStringLiteral("%1 は通常のファイルではないので書き出せません（FIFO・デバイス・フォルダには"
                         "書き出しません）")
              .arg(out));
    }
    return refuse(
        QStringLiteral("%1 はすでにあり、中身を確かめられないので置き換えません。別の名前を指定してください")
            .arg(out));
  }
  if (head.startsWith("\xEF\xBB\xBF")) head.remove(0, 3);
  if (head.startsWith(kRecordsCsvTag)) {
    return refuse(
        QStringLiteral("%1 は成績ファイルなので置き換えません。出力には別の名前を指定してください").arg(out));
  }
  if (!head.contains(kReportGeneratorMeta)) {
    return refuse(QStringLiteral("%1 はすでにあり、このプログラムが作ったページではないので置き換えません。"
                                 "別の名前を指定してください")
                      .arg(out));
  }
  return true;
}

int RefuseReportOutput(const QString& out, const QStringList& inputs) {
  QString error;
  if (MayWriteReport(out, inputs, &error)) return 0;
  Say(error);
  return 2;
}

QString CertificatesPath(const QString& out) {
  QString base = out;
  for (const char* suffix : {".html", ".htm"}) {
    if (base.endsWith(QLatin1String(suffix), Qt::CaseInsensitive)) {
      base.chop(qsizetype(std::strlen(suffix)));
      break;
    }
  }
  return base + QStringLiteral("_認定証.html");
}

bool WriteClassReport(const QString& out, const QStringList& inputs, QString* error,
                      ClassReportOutcome* outcome) {
  ClassReportOutcome ignored;
  if (outcome == nullptr) outcome = &ignored;
  *outcome = {};
  if (!MayWriteReport(out, inputs, error)) {
    outcome->refused = true;
    return false;
  }
  QList<QList<LearnerHistory>> files;
  QHash<int, QString> courseNames;
  for (const QString& input : inputs) {
    QByteArray data;
    FileFault fault = FileFault::None;
    switch (ReadRegularFile(input, kMaxRecordsFileBytes, &data, &fault) ? FileFault::None : fault) {
      case FileFault::None:
        break;
      case FileFault::NotRegular:
        *error = QStringLiteral(
                     "%1 を読めません（通常のファイルではありません。FIFO・デバイス・フォルダは"
                     "読みません）")
                     .arg(input);
        return false;
      case FileFault::TooLarge:
        *error = QStringLiteral("%1 を読めません（%2 MB を超えています。成績ファイルは %2 MB までです）")
                     .arg(input)
                     .arg(kMaxRecordsFileBytes / (1024 * 1024));
        return false;
      default:
        *error = QStringLiteral("%1 を読めません（%2）").arg(input, FileFaultText(fault));
        return false;
    }
    CsvProblem problem;
    const auto learners = ParseRecordsCsv(data, input, &problem, &courseNames);
    if (!learners) {
      *error = problem.Text();
      return false;
    }
    files.append(*learners);
  }
  // Nothing is written when either page would be refused.
  const QList<CertificateEntry> certificates = ClassCertificates(files);
  const QString certificatesPath = CertificatesPath(out);
  if (!certificates.isEmpty() && !MayWriteReport(certificatesPath, inputs + QStringList{out}, error)) {
    outcome->refused = true;
    return false;
  }
  const QByteArray html = ClassTableHtml(MergeClassTable(files), inputs, QDateTime::currentMSecsSinceEpoch(),
                                         nullptr, &courseNames);
  if (!SaveWhole(out, html, error)) return false;
  if (certificates.isEmpty()) return true;
  if (!SaveWhole(certificatesPath, CertificateHtml(certificates), error)) return false;
  outcome->certificates = certificatesPath;
  outcome->certified = int(certificates.size());
  return true;
}

int RunReportCommand(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("使い方: shurencho --report 出力.html 成績.csv...\n詳しくは shurencho --help で見られます\n",
               stderr);
    return 2;
  }
  const QString out = QFile::decodeName(argv[2]);
  QStringList inputs;
  for (int i = 3; i < argc; ++i) inputs.append(QFile::decodeName(argv[i]));
  if (const int refused = RefuseReportOutput(out, inputs)) return refused;
  QString error;
  ClassReportOutcome outcome;
  if (!WriteClassReport(out, inputs, &error, &outcome)) {
    Say(error);
    return outcome.refused ? 2 : 1;
  }
  // Every file written, one a line, so that none is looked for in vain.
  std::printf("%s\n", QStringLiteral("クラスの成績一覧：%1").arg(out).toLocal8Bit().constData());
  if (!outcome.certificates.isEmpty()) {
    std::printf("%s\n", QStringLiteral("認定証（%1 人分）：%2")
                            .arg(outcome.certified)
                            .arg(outcome.certificates)
                            .toLocal8Bit()
                            .constData());
  }
  return 0;
}

}  // namespace shurencho
