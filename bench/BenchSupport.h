#pragma once

// What every benchmark program here shares: its defaults for noisy machines and the reporter
// that keeps each benchmark's rate for the ratio table printed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// Initialises Google Benchmark with args (the program's own options already removed). Timings on a
// shared machine are noisy: unless told otherwise, every benchmark is repeated in a shuffled order
// and medians are reported. False when an argument is not understood.
inline bool InitializeBenchmarks(std::vector<char*>& args, const char* minTimeSeconds = "0.1") {
  const bool repetitionsGiven = std::any_of(
      args.begin(), args.end(), [](const char* a) { return std::strncmp(a, "--benchmark_repetitions", 23) == 0; });
  static char repetitions[] = "--benchmark_repetitions=5";
  static char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static std::string minTime;
  minTime = std::string("--benchmark_min_time=") + minTimeSeconds;
  if (!repetitionsGiven) args.insert(args.begin() + 1, {repetitions, aggregatesOnly, interleave, minTime.data()});
  int count = int(args.size());
  benchmark::Initialize(&count, args.data());
  return !benchmark::ReportUnrecognizedArguments(count, args.data());
}

class RateCollector : public benchmark::ConsoleReporter {
 public:
  // counter: the rate counter to keep, e.g. "MP/s". Colour only on a terminal, so piped output
  // stays plain text.
  explicit RateCollector(std::string counter)
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular), counter_(std::move(counter)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const auto it = run.counters.find(counter_);
      if (it == run.counters.end()) continue;
      const std::string& name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate) {
        if (run.aggregate_name == "median") medians_[name] = it->second.value;
      } else {
        samples_[name].push_back(it->second.value);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // The rate of one benchmark, or a negative number when it did not run.
  double Rate(const std::string& name) const {
    if (const auto m = medians_.find(name); m != medians_.end()) return m->second;
    const auto s = samples_.find(name);
    if (s == samples_.end() || s->second.empty()) return -1;
    std::vector<double> v = s->second;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }

 private:
  std::string counter_;
  std::map<std::string, double> medians_;
  std::map<std::string, std::vector<double>> samples_;
};
