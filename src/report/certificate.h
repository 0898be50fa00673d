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
  HistoryTime at = 0;  // the test's time
  int perMinute = 0;
  QString grade;
  QString textName;
};

// The learner's certificate, from the best finished test; none without one.
std::optional<CertificateEntry> CertificateOf(const LearnerHistory& history);
// One per learner of the class (told apart by name and machine, over every
// file), ordered by name; learners without a finished test have none.
QList<CertificateEntry> ClassCertificates(const QList<QList<LearnerHistory>>& files);

// The pages, carrying the generator mark of every page this program writes.
QByteArray CertificateHtml(const QList<CertificateEntry>& entries);

}  // namespace shurencho
