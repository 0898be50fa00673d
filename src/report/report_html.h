#pragma once
// Printable reports: one A4 page per learner with the charts drawn as
// inline SVG, and the class table merged from the collected CSV files.
// Every text from the records (names, texts, kana) is escaped.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include "data/keyboard_layout.h"
#include "history/history_records.h"
#include "report/class_table.h"
#include "report/records_model.h"
#include "report/records_summary.h"

namespace shurencho {

struct ZINIconf;

// Every page this program writes carries this line in its head: a teacher
// command writes over a page only when it holds it.
inline constexpr char kReportGeneratorMeta[] = "<meta name=\"generator\" content=\"shurencho\">";

// Text made safe for HTML and SVG, in element content and in quoted attributes:
// QString::toHtmlEscaped(), the apostrophe, and no control character.
QString HtmlEscaped(const QString& text);

// 字／分 per day (best and mean) over the course's grade bands and the school
// targets.
QString SpeedChartSvg(const CourseChart& chart, int width, int height);
// A ladder's steps, those reached filled, under its line.
QString LadderSvg(const LadderDrawing& ladder, const QString& title, const QString& line, int width,
                  int height);
// The stage reached per day of the staged mouse games.
QString MouseChartSvg(const MouseChart& chart, int width, int height);

// now: when the report is made, printed on it; keyboard: the layout the
// misses by key are drawn on (none: the section is left out).
QByteArray LearnerReportHtml(const LearnerHistory& history, const ZINIconf& settings, HistoryTime now,
                             const KeyboardLayout* keyboard = nullptr);
// The same from what the 成績 window shows: model computed from history.
QByteArray LearnerReportHtml(const RecordsModel& model, const LearnerHistory& history, HistoryTime now,
                             const KeyboardLayout* keyboard = nullptr);
// With settings, each speed carries its course's grade mark (×○◎) and the
// courses their names from the settings; courseNames (as the records files
// named them) come before either.
QByteArray ClassTableHtml(const QList<ClassRow>& rows, const QStringList& sources, HistoryTime now,
                          const ZINIconf* settings = nullptr,
                          const QHash<int, QString>* courseNames = nullptr);

}  // namespace shurencho
