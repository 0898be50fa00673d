#pragma once
// The desktop's message bus, as the toolkit finds it.

namespace shurencho {

// To be called before the application object exists. Without a session bus
// in the environment or in the user's runtime folder, the bus library would
// start one of its own (through dbus-launch) the first time anything asks,
// and the toolkit's accessibility bridge asks while the window is built:
// a process start in the way of the first window, and a daemon left behind
// on the display. With no bus to be found, nothing on one can serve us
// either (no input method, no screen reader), so the bus is turned off for
// this process instead. A session that has a bus is left as it is.
void TurnOffSessionBusAutolaunch();

}  // namespace shurencho
