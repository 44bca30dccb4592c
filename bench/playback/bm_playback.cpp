// Playing at the engine's cost, each figure beside its baseline from the same run (medians):
//  - CPU time from Go to the end of a 1080p H.264 clip, against the mpv program on the same clip at
//    the same video size (--vo=gpu); and of a 20 s MP3, against mpv with its window forced;
//  - the GUI thread's longest stall from Go to the first new stream, against the same timer's
//    lateness at the idle main window;
//  - private memory after 1,000 short clips played in one run, against the figure after 50 of them,
//    on the native video path and on the render API's (vo=libmpv, the path Wayland takes): whether
//    memory grows as clips go by.
// No sound device on either side (ao=null). Needs an X display: scripts/bench.sh gives one.
//
// usage: bm_playback [--rounds N] [--bin DIR] [--memory-only]   (DIR holds vm_play_measure)
#include "../BenchKit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using BenchKit::ffmpeg;
using BenchKit::figure;
using BenchKit::median;
using BenchKit::Outcome;
using BenchKit::run;
using BenchKit::value;

int main(int argc, char** argv)
{
    int rounds = 3;
    bool cpu = true;
    fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--bin") && i + 1 < argc)
            bin = argv[++i];
        else if (!std::strcmp(argv[i], "--memory-only"))
            cpu = false;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "bm_playback: no X display\n");
        return 2;
    }
    const BenchKit::ProgramCopy copy = BenchKit::copyProgram(bin, "vm_play_measure", "vm_playback");
    const fs::path& work = copy.work;
    const fs::path& ours = copy.program;
    const std::vector<std::string> env{copy.runtimeEnv, "QT_QPA_PLATFORM=xcb",
                                       "VIDMARRO_MPV_OPTIONS=ao=null"};

    const fs::path video = work / "video1080.mp4";
    const fs::path mp3 = work / "tone20.mp3";
    if (!ffmpeg({"-f", "lavfi", "-i", "testsrc2=s=1920x1080:r=30:d=12", "-c:v", "libx264", "-preset",
                 "veryfast", "-pix_fmt", "yuv420p"},
                video) ||
        !ffmpeg({"-f", "lavfi", "-i", "sine=f=440:d=20", "-c:a", "libmp3lame", "-b:a", "128k"}, mp3)) {
        std::fprintf(stderr, "bm_playback: ffmpeg could not make the clips\n");
        return 1;
    }

    // The control's video area is 229 x 145 in the player window; mpv gets a window of that size.
    const std::string geometry = "--geometry=229x145";
    struct Cpu
    {
        std::vector<double> ours, mpv, stall, idleStall;
    } videoCpu, audioCpu;
    auto measure = [&](const fs::path& clip, Cpu& into, bool forceWindow) {
        for (int i = 0; i < rounds; ++i) {
            const Outcome o = run({ours.string(), "go", clip.string()}, env);
            if (value(o, "cpu_ms") >= 0) {
                into.ours.push_back(value(o, "cpu_ms"));
                into.stall.push_back(value(o, "stall_ms"));
                into.idleStall.push_back(value(o, "idle_stall_ms"));
            }
            std::vector<std::string> mpv{"mpv",          "--no-config",    "--ao=null", "--vo=gpu",
                                         "--gpu-sw=yes", "--really-quiet", geometry};
            if (forceWindow)
                mpv.push_back("--force-window=yes");
            mpv.push_back(clip.string());
            const Outcome m = run(mpv, {});
            if (m.status == 0)
                into.mpv.push_back(m.cpuMs);
        }
    };
    if (cpu) {
        measure(video, videoCpu, false);
        measure(mp3, audioCpu, true);
    }
    std::printf("CPU Go to end, ms (median of %d): 1080p H.264 vidmarro %.0f, mpv %.0f; MP3 vidmarro %.0f, "
                "mpv %.0f\n",
                rounds, median(videoCpu.ours), median(videoCpu.mpv), median(audioCpu.ours),
                median(audioCpu.mpv));

    // 1,000 short clips, sound and pictures in turn, played untimed in one run.
    constexpr int Clips = 1000;
    const fs::path shortVideo = work / "short.mpg";
    const fs::path shortSound = work / "short.wav";
    std::vector<std::string> memoryCmd{ours.string(), "memory"};
    if (ffmpeg({"-f", "lavfi", "-i", "testsrc=s=640x480:r=25:d=0.4", "-c:v", "mpeg1video", "-f", "mpeg"},
               shortVideo) &&
        ffmpeg({"-f", "lavfi", "-i", "sine=d=0.4"}, shortSound)) {
        fs::create_directories(work / "clips");
        for (int i = 0; i < Clips; ++i) {
            const fs::path from = i % 2 ? shortSound : shortVideo;
            char name[32];
            std::snprintf(name, sizeof name, "clip%04d%s", i, from.extension().c_str());
            fs::copy_file(from, work / "clips" / name);
            memoryCmd.push_back((work / "clips" / name).string());
        }
    }
    struct Memory
    {
        const char* name;
        const char* options;
        std::vector<double> at50, atEnd, threads;
    } paths[] = {{"native window", "VIDMARRO_MPV_OPTIONS=ao=null untimed=yes", {}, {}, {}},
                 {"render API", "VIDMARRO_MPV_OPTIONS=ao=null untimed=yes vo=libmpv", {}, {}, {}}};
    for (int i = 0; i < rounds && memoryCmd.size() > 2; ++i)
        for (Memory& m : paths) {
            std::vector<std::string> memoryEnv = env;
            memoryEnv.back() = m.options;
            const Outcome o = run(memoryCmd, memoryEnv);
            if (value(o, "private_kib_at_end") < 0 || value(o, "clips") != Clips)
                continue;
            m.at50.push_back(value(o, "private_kib_at_50"));
            m.atEnd.push_back(value(o, "private_kib_at_end"));
            m.threads.push_back(value(o, "threads_at_end"));
        }
    for (const Memory& m : paths)
        std::printf("private dirty KiB playing, %s: after 50 clips %.0f, after %d %.0f; threads %.0f\n",
                    m.name, median(m.at50), Clips, median(m.atEnd), median(m.threads));

    figure("CPU Go to end, 1080p H.264 12 s", median(videoCpu.ours), median(videoCpu.mpv), "ms", "1.15",
           "mpv --vo=gpu, same video size");
    figure("CPU Go to end, MP3 20 s", median(audioCpu.ours), median(audioCpu.mpv), "ms", "1.20",
           "mpv with its window forced");
    std::vector<double> stalls = videoCpu.stall, idles = videoCpu.idleStall;
    stalls.insert(stalls.end(), audioCpu.stall.begin(), audioCpu.stall.end());
    idles.insert(idles.end(), audioCpu.idleStall.begin(), audioCpu.idleStall.end());
    figure("GUI longest stall, Go to first new stream (target 50 ms)", median(stalls), median(idles), "ms",
           "-", "same timer at the idle main window");
    figure("private memory after 1,000 clips, native window", median(paths[0].atEnd), median(paths[0].at50),
           "KiB", "1.30", "the same run after 50 clips");
    figure("private memory after 1,000 clips, render API", median(paths[1].atEnd), median(paths[1].at50),
           "KiB", "1.30", "the same run after 50 clips");
    fs::remove_all(work);
    return 0;
}
