#pragma once

// What the whole-program benchmarks share; no Qt, so that nothing of the launcher weighs on the
// programs it starts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace BenchKit {

inline double median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One line per figure, read by scripts/bench.sh into its table.
inline void figure(const char* name, double ours, double baseline, const char* unit, const char* target,
                   const char* baselineName)
{
    const double ratio = baseline > 0 ? ours / baseline : -1;
    std::printf("FIGURE|%s|%.1f|%.1f|%s|%.2f|%s|%s\n", name, ours, baseline, unit, ratio, target,
                baselineName);
}

// How a program run by run() ended, its CPU time and the "name value" lines of its output.
struct Outcome
{
    int status = -1;
    double cpuMs = -1;
    std::map<std::string, std::string> values;
};

// Runs argv to its end and reads its output; extraEnv ("NAME=value") replaces inherited settings of
// the same name (the first of a name counts).
inline Outcome run(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStore = extraEnv;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        if (std::none_of(extraEnv.begin(), extraEnv.end(),
                         [&](const std::string& x) { return x.rfind(name, 0) == 0; }))
            envStore.push_back(entry);
    }
    std::vector<char*> env;
    for (std::string& e : envStore)
        env.push_back(e.data());
    env.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        execvpe(args[0], args.data(), env.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0)
        text.append(buf, size_t(n));
    close(out[0]);
    Outcome o;
    rusage r{};
    int status = 0;
    wait4(pid, &status, 0, &r);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    o.cpuMs = (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
    std::istringstream lines(text);
    std::string name, value;
    while (lines >> name >> value)
        o.values[name] = value;
    return o;
}

// A number the run printed; -1 when it failed or did not print it.
inline double value(const Outcome& o, const char* name)
{
    const auto it = o.values.find(name);
    return o.status == 0 && it != o.values.end() ? std::atof(it->second.c_str()) : -1;
}

inline bool ffmpeg(const std::vector<std::string>& args, const std::filesystem::path& out)
{
    std::vector<std::string> argv{"ffmpeg", "-nostdin", "-y", "-v", "error"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(out.string());
    return run(argv, {}).status == 0;
}

// A copy of one of our programs in a private folder, with the media engine module beside it where
// the program looks for it, and a private runtime folder: the program keeps its settings beside
// itself and its lock in the runtime folder, so the copy touches nothing of the user's.
struct ProgramCopy
{
    std::filesystem::path work; // removed by the caller
    std::filesystem::path program;
    std::string runtimeEnv; // XDG_RUNTIME_DIR=...
};

inline ProgramCopy copyProgram(const std::filesystem::path& bin, const char* name, const char* tag)
{
    namespace fs = std::filesystem;
    std::string tmpl = "/tmp/" + std::string(tag) + ".XXXXXX";
    ProgramCopy copy;
    copy.work = mkdtemp(tmpl.data());
    fs::create_directories(copy.work / "app");
    fs::create_directories(copy.work / "run");
    fs::permissions(copy.work / "run", fs::perms::owner_all);
    copy.program = copy.work / "app" / name;
    fs::copy_file(bin / name, copy.program);
    for (const char* file : {"libvidmarro-engine.so", "vidmarro-engine.libs"})
        if (fs::exists(bin / file))
            fs::copy_file(bin / file, copy.work / "app" / file);
    copy.runtimeEnv = "XDG_RUNTIME_DIR=" + (copy.work / "run").string();
    return copy;
}

} // namespace BenchKit
