#include "mouse/maze_page.h"

#include <QPainter>
#include <climits>

#include "data/practice_data.h"
#include "history/history_recorder.h"
#include "mouse/mouse_pictures.h"
#include "platform/control_ids.h"

namespace shurencho {

namespace {
constexpr int kMapDraw = 156;
// The maps a stage from 10 on draws from: 5 … 9.
constexpr int kRandomMapBase = 5;
constexpr int kRandomMapCount = 5;

enum Tile { kFloorTile = 0, kWallTile = 1, kStartTile = 2, kGoalTile = 3 };
// The ring that shows where the pointer is awaited.
constexpr QRgb kRingColour = qRgb(255, 128, 0);
constexpr int kRingWidth = 3;
}  // namespace

const QString MazePage::kWallMessage = QStringLiteral("そこはダメ");
const QString MazePage::kHelpMessage = QStringLiteral(
    "マウスが壁にあたらないように、ゴールまで移動してください。\r\n"
    "ゴール地点で、クリックすると次の面にいきます。\r\n"
    "スタート地点で、クリックすると終わります。");
const QString MazePage::kReturnMessage = QStringLiteral("マウスをスタート（水色のマス）にもどしてください。");

MazePage::MazePage(AppSettings& settings, const PracticeData& data, Platform& platform)
    : m_settings(settings), m_data(data), m_platform(platform) {
  Image2 = LoadPicture("maze_tiles.png");
}

void MazePage::FormCreate() {
  Image1 = SolidImage(kColumns * kCellPixels, kRows * kCellPixels, Qt::black);
  DrawMaze();
}

void MazePage::DrawMaze() {
  // A negative stage from the settings file has no map; it starts over at
  // 0, so that the next goal leads on to map 1.
  if (m_settings.M1CourseNo < 0) m_settings.M1CourseNo = 0;
  if (m_settings.M1CourseNo < kOrderedStages) {
    m_game.MazeIndex = m_settings.M1CourseNo;
  } else {
    // Never the map just shown.
    while (m_game.MazeIndex == m_game.PreviousMazeIndex) {
      m_game.MazeIndex = m_platform.Random(kMapDraw) % kRandomMapCount + kRandomMapBase;
    }
  }
  m_game.PreviousMazeIndex = m_game.MazeIndex;
  m_stageStart = 0;
  m_wallTouches = 0;

  m_mazeStartPoint = QPoint(256, 192);
  m_awaitingReturn = false;
  const MazeMap::Grid& map = m_data.mazeMap.maps[static_cast<size_t>(m_game.MazeIndex)];
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      const int code = map[static_cast<size_t>(r)][static_cast<size_t>(c)];
      m_game.MazeGrid[static_cast<size_t>(r)][static_cast<size_t>(c)] = code;
      // With several starts the last one counts.
      if (code == kMazeStart) {
        m_mazeStartPoint = QPoint(kCellPixels * c + kCellPixels / 2, kCellPixels * r + kCellPixels / 2);
      }
    }
  }
  PaintTiles();
}

void MazePage::PaintTiles() {
  QPainter p(&Image1);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  for (int r = 0; r < kRows; ++r) {
    for (int c = 0; c < kColumns; ++c) {
      const int code = m_game.MazeGrid[static_cast<size_t>(r)][static_cast<size_t>(c)];
      int tile = kFloorTile;
      if (code == kMazeWall) {
        tile = kWallTile;
      } else if (code == kMazeStart) {
        tile = kStartTile;
      } else if (code == kMazeGoal) {
        tile = kGoalTile;
      }
      p.drawImage(QPoint(kCellPixels * c, kCellPixels * r), Image2,
                  QRect(kCellPixels * tile, 0, kCellPixels, kCellPixels));
    }
  }
}

QRect MazePage::StartCell() const {
  return QRect((m_mazeStartPoint.x() / kCellPixels) * kCellPixels,
               (m_mazeStartPoint.y() / kCellPixels) * kCellPixels, kCellPixels, kCellPixels);
}

void MazePage::ReturnToStart() {
  if (m_platform.CanMovePointer()) m_platform.SetPointerPos(ids::Image1, m_mazeStartPoint);
  // Asked again after the move: a warp the desktop ignored is only found
  // out by making it.
  if (m_platform.CanMovePointer()) return;
  if (m_awaitingReturn) return;
  m_awaitingReturn = true;
  // A ring round the start cell, over its neighbours, so the cell keeps its colour.
  const QRect cell = StartCell();
  const QRect outer = cell.adjusted(-kRingWidth, -kRingWidth, kRingWidth, kRingWidth);
  const QColor ring(kRingColour);
  QPainter p(&Image1);
  p.fillRect(QRect(outer.left(), outer.top(), outer.width(), kRingWidth), ring);
  p.fillRect(QRect(outer.left(), cell.bottom() + 1, outer.width(), kRingWidth), ring);
  p.fillRect(QRect(outer.left(), cell.top(), kRingWidth, cell.height()), ring);
  p.fillRect(QRect(cell.right() + 1, cell.top(), kRingWidth, cell.height()), ring);
}

void MazePage::EndReturn() {
  m_awaitingReturn = false;
  PaintTiles();
}

bool MazePage::CellAt(QPoint p, int* code) const {
  if (p.x() < 0 || p.y() < 0 || p.x() >= kColumns * kCellPixels || p.y() >= kRows * kCellPixels) return false;
  *code = m_game.MazeGrid[static_cast<size_t>(p.y() / kCellPixels)][static_cast<size_t>(p.x() / kCellPixels)];
  return true;
}

void MazePage::Image1MouseMove(bool shiftHeld, int x, int y) {
  // Nothing counts until the pointer is back on the start cell.
  if (m_awaitingReturn) {
    if (StartCell().contains(x, y)) EndReturn();
    return;
  }
  // With Shift held the walls are not tested at all.
  if (shiftHeld) return;
  if (m_history && !(m_stageStart > 0)) m_stageStart = m_platform.Now();
  int code = 0;
  if (!CellAt(QPoint(x, y), &code) || code != kMazeWall) return;
  ++m_wallTouches;
  m_platform.Beep();
  m_platform.ShowInformation(kWallMessage);
  // Only after the box has closed.
  ReturnToStart();
}

void MazePage::Image1Click() {
  const QPoint at = m_platform.PointerPos(ids::Image1);
  // While the pointer is awaited, a click counts only as its return.
  if (m_awaitingReturn) {
    if (StartCell().contains(at)) EndReturn();
    return;
  }
  int code = 0;
  if (!CellAt(at, &code)) return;
  if (code == kMazeGoal) {
    // The stage is not capped, but it must not overflow.
    if (m_settings.M1CourseNo < INT_MAX) ++m_settings.M1CourseNo;
    if (m_history) {
      const ClockTime start = m_stageStart > 0 ? m_stageStart : m_platform.Now();
      m_history->MouseStage(MouseGame::Maze, m_settings.M1CourseNo, m_wallTouches, 0,
                            SecondsBetween(start, m_platform.Now()));
    }
    DrawMaze();
    ReturnToStart();
  } else if (code == kMazeStart) {
    m_platform.SetPointerPos(ids::PageControl1, kLeavePoint);
  } else {
    m_platform.ShowInformation(kHelpMessage);
    ReturnToStart();
  }
}

}  // namespace shurencho
