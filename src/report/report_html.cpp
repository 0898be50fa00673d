#include "report/report_html.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

#include "report/chart_ticks.h"
#include "report/palette.h"
#include "settings/settings.h"

namespace shurencho {

namespace {

QString Num(double v, int decimals = 1) { return QString::number(v, 'f', decimals); }

QString DateText(HistoryTime at, const char* format = "yyyy/MM/dd") {
  return QDateTime::fromMSecsSinceEpoch(at).toString(QString::fromLatin1(format));
}

// Maps days and values into a plot area; the axes leave room for a marker at their ends.
struct Plot {
  double left, top, width, height;
  DateTicks days;
  ValueTicks values;
  double X(QDate day) const { return left + width * (days.X(day) - days.from) / (days.to - days.from); }
  double Y(double v) const {
    const double lo = values.low(), hi = values.high();
    return top + height * (1.0 - (std::clamp(v, lo, hi) - lo) / (hi - lo));
  }
};

Plot MakePlot(int width, int height, QDate first, QDate last, const ValueTicks& values) {
  const double plotWidth = width - 38.0;
  // A date label is some 30 units wide at this size.
  return Plot{30, 16, plotWidth, height - 34.0, ChooseDateTicks(first, last, int(plotWidth / 32)), values};
}

QString SvgOpen(int width, int height, const QString& title) {
  return QStringLiteral(
             "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 %1 %2\" width=\"%1\" height=\"%2\" "
             "font-size=\"9\" role=\"img\"><title>%3</title>")
      .arg(width)
      .arg(height)
      .arg(HtmlEscaped(title));
}

QString Text(double x, double y, const QString& text, const char* anchor = "start", const char* extra = "") {
  return QStringLiteral("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\"%4>%5</text>")
      .arg(Num(x), Num(y), QString::fromLatin1(anchor), QString::fromLatin1(extra), HtmlEscaped(text));
}

QString Rect(double x, double y, double w, double h, const char* fill) {
  return QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\"/>")
      .arg(Num(x), Num(y), Num(std::max(0.0, w)), Num(std::max(0.0, h)), QString::fromLatin1(fill));
}

QString Line(double x1, double y1, double x2, double y2, const char* style) {
  return QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" %5/>")
      .arg(Num(x1), Num(y1), Num(x2), Num(y2), QString::fromLatin1(style));
}

QString Polyline(const QStringList& points, const char* colour, double width) {
  const QString c = QString::fromLatin1(colour);
  if (points.size() == 1) {
    // One point alone draws no line: a dot instead.
    const QStringList xy = points[0].split(QLatin1Char(','));
    return QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"2\" fill=\"%3\"/>").arg(xy[0], xy[1], c);
  }
  return QStringLiteral("<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"%2\" points=\"%3\"/>")
      .arg(c, Num(width), points.join(QLatin1Char(' ')));
}

QString TimeAxis(const Plot& p) {
  const double bottom = p.top + p.height;
  QString s = Line(p.left, bottom, p.left + p.width, bottom, "stroke=\"#444\"");
  for (const QDate& day : p.days.ticks) {
    const double x = p.X(day);
    s += Line(x, bottom, x, bottom + 2, "stroke=\"#444\"");
    s += Text(x, bottom + 11, p.days.Label(day), "middle");
  }
  return s;
}

QString ValueAxis(const Plot& p) {
  QString s = Line(p.left, p.top, p.left, p.top + p.height, "stroke=\"#444\"");
  for (int i = 0; i < p.values.count(); ++i) {
    const double v = i * p.values.step;
    s += Line(p.left - 2, p.Y(v), p.left, p.Y(v), "stroke=\"#444\"");
    s += Text(p.left - 3, p.Y(v) + 3, Num(v, 0), "end");
  }
  return s;
}

const char kStyle[] = R"(<style>
@page { size: A4; margin: 10mm; }
body { font-family: "IPAGothic", "IPAexGothic", sans-serif; font-size: 9pt; margin: 0; color: #000; }
h1 { font-size: 15pt; margin: 0 0 2mm; }
h2 { font-size: 11pt; margin: 3mm 0 1mm; border-bottom: 1px solid #888; }
.meta { margin-bottom: 2mm; }
.grid { display: grid; grid-template-columns: repeat(3, 1fr); gap: 2mm; }
.grid figure { margin: 0; }
figcaption { font-size: 8pt; }
svg { width: 100%; height: auto; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #888; padding: 0.5mm 1mm; text-align: left; vertical-align: top; }
td.n { text-align: right; }
th, .nw { white-space: nowrap; }
th.course { white-space: normal; }
section, tr, figure { break-inside: avoid; }
.row { display: flex; gap: 4mm; }
.row > * { flex: 1; }
@media screen { body { max-width: 190mm; margin: 5mm auto; } }
</style>)";

QString Head(const QString& title, const char* extraStyle = "") {
  return QStringLiteral(
             "<!DOCTYPE html>\n<html lang=\"ja\"><head><meta charset=\"utf-8\">%1<title>%2</title>%3%4</head>"
             "<body>\n")
      .arg(QString::fromLatin1(kReportGeneratorMeta), HtmlEscaped(title), QString::fromLatin1(kStyle),
           QString::fromLatin1(extraStyle));
}

// A label kept on one line: a narrow column breaks between labels, never
// inside one ("打鍵／分" split as 打／鍵／分).
QString NoBreak(const QString& html) { return QStringLiteral("<span class=\"nw\">%1</span>").arg(html); }

// A course name that may break only at its spaces ("ローマ字　単語入力練習").
QString CourseHeading(const QString& name) {
  QStringList parts;
  for (const QString& part : name.split(QChar(0x3000), Qt::SkipEmptyParts))
    parts.append(NoBreak(HtmlEscaped(part)));
  return parts.join(QStringLiteral("　"));
}

// The keyboard's character keys, as the 成績 window draws them: each key
// tinted by how often it was missed against the most missed key.
QString KeyboardSvg(const KeyboardLayout& keyboard, const QList<QPair<QString, int>>& counts, int width) {
  const std::vector<KeyCap>& keys = keyboard.keys();
  const QList<int> misses = KeyMisses(keyboard, counts);
  double left = 1e9, wide = 0, top = 1e9, high = 0;
  for (const KeyCap& k : keys) {
    if (!IsCharacterKey(k)) continue;
    left = std::min(left, k.x);
    top = std::min(top, k.y);
    wide = std::max(wide, k.x + 1);
    high = std::max(high, k.y + 1);
  }
  if (wide <= left) return QString();
  const int most = *std::max_element(misses.cbegin(), misses.cend());
  const double pitch = width / (wide - left + 0.5), key = pitch * 0.9;
  const int height = int(std::ceil((high - top) * pitch + 4));
  QString s = SvgOpen(width, height, QStringLiteral("キーごとのミス"));
  for (int i = 0; i < int(keys.size()); ++i) {
    const KeyCap& k = keys[size_t(i)];
    if (!IsCharacterKey(k)) continue;
    const double x = (k.x - left) * pitch, y = 2 + (k.y - top) * pitch;
    const int n = misses.value(i);
    const double h = most > 0 ? double(n) / most : 0.0;
    // White for no misses, deepening to red for the most missed key.
    const QString fill =
        QStringLiteral("rgb(255,%1,%2)").arg(int(255 * (1 - 0.75 * h))).arg(int(255 * (1 - 0.8 * h)));
    s += QStringLiteral(
             "<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%3\" rx=\"2\" fill=\"%4\" stroke=\"#888\"/>")
             .arg(Num(x), Num(y), Num(key), fill);
    const char* ink = h > 0.6 ? " fill=\"#fff\"" : "";
    s += Text(x + key / 2, y + key * 0.45, k.top, "middle", ink);
    if (n > 0) s += Text(x + key / 2, y + key * 0.85, QString::number(n), "middle", ink);
  }
  return s + QStringLiteral("</svg>");
}

QString WrongKeysText(const UnitWeakness& w) {
  QStringList keys;
  for (const auto& [key, n] : w.wrongKeys)
    keys.append(QStringLiteral("%1 (%2)").arg(KeyName(key), QString::number(n)));
  return keys.join(QStringLiteral("、"));
}

QString StageMissesText(const MouseProgress& g) {
  QStringList parts;
  for (const StageMisses& s : g.byStage)
    parts.append(QStringLiteral("%1: %2").arg(s.stage).arg(Num(s.meanMisses)));
  return parts.join(QStringLiteral("、"));
}

}  // namespace

QString HtmlEscaped(const QString& text) {
  // Qt's escaping, and what a quoted attribute and the SVG in the page also
  // need: the apostrophe, and no control character XML refuses.
  QString out = text.toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&#39;"));
  for (QChar& c : out) {
    if (c.unicode() < 0x20 && c != QLatin1Char('\t') && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
      c = QChar(0xFFFD);
  }
  return out;
}

QString SpeedChartSvg(const CourseChart& chart, int width, int height) {
  const CourseSpeeds& course = chart.speeds;
  const GradeBands& bands = chart.bands;
  QString s = SvgOpen(width, height, QStringLiteral("%1 字／分の推移").arg(chart.label));
  const Plot p = MakePlot(width, height, chart.first, chart.last, chart.speedAxis);
  // Grade bands: × below the lower threshold, ○ up to the upper, ◎ above.
  s += Rect(p.left, p.Y(bands.lower), p.width, p.top + p.height - p.Y(bands.lower), palette::kBandBelow);
  s += Rect(p.left, p.Y(bands.upper), p.width, p.Y(bands.lower) - p.Y(bands.upper), palette::kBandBetween);
  s += Rect(p.left, p.top, p.width, p.Y(bands.upper) - p.top, palette::kBandAbove);
  for (int target : kSchoolTargets) {
    s += Line(p.left, p.Y(target), p.left + p.width, p.Y(target), "stroke=\"#555\" stroke-dasharray=\"3 2\"");
    s += Text(p.left + p.width, p.Y(target) - 1.5, QString::number(target), "end", " fill=\"#555\"");
  }
  s += ValueAxis(p);
  if (course.days.isEmpty()) {
    s += Text(p.left + p.width / 2, p.top + p.height / 2, QStringLiteral("記録がありません"), "middle");
  } else {
    s += TimeAxis(p);
    QStringList best, mean;
    for (const DaySpeed& d : course.days) {
      best.append(QStringLiteral("%1,%2").arg(Num(p.X(d.day)), Num(p.Y(d.best))));
      mean.append(QStringLiteral("%1,%2").arg(Num(p.X(d.day)), Num(p.Y(d.mean))));
    }
    s += Polyline(mean, palette::kMeanLine, 1);
    s += Polyline(best, palette::kBestLine, 1.5);
  }
  s += Text(p.left, 10, QStringLiteral("%1 字／分").arg(chart.label));
  return s + QStringLiteral("</svg>");
}

QString LadderSvg(const LadderDrawing& ladder, const QString& title, const QString& line, int width,
                  int height) {
  QString s = SvgOpen(width, height, title);
  const qsizetype n = ladder.steps.size();
  const double stepWidth = (width - 10.0) / std::max<qsizetype>(1, n);
  for (qsizetype i = 0; i < n; ++i) {
    const LadderDrawing::Step& step = ladder.steps[i];
    const double h = (height - 24.0) * double(i + 1) / double(n);
    const double x = 5 + double(i) * stepWidth;
    s += Rect(x, height - 12 - h, stepWidth - 2, h,
              step.reached ? palette::kStepReached : palette::kStepAhead);
    // Many steps leave no room under each: every other one is named.
    if (n <= 10 || i % 2 == 0) s += Text(x + stepWidth / 2 - 1, height - 2, step.label, "middle");
  }
  if (!line.isEmpty()) s += Text(5, 9, line);
  return s + QStringLiteral("</svg>");
}

QString MouseChartSvg(const MouseChart& chart, int width, int height) {
  QString s = SvgOpen(width, height, QStringLiteral("マウス練習のステージの推移"));
  const Plot p = MakePlot(width, height, chart.first, chart.last, chart.stageAxis);
  s += ValueAxis(p);
  if (chart.Empty()) {
    s += Text(p.left + p.width / 2, p.top + p.height / 2, QStringLiteral("記録がありません"), "middle");
    return s + QStringLiteral("</svg>");
  }
  s += TimeAxis(p);
  double legendX = p.left;
  for (const MouseChart::Line& line : chart.lines) {
    const char* colour = palette::kGames[static_cast<size_t>(line.game) - 1];
    QStringList points;
    for (const auto& [day, stage] : line.stages)
      points.append(QStringLiteral("%1,%2").arg(Num(p.X(day)), Num(p.Y(stage))));
    if (!points.isEmpty()) s += Polyline(points, colour, 1.5);
    const QByteArray fill = QByteArray(" fill=\"") + colour + "\"";
    s += Text(legendX, 10, QStringLiteral("■%1").arg(MouseGameLabel(line.game)), "start", fill.constData());
    legendX += 60;
  }
  return s + QStringLiteral("</svg>");
}

QByteArray LearnerReportHtml(const LearnerHistory& h, const ZINIconf& settings, HistoryTime now,
                             const KeyboardLayout* keyboard) {
  return LearnerReportHtml(ComputeRecords(h, settings), h, now, keyboard);
}

QByteArray LearnerReportHtml(const RecordsModel& model, const LearnerHistory& h, HistoryTime now,
                             const KeyboardLayout* keyboard) {
  QString s = Head(QStringLiteral("成績表 %1").arg(h.learner));
  s += QStringLiteral(
           "<h1>打鍵修練帖 成績表</h1>\n<div class=\"meta\">学習者：<strong>%1</strong>　作成日：%2</div>\n")
           .arg(HtmlEscaped(h.learner), DateText(now, "yyyy/MM/dd HH:mm"));
  s += QStringLiteral("<section><h2>速さ（字／分）</h2><div class=\"grid\">\n");
  for (const CourseChart& chart : model.courses) {
    const CourseSpeeds& c = chart.speeds;
    s += QStringLiteral("<figure>") + SpeedChartSvg(chart, 240, 130);
    s +=
        c.runs == 0
            ? QStringLiteral("<figcaption>%1：記録なし</figcaption>").arg(HtmlEscaped(chart.label))
            : QStringLiteral("<figcaption>%1 %2 %3 %4</figcaption>")
                  .arg(
                      NoBreak(QStringLiteral("最高 %1・最新 %2 字／分").arg(c.best).arg(c.latest)),
                      NoBreak(QStringLiteral("正確さ %1").arg(AccuracyShown(c.accuracy.Value()))),
                      NoBreak(QStringLiteral("打鍵／分 %1").arg(KeysPerMinuteShown(c.keysPerMinute.Value()))),
                      NoBreak(QStringLiteral("（%1 回）").arg(c.runs)));
    s += QStringLiteral("</figure>\n");
  }
  s += QStringLiteral(
      "</"
      "div><div>"
      "濃い線：日ごとの最高、薄い線：日ごとの平均。帯：赤＝×、黄＝○、緑＝◎（評価の基準）。点線：40・60 "
      "字／分の目標。</div></section>\n");
  // Each ladder's line above its steps, and again as text, where the drawing is too narrow for it.
  s += QStringLiteral(
           "<div class=\"row\"><section><h2>段位と級</h2><div>%1</div>%2<div>%3</div>%4</section>\n")
           .arg(HtmlEscaped(model.practiceLine),
                LadderSvg(model.practiceSteps, QStringLiteral("練習の段位"), QString(), 300, 90),
                HtmlEscaped(model.gradeLine),
                LadderSvg(model.gradeSteps, QStringLiteral("実力テストの級"), QString(), 300, 90));
  s += QStringLiteral(
      "<section><h2>苦手なかな</h2><table><tr><th>かな</th><th>ミス</th><th>よく押し間違えたキー</th></"
      "tr>\n");
  if (h.weakest.isEmpty()) s += QStringLiteral("<tr><td colspan=\"3\">記録がありません</td></tr>\n");
  for (const UnitWeakness& w : h.weakest) {
    s += QStringLiteral("<tr><td>%1</td><td class=\"n\">%2</td><td>%3</td></tr>\n")
             .arg(HtmlEscaped(w.unit), QString::number(w.misses), HtmlEscaped(WrongKeysText(w)));
  }
  s += QStringLiteral("</table></section></div>\n");
  if (keyboard != nullptr) {
    s += QStringLiteral(
             "<section><h2>キーごとのミス</h2><div>押すはずだったキーごとのミスの回数（赤いほど多い）</div>"
             "<div style=\"max-width: 130mm\">%1</div></section>\n")
             .arg(KeyboardSvg(*keyboard, h.missesByExpectedKey, 480));
  }
  s += QStringLiteral(
           "<section><h2>マウス練習</h2><div class=\"row\"><div>%1</div><div><table>"
           "<tr><th>ゲーム</th><th>最高</th><th>回数</th><th>ステージごとの平均ミス</th></tr>\n")
           .arg(MouseChartSvg(model.mouseChart, 300, 120));
  for (const MouseProgress& g : model.mouse) {
    s += QStringLiteral("<tr><td>%1</td><td class=\"n\">%2</td><td class=\"n\">%3</td><td>%4</td></tr>\n")
             .arg(MouseGameLabel(g.game),
                  g.game == MouseGame::Puzzle ? QStringLiteral("－") : QString::number(g.bestStage))
             .arg(g.plays)
             .arg(StageMissesText(g));
  }
  s += QStringLiteral("</table></div></div></section>\n</body></html>\n");
  return s.toUtf8();
}

namespace {

// The table's two heading rows: each course's name over its best and latest.
QString ClassTableHeading(const QList<int>& courses, bool years, const ZINIconf* settings,
                          const QHash<int, QString>* courseNames) {
  QString s = QStringLiteral("<table><tr><th rowspan=\"2\">学習者</th>");
  if (years) s += QStringLiteral("<th rowspan=\"2\">学年</th>");
  for (int course : courses) {
    const QString name = courseNames != nullptr && courseNames->contains(course)
                             ? courseNames->value(course)
                             : CourseLabel(course, settings);
    s += QStringLiteral("<th colspan=\"2\" class=\"course\">%1</th>").arg(CourseHeading(name));
  }
  s += QStringLiteral(
      "<th rowspan=\"2\">級</th><th rowspan=\"2\">正確さ</th><th rowspan=\"2\">苦手なかな</th><th "
      "rowspan=\"2\">マウス</th>"
      "<th rowspan=\"2\">最終記録</th></tr>\n<tr>");
  for (qsizetype i = 0; i < courses.size(); ++i) s += QStringLiteral("<th>最高</th><th>最新</th>");
  s += QStringLiteral("</tr>\n");
  return s;
}

// A course's best and latest speed, with their grades when the settings are known.
QString ClassSpeedCells(const CourseSpeeds& c, const ZINIconf* settings) {
  if (c.runs == 0) return QStringLiteral("<td class=\"n\">－</td><td class=\"n\">－</td>");
  const auto shown = [&](int speed) {
    if (settings == nullptr) return QString::number(speed);
    const GradeBands bands = CourseBands(*settings, c.course);
    return QStringLiteral("%1 %2").arg(speed).arg(SpeedGrade(speed, bands.lower, bands.upper));
  };
  return QStringLiteral("<td class=\"n\">%1</td><td class=\"n\">%2</td>").arg(shown(c.best), shown(c.latest));
}

QString ClassRowHtml(const ClassRow& r, const QString& shownName, bool years, const ZINIconf* settings) {
  QString s = QStringLiteral("<tr><td>%1</td>").arg(HtmlEscaped(shownName));
  if (years) s += QStringLiteral("<td class=\"nw\">%1</td>").arg(HtmlEscaped(r.schoolYear));
  for (const CourseSpeeds& c : r.courses) s += ClassSpeedCells(c, settings);
  QStringList weak, mouse;
  for (int i = 0; i < std::min<qsizetype>(3, r.weakest.size()); ++i) {
    weak.append(QStringLiteral("%1（%2）").arg(r.weakest[i].unit, QString::number(r.weakest[i].misses)));
  }
  for (const MouseProgress& g : r.mouse) {
    if (g.plays == 0) continue;
    mouse.append(g.game == MouseGame::Puzzle
                     ? QStringLiteral("%1 %2回").arg(MouseGameLabel(g.game)).arg(g.plays)
                     : QStringLiteral("%1 %2").arg(MouseGameLabel(g.game)).arg(g.bestStage));
  }
  s += QStringLiteral(
           "<td class=\"nw\">%1</td><td class=\"n\">%2</td><td>%3</td><td>%4</td><td>%5</td></tr>\n")
           .arg(ClassGradeText(r), ClassAccuracyText(r), HtmlEscaped(weak.join(QStringLiteral("、"))),
                HtmlEscaped(mouse.join(QStringLiteral("、"))),
                r.latestAt == 0 ? QStringLiteral("－") : DateText(r.latestAt));
  return s;
}

}  // namespace

QByteArray ClassTableHtml(const QList<ClassRow>& rows, const QStringList& sources, HistoryTime now,
                          const ZINIconf* settings, const QHash<int, QString>* courseNames) {
  // Two learners of one name are told apart by their machines.
  QHash<QString, int> nameCount;
  for (const ClassRow& r : rows) ++nameCount[r.learner];
  QString s = Head(QStringLiteral("クラスの成績一覧"),
                   "<style>@page { size: A4 landscape; }"
                   " @media screen { body { max-width: 277mm; } }</style>");
  s += QStringLiteral(
           "<h1>クラスの成績一覧</h1>\n<div class=\"meta\">%1 人・ファイル %2 個　作成日：%3</div>\n")
           .arg(rows.size())
           .arg(sources.size())
           .arg(DateText(now, "yyyy/MM/dd HH:mm"));
  const bool years = ClassHasYears(rows);
  s += ClassTableHeading(ClassCourses(rows), years, settings, courseNames);
  for (const ClassRow& r : rows) {
    const QString shown =
        nameCount.value(r.learner) > 1
            ? QStringLiteral("%1（%2）")
                  .arg(r.learner, r.machine.isEmpty() ? QStringLiteral("端末不明") : r.machine)
            : r.learner;
    s += ClassRowHtml(r, shown, years, settings);
  }
  s += QStringLiteral(
      "</table>\n<div class=\"meta\">速さは字／分。最高・最新はコースごと。</div>\n</body></html>\n");
  return s.toUtf8();
}

}  // namespace shurencho
