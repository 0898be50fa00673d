#pragma once
// Where 成績's save dialogs open. Left to itself a file dialog opens where the
// last one in the program did, say the installed practice texts after a
// 実践 load, where the learner may not write.

#include <QString>

namespace shurencho {

// The folder of the last export while it is still a folder the learner may
// write, else the documents folder when it is one, else home.
QString ChooseExportFolder(const QString& lastFolder, const QString& documents, const QString& home);

// The choice for this session: the last export is remembered in memory only,
// and the documents folder is the desktop's (XDG_DOCUMENTS_DIR, else ~/Documents).
QString ExportFolder();
// Called with a file just written: its folder is where the next export opens.
void RememberExportFolder(const QString& fileWritten);

}  // namespace shurencho
