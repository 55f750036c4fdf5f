// Loading a group of 60 pictures through the resource manager, next to reading the same files
// with ImageLib::LoadImageFile alone. The files are a game's usual mix, made by the benchmark in a
// scratch folder (they stay in the page cache, so the runs measure decoding and what follows it):
//   36 shaded sprites with soft edges, 64 x 64 to 256 x 256, PNG with alpha;
//   10 flat-coloured interface pieces with a handful of colours, PNG with alpha;
//    8 animation strips of eight 64 x 64 frames, PNG with alpha;
//    6 backgrounds, 640 x 480, JPEG.
// A manager run is LoadGroup, UnloadGroup and a purge of the shared image table, so every run
// reads every file again. Two steps in between show where the manager's time goes: the same files
// made into memory images (ImageBridge's LoadMemoryImage, as the manager's host does), and the
// manager with every image marked "nopal" (no palette form made). Rates are pictures per second;
// a ratio table follows the usual output.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "framework/resources/ImageBridge.h"
#include "framework/resources/ImageLib.h"

namespace {

namespace fs = std::filesystem;

uint32_t Argb(int a, int r, int g, int b) {
  const auto c = [](int v) { return uint32_t(std::clamp(v, 0, 255)); };
  return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

// A shaded blob filling the box: light from the top left, a soft rim two pixels wide, a little
// noise, transparent (all-zero) corners. Thousands of colours, so it has no palette form.
void Blob(ImageLib::Image& im, int left, int w, int h, std::mt19937& random) {
  const int r0 = int(random() % 200) + 40, g0 = int(random() % 200) + 40, b0 = int(random() % 200) + 40;
  const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = (x - cx) / (w / 2.0), dy = (y - cy) / (h / 2.0);
      const double d = std::sqrt(dx * dx + dy * dy);
      const double edge = (1 - d) * std::min(w, h) / 2.0;  // pixels inside the rim
      const int a = edge <= 0 ? 0 : edge >= 2 ? 255 : int(edge / 2 * 255);
      const double light = 1.15 - 0.5 * (dx + dy + 2) / 4 - 0.2 * d;
      const int noise = int(random() % 7) - 3;
      im.bits[size_t(y) * im.width + left + x] =
          a == 0 ? 0 : Argb(a, int(r0 * light) + noise, int(g0 * light) + noise, int(b0 * light) + noise);
    }
}

// A button or panel: a flat face, a darker border, a lighter top band, rounded transparent
// corners. A few colours only, so it has a palette form.
std::unique_ptr<ImageLib::Image> Panel(int w, int h, std::mt19937& random) {
  auto picture = std::make_unique<ImageLib::Image>(w, h);
  ImageLib::Image& im = *picture;
  const int r = int(random() % 256), g = int(random() % 256), b = int(random() % 256);
  const int corner = std::min(w, h) / 6;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int ex = std::max({corner - x, x - (w - 1 - corner), 0}),
                ey = std::max({corner - y, y - (h - 1 - corner), 0});
      if (ex * ex + ey * ey > corner * corner) continue;
      const bool border = x < 2 || y < 2 || x >= w - 2 || y >= h - 2 || ex * ex + ey * ey > (corner - 2) * (corner - 2);
      im.bits[size_t(y) * w + x] = border      ? Argb(255, r / 2, g / 2, b / 2)
                                   : y < h / 3 ? Argb(255, r + 40, g + 40, b + 40)
                                               : Argb(230, r, g, b);
    }
  return picture;
}

// A background: broad gradients, soft noise and some large shapes, as painted scenery has.
std::unique_ptr<ImageLib::Image> Background(std::mt19937& random) {
  auto picture = std::make_unique<ImageLib::Image>(640, 480);
  ImageLib::Image& im = *picture;
  const int hue = int(random() % 3);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const int noise = int(random() % 11) - 5;
      const bool hill = y > 300 + int(40 * std::sin(x / 70.0 + hue));
      const int v = hill ? 90 + (y - 300) / 3 : 200 - y / 3;
      const int c[3] = {v + noise, (hill ? 140 : v + 20) + noise, (hill ? 60 : 240 - y / 4) + noise};
      im.bits[size_t(y) * 640 + x] = Argb(255, c[hue], c[(hue + 1) % 3], c[(hue + 2) % 3]);
    }
  return picture;
}

struct Files {
  fs::path dir = fs::temp_directory_path() / ("orva-resource-bench-" + std::to_string(::getpid()));
  std::vector<std::string> names;  // as the manifest lists them
  std::vector<std::string> paths;  // the same, with the folder
  double pixels = 0;               // in one load of the group
  std::string manifest, manifestNoPalette;
  bool ready = false;

  Files() {
    fs::create_directories(dir);
    std::mt19937 random(2024);
    bool written = true;
    const auto png = [&](const std::string& name, const ImageLib::Image& im) {
      names.push_back(name);
      written = written && ImageLib::WritePNGImage((dir / name).string(), &im);
      pixels += double(im.width) * im.height;
    };
    const int sizes[][2] = {{64, 64},   {64, 96},   {96, 96},   {128, 128}, {128, 96},
                            {160, 160}, {192, 192}, {256, 256}, {80, 120}};
    for (int i = 0; i < 36; ++i) {
      const int* s = sizes[i % std::size(sizes)];
      ImageLib::Image im(s[0], s[1]);
      Blob(im, 0, s[0], s[1], random);
      png("sprite" + std::to_string(i) + ".png", im);
    }
    const int panels[][2] = {{32, 32}, {48, 48}, {64, 32}, {96, 40}, {128, 48}};
    for (int i = 0; i < 10; ++i) {
      const int* s = panels[i % std::size(panels)];
      png("button" + std::to_string(i) + ".png", *Panel(s[0], s[1], random));
    }
    for (int i = 0; i < 8; ++i) {
      ImageLib::Image im(512, 64);
      for (int frame = 0; frame < 8; ++frame) Blob(im, frame * 64, 64, 64, random);
      png("anim" + std::to_string(i) + ".png", im);
    }
    for (int i = 0; i < 6; ++i) {
      const std::string name = "backdrop" + std::to_string(i) + ".jpg";
      const auto im = Background(random);
      names.push_back(name);
      written = written && ImageLib::WriteJPEGImage((dir / name).string(), im.get());
      pixels += 640.0 * 480;
    }
    for (const std::string& name : names) paths.push_back((dir / name).string());
    manifest = Manifest("");
    manifestNoPalette = Manifest(" nopal=\"true\"");
    ready = written;
  }
  ~Files() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  std::string Manifest(const std::string& attributes) const {
    std::string text = "<ResourceManifest>\n  <Resources id=\"Game\">\n    <SetDefaults path=\"";
    text += dir.string();
    text += "\"/>\n";
    for (const std::string& name : names) {
      text += "    <Image path=\"";
      text += name;
      text += "\"";
      text += attributes;
      text += "/>\n";
    }
    text += "  </Resources>\n</ResourceManifest>\n";
    return text;
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

void Rate(benchmark::State& state) {
  state.counters["pictures/s"] =
      benchmark::Counter(double(TheFiles().names.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["MP/s"] =
      benchmark::Counter(TheFiles().pixels * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

bool Check(benchmark::State& state, bool ok, const char* what) {
  if (!ok) state.SkipWithError(what);
  return ok;
}

// Like a loaded group, the pictures are all held until the end of a run and then let go.
void ImageLibAlone(benchmark::State& state) {
  if (!Check(state, TheFiles().ready, "could not write the files")) return;
  std::vector<std::unique_ptr<ImageLib::Image>> held;
  held.reserve(TheFiles().paths.size());
  for (auto _ : state) {
    for (const std::string& path : TheFiles().paths) {
      held.push_back(ImageLib::LoadImageFile(path));
      if (!Check(state, held.back() != nullptr, "could not read a file")) return;
    }
    held.clear();
  }
  Rate(state);
}

void MemoryImages(benchmark::State& state) {
  if (!Check(state, TheFiles().ready, "could not write the files")) return;
  Orva::StandaloneResourceHost host;
  std::vector<std::unique_ptr<Orva::MemoryImage>> held;
  held.reserve(TheFiles().paths.size());
  for (auto _ : state) {
    for (const std::string& path : TheFiles().paths) {
      held.push_back(Orva::LoadMemoryImage(path, host.GetImageHost()));
      if (!Check(state, held.back() != nullptr, "could not read a file")) return;
    }
    held.clear();
  }
  Rate(state);
}

void RunManager(benchmark::State& state, const std::string& manifest) {
  if (!Check(state, TheFiles().ready, "could not write the files")) return;
  Orva::StandaloneResourceHost host;
  Orva::ResourceManager manager(&host);
  if (!manager.ReadManifestFromText(manifest, "bench.xml")) {
    state.SkipWithError(manager.ErrorText().c_str());
    return;
  }
  for (auto _ : state) {
    if (!manager.LoadGroup("Game")) {
      state.SkipWithError(manager.ErrorText().c_str());
      return;
    }
    manager.UnloadGroup("Game");
    host.sharedImages.PurgeUnreferenced();
  }
  Rate(state);
}

void ManagerNoPalette(benchmark::State& state) { RunManager(state, TheFiles().manifestNoPalette); }
void Manager(benchmark::State& state) { RunManager(state, TheFiles().manifest); }

BENCHMARK(ImageLibAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(MemoryImages)->Unit(benchmark::kMillisecond);
BENCHMARK(ManagerNoPalette)->Unit(benchmark::kMillisecond);
BENCHMARK(Manager)->Unit(benchmark::kMillisecond);

void PrintSummary(const RateCollector& results) {
  const double alone = results.Rate("ImageLibAlone");
  std::printf("\nMedian pictures per second, a group of %zu (%.1f megapixels)\n", TheFiles().names.size(),
              TheFiles().pixels / 1e6);
  std::printf("%-34s%12s%12s%16s\n", "", "pictures/s", "ms/group", "time/ImageLib");
  const auto row = [&](const char* label, const char* name) {
    const double rate = results.Rate(name);
    if (rate <= 0) return;
    const double ms = 1000.0 * double(TheFiles().names.size()) / rate;
    if (alone > 0)
      std::printf("%-34s%12.0f%12.2f%16.3f\n", label, rate, ms, alone / rate);
    else
      std::printf("%-34s%12.0f%12.2f%16s\n", label, rate, ms, "-");
  };
  row("ImageLib::LoadImageFile alone", "ImageLibAlone");
  row("as memory images (LoadMemoryImage)", "MemoryImages");
  row("resource manager, nopal", "ManagerNoPalette");
  row("resource manager", "Manager");
  std::printf(
      "\ntime/ImageLib is the loading time over ImageLib's alone: the aim for the resource manager (with\n"
      "its defaults) is at most 1.15.\n");
}

}  // namespace

int main(int argc, char** argv) {
  // Whether glibc hands freed pictures back to the system (and faults the pages in again on the
  // next run) depended on where the last one freed happened to lie, so either side paid for it
  // at random from one process to the next. Fixed thresholds keep every run's memory in the heap.
  mallopt(M_MMAP_THRESHOLD, 64 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  std::vector<char*> args(argv, argv + argc);
  if (!InitializeBenchmarks(args, "0.3")) return 1;
  RateCollector collector("pictures/s");
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintSummary(collector);
  benchmark::Shutdown();
  return 0;
}
