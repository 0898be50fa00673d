#include "report/report_command.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QFile>
#include <cstdio>
#include <cstring>

#include "report/class_table.h"
#include "report/records_csv.h"
#include "report/report_html.h"

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

}  // namespace

bool IsReportCommand(int argc, char** argv) { return argc >= 2 && std::strcmp(argv[1], kOption) == 0; }

bool IsClassReportCommand(int argc, char** argv) {
  return argc >= 2 && std::strcmp(argv[1], "--class-report") == 0;
}
bool IsClassWindowCommand(int argc, char** argv) { return argc >= 2 && std::strcmp(argv[1], "--class") == 0; }

bool WriteClassReport(const QString& out, const QStringList& inputs, QString* error) {
  for (const QString& input : inputs) {
    if (input == out || SameFile(input, out)) {
      *error = QStringLiteral("出力先 %1 は読み込むファイル %2 と同じです。別の名前を指定してください")
                   .arg(out, input);
      return false;
    }
  }
  QList<QList<LearnerHistory>> files;
  for (const QString& input : inputs) {
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly)) {
      *error = QStringLiteral("%1 を読めません（%2）").arg(input, file.errorString());
      return false;
    }
    CsvProblem problem;
    const auto learners = ParseRecordsCsv(file.readAll(), input, &problem);
    if (!learners) {
      *error = problem.Text();
      return false;
    }
    files.append(*learners);
  }
  const QByteArray html = ClassTableHtml(MergeClassTable(files), inputs, QDateTime::currentMSecsSinceEpoch());
  return SaveWhole(out, html, error);
}

int RunReportCommand(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("使い方: shurencho --report 出力.html 成績.csv...\n", stderr);
    return 2;
  }
  const QString out = QFile::decodeName(argv[2]);
  QStringList inputs;
  for (int i = 3; i < argc; ++i) inputs.append(QFile::decodeName(argv[i]));
  QString error;
  if (!WriteClassReport(out, inputs, &error)) {
    std::fprintf(stderr, "shurencho: %s\n", error.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace shurencho
