// Image file loading: our PNG and JPEG loaders (reading through the archive layer's disk
// fall-back) next to libpng and libjpeg alone decoding the same 640x480 files into the same
// 0xAARRGGBB layout, and our GIF decoder's speed. Rates are megapixels per second; a table of
// ratios follows the usual output. The files are made by the benchmark in a scratch folder and
// stay in the page cache, so the runs measure decoding rather than the disk.

#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "BenchSupport.h"
#include "framework/resources/ImageLib.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kPixels = double(kWidth) * kHeight;

// A GIF of the given indices (row order, 256 colours) through a plain LZW encoder.
std::vector<uint8_t> EncodeGif(const std::vector<uint8_t>& indices, const std::vector<uint32_t>& colours) {
  std::vector<uint8_t> out = {'G',          'I',  'F', '8', '9', 'a', kWidth & 0xFF, kWidth >> 8, kHeight & 0xFF,
                              kHeight >> 8, 0xF7, 0,   0};
  for (uint32_t c : colours) out.insert(out.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  out.insert(out.end(), {',', 0, 0, 0, 0, kWidth & 0xFF, kWidth >> 8, kHeight & 0xFF, kHeight >> 8, 0, 8});
  std::vector<uint8_t> codes;
  uint32_t acc = 0;
  int bits = 0;
  const auto put = [&](int code, int size) {
    acc |= uint32_t(code) << bits;
    for (bits += size; bits >= 8; bits -= 8, acc >>= 8) codes.push_back(uint8_t(acc));
  };
  const int clear = 256;
  int next = clear + 2, size = 9;
  std::map<std::pair<int, int>, int> dict;
  put(clear, size);
  int w = indices[0];
  for (size_t i = 1; i < indices.size(); ++i) {
    const int k = indices[i];
    if (const auto found = dict.find({w, k}); found != dict.end()) {
      w = found->second;
      continue;
    }
    put(w, size);
    if (next >= (1 << size) && size < 12) ++size;
    dict[{w, k}] = next++;
    if (next == 4096) {
      put(clear, size);
      dict.clear();
      next = clear + 2;
      size = 9;
    }
    w = k;
  }
  put(w, size);
  if (next >= (1 << size) && size < 12) ++size;
  put(clear + 1, size);
  if (bits > 0) codes.push_back(uint8_t(acc));
  for (size_t i = 0; i < codes.size(); i += 255) {
    const size_t n = std::min<size_t>(255, codes.size() - i);
    out.push_back(uint8_t(n));
    out.insert(out.end(), codes.begin() + long(i), codes.begin() + long(i + n));
  }
  out.insert(out.end(), {0, ';'});
  return out;
}

// The files: smooth shading with a little noise and some hard edges, like game art.
struct Files {
  fs::path dir = fs::temp_directory_path() / ("orva-image-bench-" + std::to_string(::getpid()));
  std::string png, jpeg, gif;
  bool ready = false;

  Files() {
    fs::create_directories(dir);
    png = (dir / "picture.png").string();
    jpeg = (dir / "picture.jpg").string();
    gif = (dir / "picture.gif").string();
    ImageLib::Image picture(kWidth, kHeight);
    std::vector<uint8_t> indices(size_t(kWidth) * kHeight);
    std::mt19937 random(7);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const int noise = int(random() % 9) - 4;
        const bool inside = ((x / 80) + (y / 60)) % 3 == 0;
        const int r = std::clamp(x * 255 / kWidth + noise, 0, 255);
        const int g = std::clamp(y * 255 / kHeight - noise, 0, 255);
        const int b = inside ? 200 : 40;
        const int a = inside ? 255 : std::clamp(128 + (x - y) / 8, 0, 255);
        picture.bits[size_t(y) * kWidth + x] = uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        indices[size_t(y) * kWidth + x] = uint8_t((inside ? 128 : 0) + ((x / 5 + y / 4 + (noise > 2)) & 127));
      }
    }
    std::vector<uint32_t> colours(256);
    for (int i = 0; i < 256; ++i) colours[size_t(i)] = uint32_t(i * 0x010305) & 0xFFFFFF;
    const std::vector<uint8_t> gifBytes = EncodeGif(indices, colours);
    std::FILE* out = std::fopen(gif.c_str(), "wb");
    if (!out) return;
    std::fwrite(gifBytes.data(), 1, gifBytes.size(), out);
    std::fclose(out);
    ready = ImageLib::WritePNGImage(png, &picture) && ImageLib::WriteJPEGImage(jpeg, &picture);
  }
  ~Files() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

void Rate(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(kPixels * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

bool Check(benchmark::State& state, bool ok) {
  if (!ok) state.SkipWithError("could not make or read the file");
  return ok;
}

void PngOurs(benchmark::State& state) {
  if (!Check(state, TheFiles().ready)) return;
  for (auto _ : state) {
    auto image = ImageLib::GetPNGImage(TheFiles().png);
    if (!Check(state, image != nullptr)) return;
    benchmark::DoNotOptimize(image->bits.get());
  }
  Rate(state);
}

// libpng alone: the same transforms, rows into one buffer, read with stdio.
bool LibpngDecode(const std::string& path, std::unique_ptr<uint32_t[]>& pixels) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  pixels.reset(new uint32_t[size_t(w) * h]);
  for (png_uint_32 y = 0; y < h; ++y) png_read_row(png, reinterpret_cast<png_bytep>(&pixels[size_t(y) * w]), nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return true;
}

void PngLibrary(benchmark::State& state) {
  if (!Check(state, TheFiles().ready)) return;
  for (auto _ : state) {
    std::unique_ptr<uint32_t[]> pixels;
    if (!Check(state, LibpngDecode(TheFiles().png, pixels))) return;
    benchmark::DoNotOptimize(pixels.get());
  }
  Rate(state);
}

void JpegOurs(benchmark::State& state) {
  if (!Check(state, TheFiles().ready)) return;
  for (auto _ : state) {
    auto image = ImageLib::GetJPEGImage(TheFiles().jpeg);
    if (!Check(state, image != nullptr)) return;
    benchmark::DoNotOptimize(image->bits.get());
  }
  Rate(state);
}

// libjpeg alone: the file read into memory, decoded to the same B, G, R, A bytes.
bool LibjpegDecode(const std::string& path, std::unique_ptr<uint32_t[]>& pixels) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::vector<uint8_t> data(size_t(fs::file_size(path)));
  const bool read = std::fread(data.data(), 1, data.size(), file) == data.size();
  std::fclose(file);
  if (!read) return false;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  pixels.reset(new uint32_t[size_t(cinfo.output_width) * cinfo.output_height]);
  // Several rows a call, as the loader does: one row a call costs libjpeg-turbo an extra copy.
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[4];
    for (JDIMENSION i = 0; i < 4; ++i) {
      const JDIMENSION y = std::min(cinfo.output_scanline + i, cinfo.output_height - 1);
      rows[i] = reinterpret_cast<JSAMPROW>(&pixels[size_t(y) * cinfo.output_width]);
    }
    jpeg_read_scanlines(&cinfo, rows, std::min<JDIMENSION>(4, cinfo.output_height - cinfo.output_scanline));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

void JpegLibrary(benchmark::State& state) {
  if (!Check(state, TheFiles().ready)) return;
  for (auto _ : state) {
    std::unique_ptr<uint32_t[]> pixels;
    if (!Check(state, LibjpegDecode(TheFiles().jpeg, pixels))) return;
    benchmark::DoNotOptimize(pixels.get());
  }
  Rate(state);
}

void GifOurs(benchmark::State& state) {
  if (!Check(state, TheFiles().ready)) return;
  for (auto _ : state) {
    auto image = ImageLib::GetGIFImage(TheFiles().gif);
    if (!Check(state, image != nullptr)) return;
    benchmark::DoNotOptimize(image->bits.get());
  }
  Rate(state);
}

BENCHMARK(PngOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(PngLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(JpegLibrary)->Unit(benchmark::kMillisecond);
BENCHMARK(GifOurs)->Unit(benchmark::kMillisecond);

void PrintSummary(const RateCollector& results) {
  std::printf("\nMedian megapixels per second, %dx%d\n", kWidth, kHeight);
  std::printf("%-8s%10s%10s%16s\n", "format", "ours", "library", "ours time/lib");
  const auto row = [&](const char* name, double ours, double library) {
    if (ours < 0) return;
    if (library > 0)
      std::printf("%-8s%10.1f%10.1f%16.3f\n", name, ours, library, library / ours);
    else
      std::printf("%-8s%10.1f%10s%16s\n", name, ours, "-", "-");
  };
  row("PNG", results.Rate("PngOurs"), results.Rate("PngLibrary"));
  row("JPEG", results.Rate("JpegOurs"), results.Rate("JpegLibrary"));
  row("GIF", results.Rate("GifOurs"), -1);
  std::printf(
      "\nours time/lib is our loading time over the library's alone: the aim is at most 1.1.\n"
      "GIF has no library to compare with (our own decoder); the aim is at least 50 MP/s.\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  if (!InitializeBenchmarks(args, "0.2")) return 1;
  RateCollector collector("MP/s");
  benchmark::RunSpecifiedBenchmarks(&collector);
  PrintSummary(collector);
  benchmark::Shutdown();
  return 0;
}
