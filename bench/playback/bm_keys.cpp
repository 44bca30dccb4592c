// Keys while a 1080p H.264 clip (30 fps, with sound) plays in the player window, with every core
// loaded by a busy process of ours, on both ways the player shows video on X11:
//  - the engine drawing into a native window (vo=gpu);
//  - the render API into OpenGL (vo=libmpv), the path Wayland takes.
// Each key is pressed on the X server ten times, and timed from the press to its effect on the
// screen: F (full screen and back: a strip beside the window covered, then bare again), Space
// (pause and play: a patch that changes with every frame stops, then changes again) and Right and
// Left (5 s on and back: a patch whose brightness follows the clip's time jumps). Reported per path
// and key: the worst of the presses and their median, against a budget of 100 ms.
// A window manager of our own (openbox) gives full screen, as a desktop does. Needs an X display:
// scripts/bench.sh gives one. No sound device (ao=null).
// Beside them, the mpv program in a window of the same size, with its own keys (f, Space, the
// arrows, seeking exactly as ours): what the engine's own player takes on the same screen and load.
//
// usage: bm_keys [--rounds N] [--bin DIR]   (DIR holds vm_play_measure)
#include "../BenchKit.h"
#include "KeyWatch.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/prctl.h>
#include <thread>

namespace fs = std::filesystem;
using BenchKit::median;
using BenchKit::run;

namespace {

constexpr double BudgetMs = 100;
constexpr double MissedMs = 5000; // a press whose effect never showed

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

pid_t startProcess(const std::vector<std::string>& argv, const std::string& home)
{
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        setenv("HOME", home.c_str(), 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
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

std::vector<double> times(const BenchKit::Outcome& o, const char* name)
{
    std::vector<double> t;
    const auto it = o.values.find(name);
    if (o.status != 0 || it == o.values.end())
        return t;
    std::stringstream list(it->second);
    std::string one;
    while (std::getline(list, one, ','))
        t.push_back(std::atof(one.c_str()) < 0 ? MissedMs : std::atof(one.c_str()));
    return t;
}

struct Key
{
    const char* name;
    const char* output;
    std::vector<double> native, render, mpv;
};

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p))
            text += buffer;
        pclose(p);
    }
    return text;
}

// F, Space and the arrows in the mpv program, each ten times; empty where it would not start.
std::vector<std::vector<double>> mpvProgramKeys(const fs::path& clip, const fs::path& home)
{
    const pid_t mpv = startProcess({"mpv", "--no-config", "--ao=null", "--hr-seek=yes", "--loop-file=inf",
                                    "--geometry=960x540+100+100", clip.string()},
                                   home.string());
    // Its window, and where the picture (which fills it) shows the patches.
    const std::string pid = std::to_string(mpv);
    const unsigned window = unsigned(std::strtoul(
        output("timeout 20 xdotool search --sync --onlyvisible --pid " + pid + " 2>/dev/null").c_str(),
        nullptr, 10));
    std::vector<std::vector<double>> times;
    const std::string geometry = output("xdotool getwindowgeometry --shell " + std::to_string(window));
    const size_t xAt = geometry.find("X="), yAt = geometry.find("Y=");
    if (window != 0 && xAt != std::string::npos && yAt != std::string::npos) {
        const int x = std::atoi(geometry.c_str() + xAt + 2), y = std::atoi(geometry.c_str() + yAt + 2);
        std::this_thread::sleep_for(std::chrono::seconds(2)); // playing
        int screenWidth = 1920, screenHeight = 1080;
        std::sscanf(output("xdotool getdisplaygeometry").c_str(), "%d %d", &screenWidth, &screenHeight);
        KeyWatch watch(KeyWatch::placesFor(window, x, y, 960, screenWidth, screenHeight));
        if (watch.connected())
            times = {watch.fullScreen(10), watch.pause(10), watch.seek(10)};
    }
    end(mpv);
    return times;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 1;
    fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--bin") && i + 1 < argc)
            bin = argv[++i];
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bm_keys: no X display\n");
        return 2;
    }
    const BenchKit::ProgramCopy copy = BenchKit::copyProgram(bin, "vm_play_measure", "vm_keys");
    const fs::path& work = copy.work;
    const fs::path clip = work / "keys1080.mp4";
    // Top left of the picture, 240 pixels square each: a clock (brightness 16 + 4 per second of
    // the clip) and a flicker (a new brightness every frame). Keyframes twice a second, as a phone
    // records, so that an exact seek decodes a few frames only.
    const std::string patch = "color=c=black:s=240x240:r=30:d=60,format=yuv420p,geq=cb=128:cr=128:lum=";
    if (!BenchKit::ffmpeg({"-f",
                           "lavfi",
                           "-i",
                           "testsrc2=s=1920x1080:r=30:d=60",
                           "-f",
                           "lavfi",
                           "-i",
                           patch + "'min(250,16+T*4)'",
                           "-f",
                           "lavfi",
                           "-i",
                           patch + "'16+mod(N*97,200)'",
                           "-f",
                           "lavfi",
                           "-i",
                           "sine=f=440:d=60",
                           "-filter_complex",
                           "[0][1]overlay=0:0[a];[a][2]overlay=240:0",
                           "-c:v",
                           "libx264",
                           "-preset",
                           "veryfast",
                           "-g",
                           "15",
                           "-pix_fmt",
                           "yuv420p",
                           "-c:a",
                           "aac",
                           "-shortest"},
                          clip)) {
        std::fprintf(stderr, "bm_keys: ffmpeg could not make the clip\n");
        fs::remove_all(work);
        return 1;
    }
    fs::create_directories(work / "wm-home");
    const pid_t wm = startProcess({"openbox", "--sm-disable"}, (work / "wm-home").string());
    std::this_thread::sleep_for(std::chrono::seconds(1));

    const long cores = std::max(1L, sysconf(_SC_NPROCESSORS_ONLN));
    std::vector<pid_t> load;
    for (long i = 0; i < cores; ++i)
        load.push_back(busyProcess());
    std::printf("load: %ld busy processes (one per core); openbox as the window manager\n", cores);

    Key keys[] = {{"F (full screen and back)", "fullscreen_ms", {}, {}, {}},
                  {"Space (pause and play)", "pause_ms", {}, {}, {}},
                  {"Right/Left (seek 5 s)", "seek_ms", {}, {}, {}}};
    const std::string program = copy.program.string();
    for (int round = 1; round <= rounds; ++round) {
        for (const bool render : {false, true}) {
            const BenchKit::Outcome o =
                run({program, "keys", clip.string()},
                    {copy.runtimeEnv, "QT_QPA_PLATFORM=xcb",
                     render ? "VIDMARRO_MPV_OPTIONS=ao=null vo=libmpv" : "VIDMARRO_MPV_OPTIONS=ao=null"});
            std::printf("round %d, %s:%s\n", round, render ? "render API" : "native window",
                        o.status ? " failed" : "");
            for (Key& k : keys) {
                const std::vector<double> t = times(o, k.output);
                std::printf("  %-26s", k.name);
                for (double ms : t)
                    std::printf(" %6.1f", ms);
                std::printf("\n");
                std::vector<double>& into = render ? k.render : k.native;
                into.insert(into.end(), t.begin(), t.end());
            }
            std::fflush(stdout);
        }
        const std::vector<std::vector<double>> mpv = mpvProgramKeys(clip, work / "wm-home");
        std::printf("round %d, the mpv program:%s\n", round, mpv.empty() ? " did not start" : "");
        for (size_t i = 0; i < mpv.size(); ++i) {
            std::printf("  %-26s", keys[i].name);
            for (double ms : mpv[i]) {
                std::printf(" %6.1f", ms < 0 ? MissedMs : ms);
                keys[i].mpv.push_back(ms < 0 ? MissedMs : ms);
            }
            std::printf("\n");
        }
        std::fflush(stdout);
    }
    for (pid_t pid : load)
        end(pid);
    end(wm);

    for (const Key& k : keys)
        for (const int path : {0, 1, 2}) {
            const std::vector<double>& t = path == 0 ? k.native : path == 1 ? k.render : k.mpv;
            if (t.empty())
                continue;
            const char* pathName = path == 0 ? "native window" : path == 1 ? "render API" : "the mpv program";
            const std::string name = std::string("Key ") + k.name + ", " + pathName + ": worst (median " +
                                     std::to_string(int(median(t) + 0.5)) + " ms)";
            BenchKit::figure(name.c_str(), *std::max_element(t.begin(), t.end()), BudgetMs, "ms", "1.00",
                             "the 100 ms budget, 2 cores busy");
        }
    fs::remove_all(work);
    return 0;
}
