#include "XWatch.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

double monotonicMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

XWatch::XWatch()
{
    int screenNo = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNo);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    m_conn = c;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNo; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    m_width = it.data->width_in_pixels;
    m_height = it.data->height_in_pixels;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, m_root, XCB_CW_EVENT_MASK, &mask);
    const char name[] = "_NET_WM_PID";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
    m_pidAtom = atom ? atom->atom : 0;
    std::free(atom);
}

XWatch::~XWatch()
{
    if (m_pid > 0) {
        Result r;
        stop(r);
    }
    if (m_conn)
        xcb_disconnect(m_conn);
}

pid_t XWatch::start(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // Whatever the server sent so far belongs to earlier programs.
    while (xcb_generic_event_t* e = xcb_poll_for_event(m_conn))
        std::free(e);
    m_t0 = monotonicMs();
    const pid_t pid = fork();
    if (pid == 0) {
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        execvp(args[0], args.data());
        _exit(127);
    }
    m_pid = pid;
    m_pidfd = int(syscall(SYS_pidfd_open, pid, 0));
    return pid;
}

bool XWatch::windowOfChild(unsigned window)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        m_conn, xcb_get_property(m_conn, 0, window, m_pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    bool ours = false;
    if (reply && xcb_get_property_value_length(reply) == 4)
        ours = *static_cast<uint32_t*>(xcb_get_property_value(reply)) == uint32_t(m_pid);
    std::free(reply);
    return ours;
}

bool XWatch::reap(bool block, Result& r)
{
    int status = 0;
    rusage usage{};
    const pid_t got = wait4(m_pid, &status, block ? 0 : WNOHANG, &usage);
    if (got != m_pid)
        return false;
    r.exitMs = monotonicMs() - m_t0;
    r.maxRssKiB = usage.ru_maxrss;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    close(m_pidfd);
    m_pidfd = -1;
    m_pid = -1;
    return true;
}

bool XWatch::wait(Result& r, bool untilExit, double timeoutMs)
{
    r.pid = m_pid;
    const double deadline = m_t0 + timeoutMs;
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_conn)) {
            const double now = monotonicMs();
            if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && r.mapMs < 0) {
                auto* map = reinterpret_cast<xcb_map_notify_event_t*>(e);
                if (map->event == m_root && !map->override_redirect && windowOfChild(map->window))
                    r.mapMs = now - m_t0;
            }
            std::free(e);
        }
        if (xcb_connection_has_error(m_conn))
            return false;
        if (r.mapMs >= 0 && !untilExit)
            return true;
        if (m_pid < 0)
            return untilExit;
        const double left = deadline - monotonicMs();
        if (left <= 0)
            return false;
        pollfd fds[2] = {{xcb_get_file_descriptor(m_conn), POLLIN, 0}, {m_pidfd, POLLIN, 0}};
        if (poll(fds, 2, int(left) + 1) < 0 && errno != EINTR)
            return false;
        if (fds[1].revents)
            reap(true, r);
    }
}

XWatch::Result XWatch::waitMapped(double timeoutMs)
{
    Result r;
    wait(r, false, timeoutMs);
    return r;
}

XWatch::Result XWatch::waitExit(double timeoutMs)
{
    Result r;
    if (!wait(r, true, timeoutMs))
        stop(r);
    return r;
}

void XWatch::stop(Result& r)
{
    if (m_pid < 0)
        return;
    kill(m_pid, SIGTERM);
    reap(true, r);
}

bool XWatch::colourShown(unsigned rgb)
{
    // One request per sampled row, all sent before the first answer is read: one round trip.
    constexpr int Step = 4;
    std::vector<xcb_get_image_cookie_t> rows;
    for (int y = 0; y < m_height; y += Step)
        rows.push_back(xcb_get_image(m_conn, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, 0, int16_t(y),
                                     uint16_t(m_width), 1, ~0u));
    auto near = [](unsigned a, unsigned b) { return (a > b ? a - b : b - a) <= 24; };
    bool seen = false;
    for (xcb_get_image_cookie_t cookie : rows) {
        xcb_get_image_reply_t* row = xcb_get_image_reply(m_conn, cookie, nullptr);
        if (!row)
            continue;
        // 24-bit depth arrives as 32-bit little-endian pixels: B, G, R, unused.
        const uint8_t* px = xcb_get_image_data(row);
        const int n = xcb_get_image_data_length(row) / 4;
        for (int i = 0; i < n && !seen; ++i, px += 4)
            seen =
                near(px[2], (rgb >> 16) & 0xff) && near(px[1], (rgb >> 8) & 0xff) && near(px[0], rgb & 0xff);
        std::free(row);
    }
    return seen;
}

double XWatch::waitColour(unsigned rgb, double timeoutMs)
{
    const double deadline = m_t0 + timeoutMs;
    while (monotonicMs() < deadline) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(m_conn))
            std::free(e);
        if (xcb_connection_has_error(m_conn) || m_pid < 0)
            return -1;
        if (colourShown(rgb)) {
            return monotonicMs() - m_t0;
        }
        Result r;
        pollfd fd{m_pidfd, POLLIN, 0};
        if (poll(&fd, 1, 2) > 0 && reap(true, r))
            return -1;
    }
    return -1;
}

long XWatch::currentPeakKiB() const
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", int(m_pid));
    FILE* f = std::fopen(path, "r");
    if (!f)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            kib = std::strtol(line + 6, nullptr, 10);
    }
    std::fclose(f);
    return kib;
}
