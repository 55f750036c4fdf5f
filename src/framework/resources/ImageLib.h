#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// The image file library: plain 32-bit pixel arrays in and out of image files. It does not
// depend on the rest of the framework; every file it reads comes through the archive layer.
namespace ImageLib {

// Pixel arrays come from malloc (calloc when zeroed), so the pages of a large zeroed picture are
// not touched until something is written there.
struct PixelDeleter {
  void operator()(uint32_t* pixels) const { std::free(pixels); }
};
using PixelArray = std::unique_ptr<uint32_t[], PixelDeleter>;

class Image {
 public:
  int width = 0;
  int height = 0;
  PixelArray bits;  // width * height pixels, 0xAARRGGBB, top row first

  Image() = default;
  Image(int w, int h);  // zeroed pixels; an impossible size leaves the image empty
  virtual ~Image() = default;
};

// The colour given to an image that exists only as an alpha image (see LoadImageFile). One per
// thread, so a loading thread that sets it for one picture does not change another thread's.
extern thread_local uint32_t alphaComposeColor;

// Why the last LoadImageFile on this thread found nothing, when a reader could tell more than
// "missing or damaged" (a file too large, a FIFO in its place); empty otherwise.
extern thread_local std::string loadProblem;

// Readers that need a file in one piece (JPEG, GIF, JPEG 2000) refuse files larger than this.
inline constexpr uint64_t kMaxImageFileBytes = uint64_t(256) << 20;

// Loaders refuse pictures wider or taller than this, or with more pixels than kMaxImagePixels,
// so a damaged header cannot make them allocate gigabytes.
inline constexpr int kMaxImageSide = 16384;
inline constexpr int64_t kMaxImagePixels = int64_t(64) << 20;

// Loads an image by name. With an extension (".tga", ".jpg", ".png", ".gif", ".j2k" or ".jp2",
// any case) only that format is tried; without one, each in that order, first found wins. Any
// other extension finds nothing.
// With lookForAlphaImage, an alpha image is looked for under the base name (the name without its
// extension) with "_" before its file part ("images/_ball") and then with "_" after it
// ("images/ball_"), each in any format. Beside a colour image of the same size its blue channel
// becomes the colour image's alpha; alone it becomes the result in alphaComposeColor.
std::unique_ptr<Image> LoadImageFile(const std::string& fileName, bool lookForAlphaImage = true);

// One format each, by the full file name; null when the file is missing, damaged or refused.
std::unique_ptr<Image> GetTGAImage(const std::string& fileName);
std::unique_ptr<Image> GetJPEGImage(const std::string& fileName);
std::unique_ptr<Image> GetPNGImage(const std::string& fileName);
std::unique_ptr<Image> GetGIFImage(const std::string& fileName);
// JPEG 2000 codestream or JP2 file; needs libopenjp2.so.7 at run time, finds nothing without it.
std::unique_ptr<Image> GetJPEG2000Image(const std::string& fileName);

// 8-bit RGBA PNG. The file appears whole or not at all: it is written beside and renamed.
bool WritePNGImage(const std::string& fileName, const Image* image);
// RGB JPEG at quality 80; alpha is dropped. Written beside and renamed, like WritePNGImage.
bool WriteJPEGImage(const std::string& fileName, const Image* image);

}  // namespace ImageLib
