#pragma once
// The controls the page logic names to the platform (for the focus and the
// pointer), by their design names, in one place: a misspelt name is a build
// error here, and a name the platform does not know fails loudly.

#include <QString>

namespace shurencho {

namespace ids {
inline const QString Edit2 = QStringLiteral("Edit2");                // 特訓: the romaji box
inline const QString ListBox1 = QStringLiteral("ListBox1");          // 特訓: the candidate list
inline const QString Memo2 = QStringLiteral("Memo2");                // 実践: the typing box
inline const QString Image1 = QStringLiteral("Image1");              // POINT: the maze
inline const QString Image3 = QStringLiteral("Image3");              // CLICK: the field
inline const QString Image6 = QStringLiteral("Image6");              // DORAG: the field
inline const QString Image9 = QStringLiteral("Image9");              // DOBLE: the board
inline const QString PageControl1 = QStringLiteral("PageControl1");  // the page control
inline const QString CheckBox3 = QStringLiteral("CheckBox3");        // the music on/off box
inline const QString Label15 = QStringLiteral("Label15");            // the music file's name

inline bool IsControl(const QString& name) {
  for (const QString* id :
       {&Edit2, &ListBox1, &Memo2, &Image1, &Image3, &Image6, &Image9, &PageControl1, &CheckBox3, &Label15}) {
    if (*id == name) return true;
  }
  return false;
}
}  // namespace ids

}  // namespace shurencho
