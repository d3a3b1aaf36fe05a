#pragma once

// What every benchmark reports: each measured figure next to a baseline
// measured in the same run, as one line
//   BENCH|figure|baseline|ratio|goal|met
// which scripts/bench.sh gathers into one table. Ratios, not times, are
// what is compared: the machines they run on are shared and their load
// moves both sides alike.

#include <benchmark/benchmark.h>

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Corvane::Bench {

// "12.3 µs" for a time in seconds.
inline std::string formatSeconds(double seconds) {
    const char* unit = "s";
    double value = seconds;
    for (const char* smaller : {"ms", "µs", "ns"}) {
        if (value >= 1.0) {
            break;
        }
        value *= 1e3;
        unit = smaller;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.3g %s", value, unit);
    return text;
}

// "23.4 k/s" for a rate.
inline std::string formatRate(double perSecond) {
    char text[48];
    if (perSecond >= 1e6) {
        std::snprintf(text, sizeof text, "%.3g M/s", perSecond / 1e6);
    } else if (perSecond >= 1e3) {
        std::snprintf(text, sizeof text, "%.3g k/s", perSecond / 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.3g /s", perSecond);
    }
    return text;
}

// A goal on a ratio (figure / baseline) or on the figure's own time.
struct Goal {
    enum Kind { none, ratioAtLeast, ratioAtMost, secondsBelow } kind = none;
    double bound = 0;

    std::string text() const {
        char out[48];
        switch (kind) {
            case ratioAtLeast:
                std::snprintf(out, sizeof out, ">= %.2gx", bound);
                return out;
            case ratioAtMost:
                std::snprintf(out, sizeof out, "<= %.3gx", bound);
                return out;
            case secondsBelow:
                return "< " + formatSeconds(bound);
            default:
                return "-";
        }
    }
    std::optional<bool> met(double ratio, double seconds) const {
        switch (kind) {
            case ratioAtLeast:
                return ratio >= bound;
            case ratioAtMost:
                return ratio <= bound;
            case secondsBelow:
                return seconds < bound;
            default:
                return std::nullopt;
        }
    }
};

// `spread` is the range of the ratio over the rounds of a figure measured in
// rounds; `againstModel` a second comparison where the figure has one (the
// daemon against the model of its system calls). "-" where there is none.
inline void printRow(const std::string& figure, const std::string& baseline, double ratio,
                     const Goal& goal, std::optional<bool> met, const std::string& spread = "-",
                     const std::string& againstModel = "-") {
    std::printf("BENCH|%s|%s|%.3gx|%s|%s|%s|%s\n", figure.c_str(), baseline.c_str(), ratio,
                spread.c_str(), againstModel.c_str(), goal.text().c_str(),
                !met   ? "-"
                : *met ? "yes"
                       : "no");
    std::fflush(stdout);
}

// "0.91-0.98x", the range of some ratios.
inline std::string formatSpread(const std::vector<double>& ratios) {
    if (ratios.empty()) {
        return "-";
    }
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    char text[48];
    std::snprintf(text, sizeof text, "%.3g-%.3gx", *low, *high);
    return text;
}

// Peak (VmHWM) and current (VmRSS) resident memory of a process, in kB;
// zeros when it is gone.
inline std::pair<long, long> residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    long peak = 0;
    long now = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            peak = std::atol(line.c_str() + 6);
        } else if (line.rfind("VmRSS:", 0) == 0) {
            now = std::atol(line.c_str() + 6);
        }
    }
    return {peak, now};
}

// One row of a Google Benchmark program: `name`'s time per iteration as a
// multiple of `baseline`'s.
struct Comparison {
    std::string name;
    std::string baseline;
    Goal goal = {};
};

// Prints the usual table, then one row per comparison. Runs registered with
// UseRealTime() are compared in wall time (a server in another process is
// part of what they measure), all others in CPU time, which the neighbours'
// load disturbs less.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so that piped output stays plain text.
    explicit RatioReporter(std::vector<Comparison> comparisons)
        : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular),
          comparisons_(std::move(comparisons)) {}

    // With --benchmark_repetitions, the median of the repetitions (which
    // --benchmark_enable_random_interleaving runs in turns with the other
    // benchmarks' repetitions) rather than the last of them.
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || run.iterations <= 0 ||
                (run.run_type != Run::RT_Iteration && !median)) {
                continue;
            }
            std::string name = run.run_name.str();
            const bool wall = stripSuffix(name, "/real_time");
            const double total = wall ? run.real_accumulated_time : run.cpu_accumulated_time;
            if (median || medians_.count(name) == 0) {
                seconds_[name] = total / static_cast<double>(run.iterations);
            }
            if (median) {
                medians_.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const Comparison& c : comparisons_) {
            const auto n = seconds_.find(c.name);
            const auto b = seconds_.find(c.baseline);
            if (n == seconds_.end() || b == seconds_.end() || b->second <= 0) {
                continue;  // filtered out or skipped with an error, said above
            }
            const double ratio = n->second / b->second;
            printRow(c.name + " " + formatSeconds(n->second),
                     c.baseline + " " + formatSeconds(b->second), ratio, c.goal,
                     c.goal.met(ratio, n->second));
        }
    }

private:
    static bool stripSuffix(std::string& name, const std::string& suffix) {
        if (name.size() < suffix.size() ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            return false;
        }
        name.erase(name.size() - suffix.size());
        return true;
    }

    std::vector<Comparison> comparisons_;
    std::map<std::string, double> seconds_;
    std::set<std::string> medians_;  // the names whose seconds_ is a median
};

// main() of a benchmark program: the library's own options (--help among
// them), then every benchmark, reported through a RatioReporter.
inline int runWithRatios(int argc, char** argv, std::vector<Comparison> comparisons) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    RatioReporter reporter(std::move(comparisons));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace Corvane::Bench
