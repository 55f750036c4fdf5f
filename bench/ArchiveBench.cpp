// Reading whole files through the packed archive, next to reading the same bytes from loose files:
// through the same PakInterface calls (which hand a loose file to stdio) and with plain
// fopen/fread. Each read opens the file, asks its size, reads it into a buffer and closes it, as
// the loaders do. Rates are in megabytes (10^6 bytes) per second; a table of ratios follows the
// usual output. The loose files are in the page cache after the first read, like the mapped
// archive, so both sides measure copying rather than the disk.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "framework/resources/PakFormat.h"
#include "framework/resources/PakInterface.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kSizes[] = {4 << 10, 64 << 10, 1 << 20, 8 << 20};
const char* const kSizeNames[] = {"4KiB", "64KiB", "1MiB", "8MiB"};
constexpr const char* kWays[] = {"archive", "loose", "stdio"};

// The files, the archive holding copies of them, and the interface that mapped it.
struct Fixture {
  fs::path dir;
  PakInterface pak;
  std::vector<uint8_t> buffer;
  bool ready = false;

  Fixture() {
    dir = fs::temp_directory_path() / ("orva-archive-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir / "packed");
    fs::create_directories(dir / "loose");
    std::mt19937 random(1);
    for (const size_t size : kSizes) {
      std::vector<uint8_t> bytes(size);
      for (uint8_t& b : bytes) b = uint8_t(random());
      for (const char* folder : {"packed", "loose"}) {
        FILE* out = std::fopen((dir / folder / Name(size)).c_str(), "wb");
        if (!out) return;
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
      }
    }
    std::string error;
    const std::string archive = (dir / "bench.pak").string();
    if (!WritePakFile((dir / "packed").string(), archive, error)) {
      std::fprintf(stderr, "archive_bench: %s\n", error.c_str());
      return;
    }
    buffer.resize(kSizes[std::size(kSizes) - 1]);
    ready = pak.AddPakFile(archive);
  }
  ~Fixture() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  static std::string Name(size_t size) {
    // Built step by step: GCC 12 at -O3 misreads "literal" + std::string&& as an overlapping copy.
    std::string name = std::to_string(size);
    name.insert(name.begin(), 'f');
    name += ".bin";
    return name;
  }
};

Fixture& GetFixture() {
  static Fixture fixture;
  return fixture;
}

// Reads the whole file; the number of bytes read.
size_t ReadThroughPak(PakInterface& pak, const std::string& name, uint8_t* buffer) {
  PakFile* f = pak.FOpen(name.c_str(), "rb");
  if (!f) return 0;
  pak.FSeek(f, 0, SEEK_END);
  const long size = pak.FTell(f);
  pak.FSeek(f, 0, SEEK_SET);
  const size_t n = pak.FRead(buffer, 1, size_t(size), f);
  pak.FClose(f);
  return n;
}

size_t ReadThroughStdio(const std::string& path, uint8_t* buffer) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  const size_t n = std::fread(buffer, 1, size_t(size), f);
  std::fclose(f);
  return n;
}

void Register(size_t sizeIndex, int way) {
  const std::string name = std::string(kSizeNames[sizeIndex]) + "/" + kWays[way];
  benchmark::RegisterBenchmark(name.c_str(), [sizeIndex, way](benchmark::State& state) {
    Fixture& fx = GetFixture();
    if (!fx.ready) {
      state.SkipWithError("could not build the archive");
      return;
    }
    const size_t size = kSizes[sizeIndex];
    const std::string file = Fixture::Name(size);
    const std::string loose = (fx.dir / "loose" / file).string();
    for (auto _ : state) {
      size_t n = 0;
      switch (way) {
        case 0: n = ReadThroughPak(fx.pak, file, fx.buffer.data()); break;
        case 1: n = ReadThroughPak(fx.pak, loose, fx.buffer.data()); break;
        default: n = ReadThroughStdio(loose, fx.buffer.data()); break;
      }
      if (n != size) {
        state.SkipWithError("short read");
        return;
      }
      benchmark::DoNotOptimize(fx.buffer.data());
      benchmark::ClobberMemory();
    }
    state.counters["MB/s"] =
        benchmark::Counter(double(size) * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
  })->Unit(benchmark::kMicrosecond);
}

void PrintSummary(const RateCollector& results) {
  const auto cell = [](double v, const char* format) {
    char text[32];
    if (v < 0)
      std::snprintf(text, sizeof text, "%12s", "n/a");
    else
      std::snprintf(text, sizeof text, format, v);
    return std::string(text);
  };
  std::printf("\nMedian megabytes per second, whole files read into a buffer\n");
  std::printf("%-8s%12s%12s%12s%16s%16s\n", "size", "archive", "loose", "stdio", "archive/loose", "archive/stdio");
  for (size_t i = 0; i < std::size(kSizes); ++i) {
    const std::string base = std::string(kSizeNames[i]) + "/";
    const double archive = results.Rate(base + "archive"), loose = results.Rate(base + "loose"),
                 stdio = results.Rate(base + "stdio");
    // Time ratio: the archive's time over the loose file's is the loose rate over the archive's.
    const double overLoose = archive > 0 && loose > 0 ? loose / archive : -1;
    const double overStdio = archive > 0 && stdio > 0 ? stdio / archive : -1;
    std::printf("%-8s%s%s%s%s%s\n", kSizeNames[i], cell(archive, "%12.0f").c_str(), cell(loose, "%12.0f").c_str(),
                cell(stdio, "%12.0f").c_str(), cell(overLoose, "%16.2f").c_str(), cell(overStdio, "%16.2f").c_str());
  }
  std::printf(
      "\nThe ratios are time through the archive over time for the loose file; the goal is at most 1.0\n"
      "for files over 64 KiB. \"loose\" goes through PakInterface::FOpen/FRead to stdio; \"stdio\" is\n"
      "plain fopen/fread.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  if (!InitializeBenchmarks(args)) return 1;

  for (size_t i = 0; i < std::size(kSizes); ++i)
    for (int way = 0; way < 3; ++way) Register(i, way);
  RateCollector collector("MB/s");
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintSummary(collector);
  benchmark::Shutdown();
  return 0;
}
