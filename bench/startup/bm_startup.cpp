// Whole programs on one X display, each beside a baseline started in turns with it:
//  - start: exec to the main window mapped, against a bare Qt Widgets window;
//  - second copy: exec to exit while a first copy runs, against the bare window's exec to map;
//  - idle memory: peak resident memory at the main window once settled, against the bare window;
//  - playing memory: peak resident memory of the program's windows playing a video to its end,
//    against the mpv program on the same video in a window of the control's size;
//  - first frame: exec of `vidmarro clip.mp4` (as a file manager opens a clip) to the clip's first
//    pixel on screen, against the mpv program showing the same clip.
// Uses no Qt itself, so that nothing of the launcher's own weighs on the children.
//
// usage: bm_startup [--rounds N] [--bin DIR] [--first-frame-only]   (DIR holds vidmarro, vm_bare_window,
// vm_play_measure)
#include "../BenchKit.h"
#include "XWatch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using BenchKit::figure;
using BenchKit::median;

namespace {

void settle(double ms)
{
    // A benchmark's pause, not a measurement: lets a started program reach its idle state.
    poll(nullptr, 0, int(ms));
}

bool run(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Stats
{
    std::vector<double> values;
    void add(double v)
    {
        if (v >= 0)
            values.push_back(v);
    }
    double med() const { return median(values); }
    double min() const { return values.empty() ? -1 : *std::min_element(values.begin(), values.end()); }
};

} // namespace

int main(int argc, char** argv)
{
    int rounds = 20;
    bool frameOnly = false;
    fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--first-frame-only"))
            frameOnly = true;
        else if (!std::strcmp(argv[i], "--bin") && i + 1 < argc)
            bin = argv[++i];
    }
    XWatch x;
    if (!x.connected()) {
        std::fprintf(stderr, "bm_startup: no X display (set DISPLAY, e.g. under xvfb-run)\n");
        return 2;
    }

    const BenchKit::ProgramCopy copy = BenchKit::copyProgram(bin, "vidmarro", "vm_startup");
    const fs::path& work = copy.work;
    const fs::path& ours = copy.program;
    const std::vector<std::string> env{copy.runtimeEnv, "QT_QPA_PLATFORM=xcb"};
    const std::vector<std::string> oursCmd{ours.string()};
    const std::vector<std::string> bareCmd{(bin / "vm_bare_window").string()};

    auto mapOnce = [&](const std::vector<std::string>& cmd) {
        x.start(cmd, env);
        XWatch::Result r = x.waitMapped();
        x.stop(r);
        return r.mapMs;
    };

    // The first start of each writes what later starts find (settings file, font caches).
    mapOnce(oursCmd);
    mapOnce(bareCmd);

    // First frame: a clip of one colour found nowhere else on screen, so its first pixel is its
    // first frame. Both play through the sound server that scripts/bench.sh starts, and through the
    // same video output (the engine's OpenGL one, software OpenGL allowed as the program allows it).
    Stats oursFrame, mpvFrame;
    const fs::path clip = work / "clip.mp4";
    constexpr unsigned Magenta = 0xff00ff;
    const bool haveClip = run({"ffmpeg",   "-nostdin",   "-y",
                               "-v",       "error",      "-f",
                               "lavfi",    "-i",         "color=c=0xff00ff:s=640x360:r=25:d=5",
                               "-f",       "lavfi",      "-i",
                               "sine=d=5", "-c:v",       "libx264",
                               "-pix_fmt", "yuv420p",    "-c:a",
                               "aac",      clip.string()});
    if (haveClip) {
        auto firstFrame = [&](const std::vector<std::string>& cmd) {
            x.start(cmd, env);
            const double ms = x.waitColour(Magenta);
            XWatch::Result r;
            x.stop(r);
            return ms;
        };
        const std::vector<std::string> oursClip{ours.string(), clip.string()};
        const std::vector<std::string> mpvClip{"mpv", "--no-config", "--gpu-sw=yes", "--really-quiet",
                                               clip.string()};
        firstFrame(oursClip);
        firstFrame(mpvClip);
        for (int i = 0; i < std::max(7, rounds / 2); ++i) {
            oursFrame.add(firstFrame(oursClip));
            mpvFrame.add(firstFrame(mpvClip));
        }
        std::printf("exec to the clip's first frame on screen, ms (median; min): vidmarro %.1f (%.1f), "
                    "mpv %.1f (%.1f); missed: %zu and %zu\n",
                    oursFrame.med(), oursFrame.min(), mpvFrame.med(), mpvFrame.min(),
                    size_t(std::max(7, rounds / 2)) - oursFrame.values.size(),
                    size_t(std::max(7, rounds / 2)) - mpvFrame.values.size());
    } else {
        std::fprintf(stderr, "bm_startup: ffmpeg could not make the clip; first frame skipped\n");
    }

    auto frameFigure = [&] {
        if (haveClip)
            figure("first frame: exec of vidmarro clip.mp4 to the frame on screen", oursFrame.med(),
                   mpvFrame.med(), "ms", "1.10", "mpv program");
    };
    if (frameOnly) {
        frameFigure();
        fs::remove_all(work);
        return 0;
    }

    Stats oursMap, bareMap;
    for (int i = 0; i < rounds; ++i) {
        oursMap.add(mapOnce(oursCmd));
        bareMap.add(mapOnce(bareCmd));
    }
    std::printf(
        "exec to window mapped, ms (median of %d; min): vidmarro %.1f (%.1f), bare Qt window %.1f (%.1f)\n",
        rounds, oursMap.med(), oursMap.min(), bareMap.med(), bareMap.min());

    // Second copy: one copy runs, another is started and ends after raising it.
    Stats secondExit, bareMap2;
    int secondMapped = 0, secondFailed = 0;
    {
        XWatch first;
        first.start(oursCmd, env);
        const XWatch::Result up = first.waitMapped();
        if (up.mapMs < 0) {
            std::fprintf(stderr, "bm_startup: the first copy showed no window\n");
            return 1;
        }
        for (int i = 0; i < rounds; ++i) {
            x.start(oursCmd, env);
            const XWatch::Result r = x.waitExit();
            secondExit.add(r.status == 0 ? r.exitMs : -1);
            secondMapped += r.mapMs >= 0;
            secondFailed += r.status != 0;
            bareMap2.add(mapOnce(bareCmd));
        }
        XWatch::Result r;
        first.stop(r);
    }
    std::printf("second copy, exec to exit, ms (median; min): %.1f (%.1f); bare window to map %.1f; "
                "windows shown by second copies: %d; failed: %d\n",
                secondExit.med(), secondExit.min(), bareMap2.med(), secondMapped, secondFailed);

    // Peak memory idle at the main window: settled a while after the window shows, so that what
    // runs after the window (the media engine check) is counted too.
    // The process's own peak (VmHWM) is the figure; the rusage peak also covers the short-lived
    // child that tries the media engine at start, shown beside it.
    const int memRounds = std::max(3, rounds / 4);
    Stats oursIdle, bareIdle, oursIdleWithChildren;
    auto idlePeak = [&](const std::vector<std::string>& cmd, Stats* withChildren) {
        x.start(cmd, env);
        XWatch::Result r = x.waitMapped();
        if (r.mapMs < 0) {
            x.stop(r);
            return -1.0;
        }
        settle(1500);
        const long own = x.currentPeakKiB();
        x.stop(r);
        if (withChildren)
            withChildren->add(double(r.maxRssKiB));
        return double(own);
    };
    for (int i = 0; i < memRounds; ++i) {
        oursIdle.add(idlePeak(oursCmd, &oursIdleWithChildren));
        bareIdle.add(idlePeak(bareCmd, nullptr));
    }
    std::printf("peak resident memory idle at the window, KiB: vidmarro %.0f (any of its processes: %.0f), "
                "bare Qt window %.0f\n",
                oursIdle.med(), oursIdleWithChildren.med(), bareIdle.med());

    // Peak memory playing a video to its end.
    Stats oursPlay, mpvPlay;
    const fs::path video = work / "video.mpg";
    const bool haveVideo = run({"ffmpeg",   "-nostdin",    "-y",
                                "-v",       "error",       "-f",
                                "lavfi",    "-i",          "testsrc=s=640x480:r=25:d=4",
                                "-f",       "lavfi",       "-i",
                                "sine=d=4", "-c:v",        "mpeg1video",
                                "-c:a",     "mp2",         "-f",
                                "mpeg",     video.string()});
    if (haveVideo) {
        std::vector<std::string> playEnv = env;
        playEnv.push_back("VIDMARRO_MPV_OPTIONS=ao=null");
        auto playPeak = [&](const std::vector<std::string>& cmd, const std::vector<std::string>& e) {
            x.start(cmd, e);
            const XWatch::Result r = x.waitExit(120000);
            return r.status == 0 ? double(r.maxRssKiB) : -1.0;
        };
        for (int i = 0; i < memRounds; ++i) {
            oursPlay.add(playPeak({(bin / "vm_play_measure").string(), "go", video.string()}, playEnv));
            mpvPlay.add(playPeak(
                {"mpv", "--no-config", "--ao=null", "--really-quiet", "--geometry=229x202", video.string()},
                env));
        }
        std::printf("peak resident memory playing a video, KiB: vidmarro %.0f, mpv %.0f\n", oursPlay.med(),
                    mpvPlay.med());
    } else {
        std::fprintf(stderr, "bm_startup: ffmpeg could not make the video; playing memory skipped\n");
    }

    figure("start: exec to main window mapped", oursMap.med(), bareMap.med(), "ms", "1.50", "bare Qt window");
    figure("second copy: exec to exit", secondExit.med(), bareMap2.med(), "ms", "1.50",
           "bare Qt window to map");
    figure("peak memory idle at the main window", oursIdle.med(), bareIdle.med(), "KiB", "1.50",
           "bare Qt window");
    if (haveVideo)
        figure("peak memory playing a video", oursPlay.med(), mpvPlay.med(), "KiB", "1.30", "mpv program");
    frameFigure();

    fs::remove_all(work);
    return 0;
}
