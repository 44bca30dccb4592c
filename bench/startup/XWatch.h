#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Starts programs on the X display of $DISPLAY and times them by X events: the launcher selects
// SubstructureNotify on the root window before the fork, so the MapNotify of a new top-level window
// reaches it as soon as the server maps it. Nothing polls and nothing sleeps.
class XWatch
{
public:
    XWatch();
    ~XWatch();
    XWatch(const XWatch&) = delete;
    XWatch& operator=(const XWatch&) = delete;

    bool connected() const { return m_conn != nullptr; }

    struct Result
    {
        double mapMs = -1;   // exec to the MapNotify of the child's first top-level window
        double exitMs = -1;  // exec to the child's exit
        long maxRssKiB = -1; // the child's peak resident memory (ru_maxrss), once it has ended
        int status = -1;     // exit status, or 128 + signal
        pid_t pid = -1;
    };

    // Forks and execs `argv` with `env` added to the environment. Returns at once; then call one of
    // the waits below.
    pid_t start(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    // Waits for the child's window to be mapped (or for the child to end first).
    Result waitMapped(double timeoutMs = 30000);
    // Waits for the child to end by itself; a window it maps on the way is timed as well.
    Result waitExit(double timeoutMs = 60000);
    // Ends the child (SIGTERM) and collects its exit and peak memory into `r`.
    void stop(Result& r);
    // Waits until a pixel of the colour 0xRRGGBB (each channel within a few steps, as a decoder's
    // colour conversion leaves it) shows anywhere on the screen; exec to then, or -1 at the timeout
    // or when the child ends first. Rows are sampled every few pixels, so a picture of a few rows'
    // height is seen.
    double waitColour(unsigned rgb, double timeoutMs = 30000);
    // Peak resident memory so far of a running child, from /proc (VmHWM), in KiB.
    long currentPeakKiB() const;

private:
    bool windowOfChild(unsigned window);
    bool reap(bool block, Result& r);
    bool wait(Result& r, bool untilExit, double timeoutMs);
    bool colourShown(unsigned rgb);

    struct xcb_connection_t* m_conn = nullptr;
    unsigned m_root = 0;
    int m_width = 0;
    int m_height = 0;
    unsigned m_pidAtom = 0;
    int m_pidfd = -1;
    pid_t m_pid = -1;
    double m_t0 = 0;
};

double monotonicMs();
