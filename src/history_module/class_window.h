#pragma once
// `shurencho --class [SERVER]`: the teacher's class view as the program's
// only window, on a running QApplication; the exit code.

namespace shurencho {

int RunClassWindow(int argc, char** argv);

}  // namespace shurencho
