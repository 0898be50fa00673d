#pragma once
// The teacher's `shurencho --report OUT.html FILE.csv...`: the class table
// from the records files a teacher collected, without opening a window.
// The command line itself is read in main/.

#include <QString>
#include <QStringList>

namespace shurencho {

// Records files are a few megabytes even after years of practice; past this
// a file is refused before it is read.
inline constexpr qint64 kMaxRecordsFileBytes = 50LL * 1024 * 1024;

// Runs the command on its operands (OUT.html FILE.csv...); messages go to stderr. Returns the exit code: 2
// for a command line or an output refused, 1 for an input that cannot be read.
int RunReportCommand(const QStringList& operands);

// Whether a teacher command may write its page to out: a new file, or a
// page this program wrote before. Anything else that exists is kept: a
// records file (by its name ending in .csv or by its first line), a page or
// file of someone else's, a FIFO, a device or a folder, and any of inputs
// by any name. *error names the file.
bool MayWriteReport(const QString& out, const QStringList& inputs, QString* error);
// The same for a command: 0 when out may be written, else the reason on
// stderr and the exit status 2.
int RefuseReportOutput(const QString& out, const QStringList& inputs = {});

// Reads every input (regular files up to kMaxRecordsFileBytes, opened
// without blocking), then writes the class table to out in one piece.
// Refuses what MayWriteReport refuses and a file that is not a records file
// (naming the file and line), writing nothing then.
// The learners with a finished 実力テスト get their certificates, one page
// each, in one file beside out (CertificatesPath), written under the same
// rules; outcome says where and for how many, and whether an output was refused.
struct ClassReportOutcome {
  QString certificates;  // empty when nobody has a finished test
  int certified = 0;
  bool refused = false;
};
bool WriteClassReport(const QString& out, const QStringList& inputs, QString* error,
                      ClassReportOutcome* outcome = nullptr);
// "クラス.html" gives "クラス_認定証.html".
QString CertificatesPath(const QString& out);

}  // namespace shurencho
