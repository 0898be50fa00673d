// One edit of the typing box at the end of a 100,000-character practice
// text: the match, the highlight, the count and the scroll, first in the page
// logic alone, then through the real widgets (document recolouring included).
#include <benchmark/benchmark.h>

#include <QFile>
#include <QPlainTextEdit>
#include <QAbstractTextDocumentLayout>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextCursor>

#include "data/practice_data.h"
#include "typing/rtf_reader.h"
#include "typing/typing_view.h"
#include "ui/null_media_player.h"
#include "ui/qt_platform.h"
#include "ui/xdg_help_launcher.h"

namespace {

constexpr int kTextChars = 100000;

// A practice text of Japanese prose in paragraphs, kTextChars long with CR LF breaks.
QString LongText() {
  const QString paragraph = QStringLiteral(
      "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所で"
      "ニャーニャー泣いていた事だけは記憶している。Typing practice, line by line.");
  QString text;
  while (text.size() < kTextChars) text += paragraph + QStringLiteral("\r\n");
  text.truncate(kTextChars);
  return text;
}

// A platform whose file dialog always picks one file.
class BenchPlatform final : public Platform {
 public:
  explicit BenchPlatform(QString file) : m_file(std::move(file)) {}
  double Now() override { return m_now += 1.0 / 86400.0; }
  void Randomize() override {}
  int Random(int) override { return 0; }
  void Beep() override {}
  void ShowInformation(const QString&) override {}
  void ShowWarning(const QString&) override {}
  void ShowError(const QString&) override {}
  QPoint PointerPos(const QString&) override { return {}; }
  void SetPointerPos(const QString&, QPoint) override {}
  void SetFocus(const QString&) override {}
  std::optional<QString> OpenFileDialog(const FileDialogRequest&) override { return m_file; }
  QString ProgramPath() override { return m_file; }
  MediaPlayer& Media() override { return m_media; }
  HelpLauncher& Help() override { return m_help; }

 private:
  QString m_file;
  double m_now = 45000.5;
  NullMediaPlayer m_media;
  XdgHelpLauncher m_help;
};

QString WritePracticeFile(const QTemporaryDir& dir, const QString& text) {
  const QString path = dir.filePath(QStringLiteral("long.txt"));
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(text.toUtf8());
  return path;
}

}  // namespace

static void BM_Memo2ChangeAtTheEnd(benchmark::State& state) {
  QTemporaryDir dir;
  const QString text = LongText();
  BenchPlatform platform(WritePracticeFile(dir, text));
  AppSettings settings;
  LoadSettings(settings, false, QString());
  const PracticeData data;
  TypingPage page(settings, data, platform);
  page.FormCreate();
  page.Button4Click();
  // The last character typed and taken back, over and over.
  const QString typed[2] = {text.left(kTextChars - 1), text.left(kTextChars - 2)};
  page.Memo2UserEdit(typed[1]);
  int i = 0;
  for (auto _ : state) {
    page.Memo2UserEdit(typed[i ^= 1]);
    benchmark::DoNotOptimize(page.TypingRun.MatchedChars);
  }
}
BENCHMARK(BM_Memo2ChangeAtTheEnd)->Unit(benchmark::kMicrosecond);

static void BM_TypingViewEditAtTheEnd(benchmark::State& state) {
  QTemporaryDir dir;
  const QString text = LongText();
  BenchPlatform pagePlatform(WritePracticeFile(dir, text));
  QtPlatform viewPlatform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>());
  AppSettings settings;
  LoadSettings(settings, false, QString());
  const PracticeData data;
  TypingPage page(settings, data, pagePlatform);
  TypingView view(page, viewPlatform);
  page.FormCreate();
  page.Button4Click();
  view.Render();
  view.show();

  // Everything but the last two characters goes in as one user edit.
  QString widgetText = text.left(kTextChars - 2);
  widgetText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QTextCursor cursor(view.memo2()->document());
  cursor.insertText(widgetText);
  const QString last = text.mid(kTextChars - 2, 1);
  bool typedLast = false;
  for (auto _ : state) {
    cursor.movePosition(QTextCursor::End);
    if (typedLast) {
      cursor.deletePreviousChar();
    } else {
      cursor.insertText(last);
    }
    typedLast = !typedLast;
    benchmark::DoNotOptimize(page.RichEdit1.caret());
  }
  if (page.TypingRun.MatchedChars < kTextChars - 4) state.SkipWithError("the edits did not reach the page");
}
BENCHMARK(BM_TypingViewEditAtTheEnd)->Unit(benchmark::kMicrosecond);

static void BM_ReadRtfOfTheLongText(benchmark::State& state) {
  QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset128 Gothic;}}{\\colortbl;\\red255\\green0\\blue0;}";
  const QString text = LongText();
  for (const QChar c : text) {
    if (c == QLatin1Char('\r')) continue;
    if (c == QLatin1Char('\n')) {
      rtf += "\\par\n";
    } else if (c.unicode() < 0x80) {
      rtf += static_cast<char>(c.unicode());
    } else {
      rtf += "\\u" + QByteArray::number(static_cast<short>(c.unicode())) + "?";
    }
  }
  rtf += "}";
  for (auto _ : state) benchmark::DoNotOptimize(ReadRtf(rtf).text.size());
}
BENCHMARK(BM_ReadRtfOfTheLongText)->Unit(benchmark::kMillisecond);

// For comparison: recolouring the whole practice text on every key, which
// the view avoids by touching only the span between the old and new match end.
static void BM_WholeTextRecolourForComparison(benchmark::State& state) {
  QTextDocument doc;
  QString text = LongText();
  doc.setPlainText(text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  doc.setTextWidth(500);
  doc.documentLayout()->documentSize();
  QTextCharFormat colours[2];
  colours[0].setForeground(Qt::blue);
  colours[1].setForeground(Qt::black);
  int i = 0;
  for (auto _ : state) {
    QTextCursor cursor(&doc);
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(colours[i ^= 1]);
    benchmark::DoNotOptimize(doc.documentLayout()->documentSize());
  }
}
BENCHMARK(BM_WholeTextRecolourForComparison)->Unit(benchmark::kMillisecond);
