// bench-xwatch: how long a program takes from its start to its main window shown, seen from
// outside the program, on the X server named by DISPLAY.
//
//   bench-xwatch TITLE RUNS WARMUP PROGRAM [ARGS...]
//
// It watches the root window for new top-level windows and asks the server to report
// drawing into each (the Damage extension). For each run it notes the time, starts PROGRAM,
// and waits for a window titled TITLE to be mapped and then drawn into for the first time:
// that is the program's first frame on the screen. It then ends the program (SIGTERM) and
// waits for it. WARMUP runs come first and are not counted. Each counted run prints
// "RESULT map_ms VALUE" and "RESULT shown_ms VALUE", in milliseconds since the start.

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name) {
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

std::string property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name) {
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    std::string value;
    if (reply && reply->format == 8)
        value.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                     std::size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return value;
}

pid_t start(char **argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        execv(argv[0], argv);
        _exit(127);
    }
    return pid;
}

void stop(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return;
        usleep(10 * 1000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

struct Run {
    double mapMs = -1;
    double shownMs = -1;
};

class Watcher {
public:
    Watcher(xcb_connection_t *c, xcb_window_t root, std::uint8_t damageEvent)
        : m_c(c)
        , m_root(root)
        , m_damageEvent(damageEvent)
        , m_wmName(atom(c, "WM_NAME"))
        , m_netWmName(atom(c, "_NET_WM_NAME")) {}

    Run once(const std::string &title, char **argv, int timeoutMs) {
        m_damages.clear();
        m_target = XCB_WINDOW_NONE;
        Run run;
        const std::int64_t started = nowNs();
        const pid_t pid = start(argv);
        const std::int64_t deadline = started + std::int64_t(timeoutMs) * 1000000;
        pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
        while (run.shownMs < 0 && nowNs() < deadline) {
            xcb_generic_event_t *event = xcb_poll_for_event(m_c);
            if (!event) {
                poll(&fd, 1, 10);
                continue;
            }
            const std::int64_t at = nowNs();
            const std::uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
                if (created->parent == m_root) {
                    const xcb_damage_damage_t damage = xcb_generate_id(m_c);
                    xcb_damage_create(m_c, damage, created->window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    m_damages[created->window] = damage;
                    xcb_flush(m_c);
                }
            } else if (type == XCB_MAP_NOTIFY) {
                const auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (m_target == XCB_WINDOW_NONE && m_damages.count(mapped->window) &&
                    (property(m_c, mapped->window, m_netWmName) == title ||
                     property(m_c, mapped->window, m_wmName) == title)) {
                    m_target = mapped->window;
                    run.mapMs = double(at - started) / 1e6;
                }
            } else if (type == m_damageEvent) {
                const auto *damaged = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                if (damaged->drawable == m_target && m_target != XCB_WINDOW_NONE)
                    run.shownMs = double(at - started) / 1e6;
                xcb_damage_subtract(m_c, damaged->damage, XCB_NONE, XCB_NONE);
                xcb_flush(m_c);
            }
            std::free(event);
        }
        stop(pid);
        return run;
    }

private:
    xcb_connection_t *m_c;
    xcb_window_t m_root;
    std::uint8_t m_damageEvent;
    xcb_atom_t m_wmName;
    xcb_atom_t m_netWmName;
    std::map<xcb_window_t, xcb_damage_damage_t> m_damages;
    xcb_window_t m_target = XCB_WINDOW_NONE;
};

} // namespace

int main(int argc, char **argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s TITLE RUNS WARMUP PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const std::string title = argv[1];
    const int runs = std::atoi(argv[2]);
    const int warmup = std::atoi(argv[3]);

    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;

    const xcb_query_extension_reply_t *damage = xcb_get_extension_data(c, &xcb_damage_id);
    if (!damage || !damage->present) {
        std::fprintf(stderr, "the X server has no Damage extension\n");
        return 1;
    }
    std::free(xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    Watcher watcher(c, root, std::uint8_t(damage->first_event + XCB_DAMAGE_NOTIFY));
    int failures = 0;
    for (int i = 0; i < warmup + runs; ++i) {
        const Run run = watcher.once(title, argv + 4, 10000);
        const bool counted = i >= warmup;
        std::fprintf(stderr, "%s run %d: mapped %.1f ms, first frame %.1f ms\n",
                     counted ? "counted" : "warm-up", i, run.mapMs, run.shownMs);
        if (run.shownMs < 0)
            ++failures;
        if (counted) {
            std::printf("RESULT map_ms %.3f\nRESULT shown_ms %.3f\n", run.mapMs, run.shownMs);
            std::fflush(stdout);
        }
        usleep(200 * 1000); // let the server settle after the window went away
    }
    xcb_disconnect(c);
    return failures == 0 ? 0 : 1;
}
