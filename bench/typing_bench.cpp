// One edit of the typing box at the end of a 100,000-character practice
// text: the match, the highlight, the count and the scroll, first in the page
// logic alone, then through the real widgets (document recolouring included).
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include "adapters/null_media_player.h"
#include "adapters/xdg_help_launcher.h"
#include "data/practice_data.h"
#include "text/errors.h"
#include "text/text_file.h"
#include "typing/practice_text.h"
#include "typing/rtf_reader.h"
#include "ui/qt_platform.h"
#include "ui/typing_view.h"

using namespace shurencho;

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
  ClockTime Now() override { return m_now += ClockSpan(1); }
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
  QByteArray rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset128 Gothic;}}{\\colortbl;\\red255\\green0\\blue0;}";
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

namespace {

// Practice files that once kept the window busy for minutes: many empty or
// short lines, and a rich text whose look changes on every character.
QByteArray EmptyLines(int lines) {
  QByteArray bytes;
  for (int i = 0; i < lines; ++i) bytes += "\r\n";
  return bytes;
}

QByteArray ShortLines(int lines) {
  QByteArray bytes;
  bytes.reserve(lines * 3);
  for (int i = 0; i < lines; ++i) bytes += "a\r\n";
  return bytes;
}

QByteArray RtfLookPerCharacter(qint64 bytes) {
  QByteArray rtf = "{\\rtf1\\ansi ";
  const char* looks[] = {"\\b ", "\\b0 ", "\\i ", "\\i0 "};
  int i = 0;
  while (rtf.size() + 8 < bytes) {
    rtf += looks[i % 4];
    rtf += static_cast<char>('a' + i % 26);
    if (++i % 60 == 0) rtf += "\\par\n";
  }
  rtf += "}";
  return rtf;
}

// Loading the file through the button and showing it: the page reads it,
// the view builds the pane's document and lays it out. A text the page
// refuses is counted as refused, and the time is that of the refusal.
void LoadAndShow(benchmark::State& state, const QByteArray& bytes) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("practice.txt"));
  {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }
  BenchPlatform pagePlatform(path);
  QtPlatform viewPlatform(std::make_unique<NullMediaPlayer>(), std::make_unique<XdgHelpLauncher>());
  AppSettings settings;
  LoadSettings(settings, false, QString());
  const PracticeData data;
  TypingPage page(settings, data, pagePlatform);
  TypingView view(page, viewPlatform);
  page.FormCreate();
  view.Render();
  view.show();
  bool refused = false;
  for (auto _ : state) {
    try {
      page.Button4Click();
    } catch (const AppError&) {
      refused = true;
    }
    view.Render();
    QCoreApplication::processEvents();
    benchmark::DoNotOptimize(view.richEdit1()->document()->documentLayout()->documentSize());
  }
  state.counters["bytes"] = static_cast<double>(bytes.size());
  state.counters["refused"] = refused ? 1 : 0;
}

}  // namespace

static void BM_LoadEmptyLines(benchmark::State& state) {
  LoadAndShow(state, EmptyLines(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadEmptyLines)
    ->Arg(kMaxPracticeLines - 1)
    ->Arg(340000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

static void BM_LoadShortLines(benchmark::State& state) {
  LoadAndShow(state, ShortLines(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_LoadShortLines)
    ->Arg(kMaxPracticeLines - 1)
    ->Arg(350000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

static void BM_LoadRtfLookPerCharacter(benchmark::State& state) {
  LoadAndShow(state, RtfLookPerCharacter(state.range(0)));
}
BENCHMARK(BM_LoadRtfLookPerCharacter)
    ->Arg(1000000)
    ->Arg(kMaxPracticeFileBytes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

static void BM_LoadOneLongLine(benchmark::State& state) {
  LoadAndShow(state, EncodeCp932(QString(static_cast<int>(state.range(0)) / 2, QChar(0x3042))));
}
BENCHMARK(BM_LoadOneLongLine)->Arg(kMaxPracticeFileBytes)->Unit(benchmark::kMillisecond)->Iterations(1);

// One paragraph with a new look on every character.
static void BM_LoadRtfOneParagraphLookPerCharacter(benchmark::State& state) {
  QByteArray rtf = "{\\rtf1\\ansi ";
  for (int i = 0; i < state.range(0) / 4; ++i) rtf += "\\b a\\b0 b\\i c\\i0 d";
  LoadAndShow(state, rtf + "}");
}
BENCHMARK(BM_LoadRtfOneParagraphLookPerCharacter)
    ->Arg(static_cast<int>(kMaxLooksPerParagraph))
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// One word as long as a practice file may be: no place to wrap but anywhere.
static void BM_LoadOneLongWord(benchmark::State& state) {
  LoadAndShow(state, QByteArray(static_cast<qsizetype>(state.range(0)), 'a'));
}
BENCHMARK(BM_LoadOneLongWord)->Arg(kMaxPracticeFileBytes)->Unit(benchmark::kMillisecond)->Iterations(1);

// Marks before which no line may break, repeated as long as a file may be.
static void BM_LoadNoBreakMarks(benchmark::State& state) {
  const QChar marks[] = {QChar(0x3001), QChar(0x30FC), QChar(0x3041)};  // 、 ー ぁ
  LoadAndShow(state,
              EncodeCp932(QString(static_cast<int>(kMaxPracticeFileBytes / 2), marks[state.range(0)])));
}
BENCHMARK(BM_LoadNoBreakMarks)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(1);
