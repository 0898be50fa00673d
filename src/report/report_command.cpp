#include "report/report_command.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QFile>
#include <cerrno>
#include <cstdio>

#include "report/certificate.h"
#include "report/class_table.h"
#include "report/records_csv.h"
#include "report/report_html.h"
#include "text/file_save.h"
#include "text/text_file.h"

namespace shurencho {

namespace {

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

int RunReportCommand(const QStringList& operands) {
  if (operands.size() < 2) {
    std::fputs("使い方: shurencho --report 出力.html 成績.csv...\n詳しくは shurencho --help で見られます\n",
               stderr);
    return 2;
  }
  const QString& out = operands.first();
  const QStringList inputs = operands.mid(1);
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
