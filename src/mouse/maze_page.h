#pragma once
// The pointing maze (TabSheet3, "POINT"): steer the pointer from the start
// cell to the goal without touching a wall. A wall sends the pointer back to
// the start; a click on the goal brings the next maze; a click on the start
// leaves the maze. The maze stage (AppSettings.M1CourseNo) survives restarts.
// Where the desktop does not let a program move the pointer, the learner is
// asked to bring it back to the highlighted start cell instead, and nothing
// counts until it is there.

#include <QImage>
#include <QPoint>
#include <QRect>
#include <array>

#include "data/maze_map.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace shurencho {

class HistoryRecorder;

struct PracticeData;

class MazePage final {
 public:
  static constexpr int kCellPixels = 16;
  static constexpr int kColumns = MazeMap::kColumnCount;
  static constexpr int kRows = MazeMap::kRowCount;
  // The stages that show the maps in order; later ones draw among the last five.
  static constexpr int kOrderedStages = 10;
  // Where the pointer goes when the maze is left: right of the page control,
  // in its own coordinates (it stands at the window client's left edge).
  static constexpr QPoint kLeavePoint{537 + 8, 0};
  static const QString kWallMessage;
  static const QString kHelpMessage;
  // Shown beside the start cell while the pointer is awaited there.
  static const QString kReturnMessage;

  MazePage(AppSettings& settings, const PracticeData& data, Platform& platform);

  // Page set-up: a black image, then the maze of the current stage.
  void FormCreate();
  // Chooses the map for the stage, copies it into MazeGrid and paints it.
  void DrawMaze();
  // The wall test; positions outside the grid are not tested.
  void Image1MouseMove(bool shiftHeld, int x, int y);
  // Goal: next maze. Start: leave the maze. Elsewhere: the help message.
  void Image1Click();
  // Puts the pointer on the start cell, or, where the pointer cannot be
  // moved, asks the learner to bring it there.
  void ReturnToStart();

  // Where finished stages are reported; null: nowhere.
  void SetHistory(HistoryRecorder* history) { m_history = history; }

  // Where the pointer is put back, in Image1's client coordinates.
  QPoint MazeStartPoint() const { return m_mazeStartPoint; }
  // The cell that holds MazeStartPoint, in Image1's client coordinates.
  QRect StartCell() const;
  // True while the pointer is awaited on the start cell: walls, the goal and
  // the stage's clock wait for it.
  bool AwaitingReturn() const { return m_awaitingReturn; }

  QImage Image1;  // the visible maze, 512 × 384
  QImage Image2;  // tile strip: floor, wall, start, goal

  // The game's state: read by anyone, set only by the page's handlers (and
  // by tests that lay out a position through SetUpGame).
  struct MazeGame {
    std::array<std::array<int, kColumns>, kRows> MazeGrid{};  // the map on display
    int MazeIndex = 0;                                        // map on display, 0 … 9
    int PreviousMazeIndex = 0;                                // map shown by the previous draw
  };
  const MazeGame& game() const { return m_game; }
  MazeGame& SetUpGame() { return m_game; }

 private:
  MazeGame m_game;
  // The grid code under a point of Image1, or false when it lies outside.
  bool CellAt(QPoint p, int* code) const;
  // Paints every cell of MazeGrid into Image1.
  void PaintTiles();
  // The pointer is back on the start cell: the highlight goes, play goes on.
  void EndReturn();

  AppSettings& m_settings;
  const PracticeData& m_data;
  Platform& m_platform;
  QPoint m_mazeStartPoint{256, 192};
  HistoryRecorder* m_history = nullptr;
  ClockTime m_stageStart = 0;  // first pointer move over this maze; 0: none yet
  int m_wallTouches = 0;       // on this maze
  bool m_awaitingReturn = false;
};

}  // namespace shurencho
