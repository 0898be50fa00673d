// Starts a program and prints the milliseconds from its start to the first
// top-level window mapped on the display, then the program's process id; the
// program is left running, leading a process group of its own. Listening to
// the X server for the map itself takes no time from the program, where
// polling with a window tool every few milliseconds competed with it for
// the processor and rounded every figure up to the next poll. Exit status 1
// when no window came within 20 seconds.
// Usage: map_wait PROGRAM [ARGUMENTS…]   (DISPLAY names the server; no window manager)
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fputs("usage: map_wait PROGRAM [ARGUMENTS…]\n", stderr);
    return 2;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fputs("map_wait: cannot connect to the display\n", stderr);
    return 2;
  }
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
  // A round trip: the server listens for us before the program starts.
  std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));

  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    // A group of its own: whatever the program starts can be ended with it.
    setpgid(0, 0);
    // Our output is read to its end by whoever started us: the program and
    // whatever it starts must not hold it open.
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
  const auto deadline = start + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                          !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
      std::free(event);
      if (mapped) {
        const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("%.1f %d\n", elapsed.count(), static_cast<int>(child));
        return 0;
      }
    }
    if (xcb_connection_has_error(connection) || waitpid(child, nullptr, WNOHANG) == child) break;
    poll(&fd, 1, 50);
  }
  std::printf("nan %d\n", static_cast<int>(child));
  return 1;
}
