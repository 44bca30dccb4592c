#pragma once

// What the whole-program benchmarks share; no Qt, so that nothing of the launcher weighs on the
// programs it starts.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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
    if (fs::exists(bin / "libvidmarro-engine.so"))
        fs::copy_file(bin / "libvidmarro-engine.so", copy.work / "app" / "libvidmarro-engine.so");
    copy.runtimeEnv = "XDG_RUNTIME_DIR=" + (copy.work / "run").string();
    return copy;
}

} // namespace BenchKit
