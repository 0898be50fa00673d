#pragma once
// A practice item is one line of comma-text (question, reading, four flags,
// candidates); a course holds its items in order and the drill picks them by
// index.

#include <QString>
#include <QStringList>

using CourseItem = QString;
using CourseItemList = QStringList;
