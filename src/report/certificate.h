#pragma once
// The 実力テスト certificate: one printable page per learner with the name,
// the date of the best finished test, its 級 and its 字／分. A class set is
// the same pages one after another, each printed on a sheet of its own.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "history/history_records.h"

namespace shurencho {

struct CertificateEntry {
  QString learner;
  HistoryTime at = 0;                           // the test's time
  std::optional<int> utcOffset = std::nullopt;  // where it was taken, when known (else this machine's zone)
  int perMinute = 0;
  QString grade;
  QString textName;
  // Named only when another learner of the set has the same name ("端末不明"
  // for a file that did not say).
  QString machine = {};
};

// The learner's certificate, from the best finished test; none without one.
std::optional<CertificateEntry> CertificateOf(const LearnerHistory& history);
// One per learner of the class (told apart by name and machine, over every
// file), ordered by name; learners without a finished test have none.
QList<CertificateEntry> ClassCertificates(const QList<QList<LearnerHistory>>& files);

// The date printed: the test's own day where it was taken.
QString CertificateDate(const CertificateEntry& entry);
// Text from a file as a certificate shows it: control characters and the
// marks that turn text around are shown as 〔U+202E〕, so that nothing
// hides in or reorders a name.
QString VisibleText(const QString& text);

// The pages, carrying the generator mark of every page this program writes.
QByteArray CertificateHtml(const QList<CertificateEntry>& entries);

}  // namespace shurencho
