#pragma once

// The console reporter every benchmark here uses: prints the usual output and keeps each
// benchmark's rate counter (the median when repeated) for the ratio table printed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

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
