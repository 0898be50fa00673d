#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include "platform/control_ids.h"
#include "text/errors.h"

namespace shurencho {

void FakeMediaPlayer::Open(const QString& path) {
  calls << QStringLiteral("open ") + path;
  openFile.clear();
  playing = false;
  if (auto it = unopenable.find(path); it != unopenable.end()) throw AppError(it->second);
  openFile = path;
}

void FakeMediaPlayer::Play() {
  calls << QStringLiteral("play");
  if (openFile.isEmpty()) throw AppError(QStringLiteral("MCI デバイスがありません"));
  playing = true;
}

void FakeMediaPlayer::Stop() {
  calls << QStringLiteral("stop");
  if (openFile.isEmpty()) throw AppError(QStringLiteral("MCI デバイスがありません"));
  const bool report = playing && notify;
  playing = false;
  if (report) {
    notify = false;
    if (done) done();
  }
}

void FakeMediaPlayer::Close() {
  calls << QStringLiteral("close");
  openFile.clear();
  playing = false;
}

void FakeMediaPlayer::FinishNaturally() {
  const bool report = playing && notify;
  playing = false;
  if (report) {
    notify = false;
    if (done) done();
  }
}

QString FakeHelpLauncher::FindOpener(const QString&) { return opener; }

int FakeHelpLauncher::Start(const QString& program, const QStringList& args) {
  started.emplace_back(program, args);
  return startResult;
}

int FakePlatform::Random(int n) {
  randomRanges.push_back(n);
  if (randoms.empty() || n <= 0) return 0;
  const int v = randoms.front();
  randoms.pop_front();
  return ((v % n) + n) % n;
}

namespace {
void ExpectControl(const QString& control) {
  EXPECT_TRUE(ids::IsControl(control)) << "unknown control id " << qPrintable(control);
}
}  // namespace

QPoint FakePlatform::PointerPos(const QString& control) {
  ExpectControl(control);
  return pointer[control];
}

void FakePlatform::SetFocus(const QString& control) {
  ExpectControl(control);
  focus.push_back(control);
}

void FakePlatform::SetPointerPos(const QString& control, QPoint pos) {
  ExpectControl(control);
  if (pointerFixed) return;
  pointer[control] = pos;
  pointerMoves.emplace_back(control, pos);
}

std::optional<QString> FakePlatform::OpenFileDialog(const FileDialogRequest& request) {
  dialogs.push_back(request);
  if (dialogAnswers.empty()) return std::nullopt;
  const bool chosen = dialogAnswers.front().has_value();
  const QString path = chosen ? *dialogAnswers.front() : QString();
  dialogAnswers.pop_front();
  if (!chosen) return std::nullopt;
  return path;
}

}  // namespace shurencho
