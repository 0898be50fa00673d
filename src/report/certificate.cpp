#include "report/certificate.h"

#include <QDateTime>
#include <QHash>
#include <QMap>
#include <algorithm>

#include "report/report_html.h"
#include "report/skill_grade.h"

namespace shurencho {

namespace {

const char kCertificateStyle[] = R"(<style>
@page { size: A4; margin: 20mm; }
body { font-family: "IPAexMincho", "IPAMincho", serif; margin: 0; }
section { border: 3px double #555; padding: 20mm 15mm; text-align: center; min-height: 220mm;
          box-sizing: border-box; break-after: page; page-break-after: always; }
section:last-child { break-after: auto; page-break-after: auto; }
h1 { font-size: 36pt; letter-spacing: 0.5em; margin: 10mm 0 20mm; }
.name { font-size: 24pt; margin-bottom: 15mm; }
.grade { font-size: 48pt; font-weight: bold; margin: 12mm 0; }
p { font-size: 14pt; line-height: 1.8; }
.machine { margin-top: -12mm; margin-bottom: 15mm; }
.date, .by { margin-top: 20mm; }
@media screen { section { max-width: 180mm; margin: 5mm auto; } }
</style>)";

bool Hidden(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

}  // namespace

QString VisibleText(const QString& text) {
  QString shown;
  shown.reserve(text.size());
  for (const QChar c : text) {
    if (Hidden(c.unicode())) {
      shown += QStringLiteral("〔U+%1〕").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
    } else {
      shown += c;
    }
  }
  return shown;
}

QString CertificateDate(const CertificateEntry& e) {
  // Shifted by the offset it was written with, the time reads as that
  // place's clock: a test at 07:40 in Tokyo is dated that day everywhere.
  const QDateTime at = e.utcOffset ? QDateTime::fromMSecsSinceEpoch(e.at + *e.utcOffset * 1000LL, Qt::UTC)
                                   : QDateTime::fromMSecsSinceEpoch(e.at);
  return at.date().toString(QStringLiteral("yyyy年M月d日"));
}

std::optional<CertificateEntry> CertificateOf(const LearnerHistory& history) {
  const std::optional<TypingRunRecord> best = BestSkillTest(history.runs);
  if (!best) return std::nullopt;
  return CertificateEntry{
      history.learner, best->at, best->utcOffset, best->charsPerMinute, SkillGradeText(best->charsPerMinute),
      best->textName,  {}};
}

QList<CertificateEntry> ClassCertificates(const QList<QList<LearnerHistory>>& files) {
  QMap<QPair<QString, QString>, CertificateEntry> best;
  for (const QList<LearnerHistory>& file : files) {
    for (const LearnerHistory& learner : file) {
      const std::optional<CertificateEntry> entry = CertificateOf(learner);
      if (!entry) continue;
      const QPair<QString, QString> key(learner.learner, learner.machine);
      auto known = best.find(key);
      if (known == best.end()) {
        best.insert(key, *entry);
      } else if (entry->perMinute > known->perMinute ||
                 (entry->perMinute == known->perMinute && entry->at < known->at)) {
        *known = *entry;
      }
    }
  }
  // Two learners of one name are told apart on paper by their machines.
  QHash<QString, int> named;
  for (auto it = best.cbegin(); it != best.cend(); ++it) ++named[it.key().first];
  for (auto it = best.begin(); it != best.end(); ++it) {
    if (named.value(it.key().first) > 1)
      it->machine = it.key().second.isEmpty() ? QStringLiteral("端末不明") : it.key().second;
  }
  return best.values();
}

QByteArray CertificateHtml(const QList<CertificateEntry>& entries) {
  QString html =
      QStringLiteral(
          "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">%1<title>認定証</title>%2"
          "</head><body>\n")
          .arg(QString::fromLatin1(kReportGeneratorMeta), QString::fromLatin1(kCertificateStyle));
  for (const CertificateEntry& e : entries) {
    // One pass of arg: a name holding "%2" stays as it was written.
    const QString machine =
        e.machine.isEmpty()
            ? QString()
            : QStringLiteral("<p class=\"machine\">端末：%1</p>\n").arg(HtmlEscaped(VisibleText(e.machine)));
    html +=
        QStringLiteral(
            "<section>\n<h1>認定証</h1>\n<p class=\"name\">%1 さん</p>\n%6"
            "<p>あなたは 3 分間の実力テストで<br>1 分間に %2 字を正しく打ちました。</p>\n"
            "<p class=\"grade\">%3</p>\n<p>ここに %3 と認めます。</p>\n"
            "<p>テストの文：%4</p>\n<p class=\"date\">%5</p>\n<p class=\"by\">打鍵修練帖</p>\n</section>\n")
            .arg(HtmlEscaped(VisibleText(e.learner)), QString::number(e.perMinute), HtmlEscaped(e.grade),
                 HtmlEscaped(VisibleText(e.textName)), CertificateDate(e), machine);
  }
  html += QStringLiteral("</body></html>\n");
  return html.toUtf8();
}

}  // namespace shurencho
