// readertest's redraw rate against the simulated readers, with its screen
// going to a file: each run is N cycles (the scenario fails node 0's poll in
// cycle N) and the rate is N over the run's wall time, start-up included.
// Heap use per cycle: the same runs with alloc counting preloaded, for N and
// 2N cycles; the difference over N is the allocations that one cycle makes.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

std::string bin_folder()
{
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string self(path, static_cast<size_t>(length));
    return self.substr(0, self.rfind('/'));
}

// Runs readertest for cycles cycles; returns its exit status (-2 expected).
int run_readertest(int cycles, const std::vector<std::string> &extra_environment)
{
    std::string folder = bin_folder();
    std::string scenario = folder + "/readertest_bench.scenario";
    std::string input = folder + "/readertest_bench.input";
    std::string output = folder + "/readertest_bench.out";
    std::ofstream(scenario, std::ios::trunc) << "node 0 poll-fails-from " << cycles << "\n";
    std::ofstream(input, std::ios::trunc) << "\n";

    std::vector<std::string> variables;
    for (char **entry = environ; *entry != nullptr; ++entry) {
        variables.emplace_back(*entry);
    }
    variables.push_back("KAVIO_SIM_SCENARIO=" + scenario);
    for (const std::string &extra : extra_environment) {
        variables.push_back(extra);
    }
    std::vector<char *> envp;
    for (std::string &variable : variables) {
        envp.push_back(&variable[0]);
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::string program = folder + "/readertest";
    char *argv[] = {&program[0], nullptr};
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1000;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? static_cast<signed char>(WEXITSTATUS(status)) : -1000;
}

void BM_ReadertestCycleRate(benchmark::State &state)
{
    int cycles = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (run_readertest(cycles, {}) != -2) {
            state.SkipWithError("readertest did not end on the scenario's poll failure");
            return;
        }
    }
    state.counters["cycles_per_second"] =
        benchmark::Counter(static_cast<double>(cycles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadertestCycleRate)
    ->Arg(400)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

long long counted_allocations(int cycles)
{
    std::string folder = bin_folder();
    std::string report = folder + "/readertest_bench.allocs";
    remove(report.c_str());
    if (run_readertest(cycles, {"LD_PRELOAD=" + folder + "/libreadertest_alloc_report.so",
                                "READERTEST_ALLOC_REPORT=" + report}) != -2) {
        return -1;
    }
    long long count = -1;
    std::ifstream(report) >> count;
    return count;
}

void BM_ReadertestHeapPerCycle(benchmark::State &state)
{
    int cycles = static_cast<int>(state.range(0));
    long long short_run = 0;
    long long long_run = 0;
    for (auto _ : state) {
        short_run = counted_allocations(cycles);
        long_run = counted_allocations(2 * cycles);
    }
    if (short_run < 0 || long_run < 0) {
        state.SkipWithError("no allocation report from readertest");
        return;
    }
    state.counters["allocs_N"] = static_cast<double>(short_run);
    state.counters["allocs_2N"] = static_cast<double>(long_run);
    state.counters["allocs_per_cycle"] =
        static_cast<double>(long_run - short_run) / static_cast<double>(cycles);
}
BENCHMARK(BM_ReadertestHeapPerCycle)
    ->Arg(200)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
