#pragma once
// The explanations the side panel Label25 shows for each page.

#include <QString>

namespace shurencho {

namespace page_texts {
QString Drill();
QString Typing();
QString Maze();
QString Click();
QString Drag();
QString Puzzle();
}  // namespace page_texts

}  // namespace shurencho
