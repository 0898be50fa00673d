#pragma once
// The double-click sliding puzzle (TabSheet6, "DOBLE"): a 256 × 256 picture
// cut into sixteen pieces with one taken out; a double click on a piece next
// to the gap slides it in. Solved, the whole picture shows and the board
// stays locked until the next deal.

#include <QColor>
#include <QImage>

#include "mouse/mouse_pictures.h"
#include "mouse/puzzle_board.h"
#include "platform/controls.h"
#include "platform/platform.h"
#include "settings/settings.h"

namespace shurencho {

class HistoryRecorder;

class PuzzlePage final {
 public:
  static constexpr int kBoardPixels = 256;
  static constexpr int kPiecePixels = 64;

  explicit PuzzlePage(Platform& platform);

  // Page set-up: a new deal of the current picture.
  void FormCreate();

  // Draws the board into the back buffer; true when every piece is home.
  bool DrawPuzzle();
  // Deals a new game: reached by legal moves, never already solved.
  void ShufflePuzzle();

  // Where finished stages are reported; null: nowhere.
  void SetHistory(HistoryRecorder* history) { m_history = history; }

  void Image9DblClick();
  void Button5Click();
  // Loads another picture; a file that is not a readable bitmap changes nothing.
  void Button6Click();

  QColor ButtonFace = kDefaultButtonFace;  // the system button face, set by the view

  QImage Image9;   // the visible board
  QImage Image10;  // back buffer
  QImage Image11;  // the picture, also shown beside the board
  QImage Image12;  // the question-mark piece shown at the gap
  Button Button5;  // deals a new game
  Button Button6;  // picks another picture
  Label Label23;   // caption under the picture
  Label Label24;   // caption under the board

  // The game's state: read by anyone, set only by the page's handlers (and
  // by tests that lay out a position through SetUpGame).
  struct PuzzleGame {
    PuzzleBoard Board;  // the pieces on the board
    int GapRow = 0;     // the gap's cell, kept by DrawPuzzle
    int GapCol = 0;
    bool PuzzleSolved = false;  // solved, until the next deal
  };
  const PuzzleGame& game() const { return m_game; }
  PuzzleGame& SetUpGame() { return m_game; }

 private:
  PuzzleGame m_game;
  // Slides the gap one cell in direction d (0 left, 1 up, 2 right, 3 down);
  // false when that would leave the board.
  bool MoveGap(int d);

  Platform& m_platform;
  HistoryRecorder* m_history = nullptr;
  ClockTime m_dealStart = 0;  // the deal's first double click; 0: none yet
  int m_moves = 0;            // pieces slid since the deal
};

}  // namespace shurencho
