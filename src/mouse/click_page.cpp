#include "mouse/click_page.h"

#include "history/history_recorder.h"
#include "mouse/mouse_pictures.h"
#include "platform/control_ids.h"

namespace shurencho {

namespace {
constexpr int kPlaceDraw = 1563;
const QColor kAqua(0, 255, 255);
}  // namespace

ClickPage::ClickPage(Platform& platform) : m_platform(platform) {
  const QImage strip = LoadPicture("click_sprites.png");
  ImageList1 = {StripCell(strip, 0, TENemy::kPictureSize), StripCell(strip, 1, TENemy::kPictureSize)};
}

void ClickPage::FormCreate() {
  Image3 = SolidImage(TENemy::kFieldWidth, TENemy::kFieldHeight, ButtonFace);
  Image4 = SolidImage(TENemy::kFieldWidth, TENemy::kFieldHeight, ButtonFace);
  Image5 = SolidImage(TENemy::kFieldWidth, TENemy::kFieldHeight, kAqua);
  Image4 = Image5;
  m_game.Targets.assign(kTargetPool, TENemy());
  m_game.ClickStage = 0;
  m_stageStart = 0;
  m_stageMisses = 0;
  NextClickStage();
  DrawTargets();
  Image3 = Image4;
}

void ClickPage::NextClickStage() {
  if (m_game.ClickStage < kLastStage) ++m_game.ClickStage;
  m_game.TargetCount = ClickStageCounts[m_game.ClickStage];
  for (int i = 0; i < m_game.TargetCount; ++i) {
    const int speed = m_platform.Random(kPlaceDraw) % 5;
    m_game.Targets[i].Launch(m_platform, TENemy::kPictureSize, TENemy::kPictureSize, speed);
  }
}

void ClickPage::DrawTarget(int x, int y, int pattern) {
  if (pattern == Tptn::kTargetPattern) {
    DrawMasked(Image4, x, y, ImageList1[0]);
  } else if (pattern == Tptn::kHitPattern) {
    DrawMasked(Image4, x, y, ImageList1[1]);
  }
}

void ClickPage::DrawTargets() {
  for (int i = 0; i < m_game.TargetCount; ++i) {
    const TENemy& t = m_game.Targets[i];
    if (t.State == Tptn::kInPlay || t.State == Tptn::kHit) DrawTarget(t.X, t.Y, t.Pattern);
  }
}

void ClickPage::Timer1Timer() {
  if (m_history && !(m_stageStart > 0)) m_stageStart = m_platform.Now();
  Image4 = Image5;
  bool anyInPlay = false;
  for (int i = 0; i < m_game.TargetCount; ++i) {
    TENemy& t = m_game.Targets[i];
    if (t.Step(m_platform)) {
      DrawTarget(t.X, t.Y, t.Pattern);
      anyInPlay = true;
    }
  }
  if (!anyInPlay) {
    if (m_history) {
      // The next stage starts as this one ends.
      const ClockTime now = m_platform.Now();
      m_history->MouseStage(MouseGame::Click, m_game.ClickStage, m_stageMisses, 0,
                            SecondsBetween(m_stageStart, now));
      m_stageStart = now;
      m_stageMisses = 0;
    }
    NextClickStage();
    DrawTargets();
  }
  Image3 = Image4;
}

void ClickPage::Image3Click() {
  const QPoint p = m_platform.PointerPos(ids::Image3);
  if (m_history && !(m_stageStart > 0)) m_stageStart = m_platform.Now();
  for (int i = 0; i < m_game.TargetCount; ++i) {
    TENemy& t = m_game.Targets[i];
    // Edges included: a target answers over 17 × 17 pixels.
    if (t.State == Tptn::kInPlay && mouse_field::Covers(t, p)) {
      t.State = Tptn::kHit;
      t.Pattern = Tptn::kHitPattern;
      Image4 = Image5;
      DrawTargets();
      Image3 = Image4;
      return;
    }
  }
  ++m_stageMisses;
}

}  // namespace shurencho
