// The GUI thread while a 1080p H.264 clip (30 fps, with sound) plays in the player window, on each
// way the player shows video, with every core loaded by a busy process of ours for the whole run:
//  - X11: the engine draws into a native window (QT_QPA_PLATFORM=xcb, on the display in DISPLAY);
//  - Wayland: the render API into OpenGL, under a headless sway of our own (QT_QPA_PLATFORM=wayland),
//    run as an unprivileged user when we are root, since sway refuses root;
//  - no OpenGL: the software render API into an image (QT_QPA_PLATFORM=offscreen).
// For each, medians over the rounds: the longest stall of a 10 ms timer over SECONDS of playing,
// beside the same timer at the idle main window for as long; and the frames the engine dropped (in
// all, and from one second in) and the worst A/V difference it measured (likewise), so that a
// path is seen not to buy its smoothness with frames the native path keeps. Every run starts with
// empty shader caches.
// No sound device (ao=null). Without DISPLAY or sway the path is left out.
//
// usage: bm_stall [--rounds N] [--seconds S] [--bin DIR]   (DIR holds vm_play_measure)
#include "../BenchKit.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/prctl.h>
#include <thread>

namespace fs = std::filesystem;
using BenchKit::median;
using BenchKit::run;
using BenchKit::value;

namespace {

// A process of its own that keeps one core busy until killed, or until this program ends.
pid_t busyProcess()
{
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        volatile unsigned long spin = 0;
        for (;;)
            spin = spin + 1;
    }
    return pid;
}

void end(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// sway with its headless backend, its socket in its own runtime folder.
struct Compositor
{
    pid_t pid = -1;
    std::string display;             // wayland-N
    std::vector<std::string> asUser; // runs a command as the compositor's user
    std::string owner;               // that user's id when it is not ours
    fs::path run, home;
};

Compositor startSway(const fs::path& work)
{
    Compositor c;
    c.run = work / "sway-run";
    c.home = work / "sway-home";
    fs::create_directories(c.run);
    fs::create_directories(c.home);
    fs::permissions(c.run, fs::perms::owner_all);
    c.asUser = {"setpriv", "--pdeathsig", "KILL"};
    if (getuid() == 0) {
        c.owner = "65534";
        c.asUser.insert(c.asUser.end(), {"--reuid=" + c.owner, "--regid=" + c.owner, "--clear-groups"});
        for (const fs::path& p : {work / "app", c.run, c.home})
            run({"chown", "-R", c.owner, p.string()}, {});
    }
    const fs::path conf = work / "sway.conf";
    if (FILE* f = std::fopen(conf.c_str(), "w")) {
        // The player floats at the size it asks for, as on X11, where no window manager tiles it.
        std::fputs("output HEADLESS-1 resolution 1280x1024\nxwayland disable\n"
                   "for_window [title=\"^Vidmarro - \"] floating enable\n",
                   f);
        std::fclose(f);
    }
    std::vector<std::string> argv = c.asUser;
    argv.insert(argv.end(), {"env", "-i", "PATH=/usr/bin:/bin", "HOME=" + c.home.string(),
                             "XDG_RUNTIME_DIR=" + c.run.string(), "WLR_BACKENDS=headless",
                             "WLR_LIBINPUT_NO_DEVICES=1", "sway", "-c", conf.string()});
    std::vector<char*> args;
    for (std::string& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    const std::string log = (work / "sway.log").string();
    c.pid = fork();
    if (c.pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    for (int i = 0; i < 100 && c.display.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(c.run, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("wayland-", 0) == 0 && name.find(".lock") == std::string::npos)
                c.display = name;
        }
        if (waitpid(c.pid, nullptr, WNOHANG) == c.pid) {
            c.pid = -1;
            break;
        }
    }
    return c;
}

struct Path
{
    Path(const char* name, const char* figureName) : name(name), figureName(figureName) {}
    const char* name;
    const char* figureName;
    std::vector<double> stall, stallAt, idle, dropped, droppedLater, decoderDropped, delayed, avsync,
        avsyncLater;
    std::string area;
};

void measure(Path& path, const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    const BenchKit::Outcome o = run(argv, env);
    const double stall = value(o, "stall_ms");
    if (stall < 0) {
        std::printf("  %-28s failed (exit %d)\n", path.name, o.status);
        return;
    }
    path.area = o.values.count("video_area") ? o.values.at("video_area") : "?";
    path.stall.push_back(stall);
    path.stallAt.push_back(value(o, "stall_at_s"));
    path.idle.push_back(value(o, "idle_stall_ms"));
    path.dropped.push_back(value(o, "dropped_frames"));
    path.droppedLater.push_back(value(o, "dropped_after_1s"));
    path.decoderDropped.push_back(value(o, "decoder_dropped_frames"));
    path.delayed.push_back(value(o, "delayed_frames"));
    path.avsync.push_back(value(o, "worst_avsync_ms"));
    path.avsyncLater.push_back(value(o, "worst_avsync_after_1s_ms"));
    std::printf("  %-28s stall %6.1f ms (%4.1f s in), idle %5.1f ms; dropped %3.0f, from 1 s in %.0f "
                "(decoder %.0f, delayed %.0f); worst A/V %.1f ms, from 1 s in %.1f ms  [%s]\n",
                path.name, stall, path.stallAt.back(), path.idle.back(), path.dropped.back(),
                path.droppedLater.back(), path.decoderDropped.back(), path.delayed.back(), path.avsync.back(),
                path.avsyncLater.back(), path.area.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 3;
    double seconds = 20;
    fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::max(1.0, std::atof(argv[++i]));
        else if (!std::strcmp(argv[i], "--bin") && i + 1 < argc)
            bin = argv[++i];
    }
    const BenchKit::ProgramCopy copy = BenchKit::copyProgram(bin, "vm_play_measure", "vm_stall");
    const fs::path& work = copy.work;
    // Readable by the compositor's user.
    fs::permissions(work, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    const fs::path clip = work / "video1080.mp4";
    const std::string length = std::to_string(int(seconds) + 8); // the start and the close fit in it
    if (!BenchKit::ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=1920x1080:r=30:d=" + length, "-f", "lavfi", "-i",
                           "sine=f=440:d=" + length, "-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
                           "yuv420p", "-c:a", "aac", "-shortest"},
                          clip)) {
        std::fprintf(stderr, "bm_stall: ffmpeg could not make the clip\n");
        fs::remove_all(work);
        return 1;
    }
    fs::permissions(clip, fs::perms::others_read, fs::perm_options::add);

    Compositor sway = startSway(work);
    if (sway.display.empty()) {
        std::printf("sway did not start: the Wayland path is left out (its log is on stderr)\n");
        if (FILE* log = std::fopen((work / "sway.log").c_str(), "r")) {
            char line[512];
            while (std::fgets(line, sizeof line, log))
                std::fputs(line, stderr);
            std::fclose(log);
        }
    }
    const bool x11 = std::getenv("DISPLAY") != nullptr;
    if (!x11)
        std::printf("no X display: the X11 path is left out\n");

    const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
    std::vector<pid_t> load;
    for (long i = 0; i < cores; ++i)
        load.push_back(busyProcess());
    std::printf("load: %ld busy processes (one per core), running from before the first start to the end\n",
                cores);

    Path native{"X11, native window", "GUI stall playing 1080p, X11 native window (target < 50 ms)"};
    Path gl{"Wayland, render API (OpenGL)", "GUI stall playing 1080p, Wayland render API (target < 50 ms)"};
    Path software{"offscreen, software render", "GUI stall playing 1080p, software render (target < 50 ms)"};
    const std::string program = copy.program.string();
    const std::string secs = std::to_string(seconds);
    fs::create_directories(work / "run-x11");
    fs::create_directories(work / "run-offscreen");
    for (const char* r : {"run-x11", "run-offscreen"})
        fs::permissions(work / r, fs::perms::owner_all);
    // Every run builds its shaders afresh (Mesa's and Qt's caches live there), as the first one
    // on a machine does: otherwise a path would start faster only for being measured after another.
    int runs = 0;
    auto emptyCache = [&](const std::string& owner) {
        const fs::path cache = work / ("cache" + std::to_string(++runs));
        fs::create_directories(cache);
        if (!owner.empty())
            run({"chown", owner, cache.string()}, {});
        return "XDG_CACHE_HOME=" + cache.string();
    };
    std::printf("each run with empty shader caches\n");
    for (int round = 1; round <= rounds; ++round) {
        std::printf("round %d of %d (%.0f s idle, then %.0f s from the first new stream, each):\n", round,
                    rounds, seconds, seconds);
        if (x11)
            measure(native, {program, "stall", clip.string(), secs},
                    {"XDG_RUNTIME_DIR=" + (work / "run-x11").string(), emptyCache({}), "QT_QPA_PLATFORM=xcb",
                     "VIDMARRO_MPV_OPTIONS=ao=null"});
        if (!sway.display.empty()) {
            std::vector<std::string> cmd = sway.asUser;
            cmd.insert(cmd.end(), {"env", "-i", "PATH=/usr/bin:/bin", "HOME=" + sway.home.string(),
                                   "XDG_RUNTIME_DIR=" + sway.run.string(), emptyCache(sway.owner),
                                   "WAYLAND_DISPLAY=" + sway.display, "QT_QPA_PLATFORM=wayland",
                                   "VIDMARRO_MPV_OPTIONS=ao=null", program, "stall", clip.string(), secs});
            measure(gl, cmd, {});
        }
        measure(software, {program, "stall", clip.string(), secs},
                {"XDG_RUNTIME_DIR=" + (work / "run-offscreen").string(), emptyCache({}),
                 "QT_QPA_PLATFORM=offscreen", "VIDMARRO_MPV_OPTIONS=ao=null"});
    }
    for (pid_t pid : load)
        end(pid);
    end(sway.pid);

    std::printf("medians over %d rounds, %.0f s each:\n", rounds, seconds);
    for (Path* p : {&native, &gl, &software}) {
        if (p->stall.empty())
            continue;
        std::printf("  %-28s stall %6.1f ms, idle %5.1f ms; dropped %.0f, from 1 s in %.0f (decoder %.0f, "
                    "delayed %.0f), most in a round %.0f; worst A/V %.1f ms, from 1 s in %.1f ms\n",
                    p->name, median(p->stall), median(p->idle), median(p->dropped), median(p->droppedLater),
                    median(p->decoderDropped), median(p->delayed),
                    *std::max_element(p->dropped.begin(), p->dropped.end()), median(p->avsync),
                    median(p->avsyncLater));
    }
    for (Path* p : {&native, &gl, &software})
        if (!p->stall.empty())
            BenchKit::figure(p->figureName, median(p->stall), median(p->idle), "ms", "-",
                             "same timer at the idle main window, same load");
    fs::remove_all(work);
    return 0;
}
