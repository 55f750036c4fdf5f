#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <algorithm>
#include <vector>

#include "framework/resources/ImageLib.h"
#include "framework/resources/ImageReading.h"

#if !defined(JCS_EXTENSIONS)
#error "libjpeg-turbo's extended colour spaces (JCS_EXT_BGRA) are needed"
#endif

namespace ImageLib {
namespace {

// A progressive file can ask for any number of scans, each a pass over the whole picture;
// more than this is a damaged or hostile file.
constexpr int kMaxScans = 500;
// libjpeg's own working memory (coefficient buffers of progressive files), beside our pixels.
constexpr long kMaxDecoderMemory = 256L << 20;

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

// Errors come back by longjmp instead of libjpeg's default exit(); warnings are quiet.
void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }
void QuietMessage(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    ErrorExit(cinfo);
}

// Decodes into a malloc'd pixel array. Errors arrive by longjmp, so only plain data lives here.
uint32_t* DecodeJPEG(const uint8_t* data, size_t size, int* outWidth, int* outHeight) {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  jpeg_progress_mgr progress;
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = ErrorExit;
  errors.pub.output_message = QuietMessage;
  uint32_t* volatile pixels = nullptr;
  if (setjmp(errors.jump)) {
    std::free(pixels);
    jpeg_destroy_decompress(&cinfo);
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
  progress.progress_monitor = LimitScans;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
  // Grey and colour only; CMYK and other component counts are refused.
  if (cinfo.num_components != 1 && cinfo.num_components != 3) ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
  if (!Reading::SizeAllowed(cinfo.image_width, cinfo.image_height)) ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
  // B, G, R, 0xFF bytes are 0xFFRRGGBB words; grey is spread to all three.
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  const int width = int(cinfo.output_width), height = int(cinfo.output_height);
  pixels = Reading::AllocatePixels(width, height, false);
  if (!pixels) ErrorExit(reinterpret_cast<j_common_ptr>(&cinfo));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[4];
    for (int i = 0; i < 4; ++i) {
      const int y = std::min(int(cinfo.output_scanline) + i, height - 1);
      rows[i] = reinterpret_cast<JSAMPROW>(pixels + size_t(y) * size_t(width));
    }
    jpeg_read_scanlines(&cinfo, rows, std::min<JDIMENSION>(4, cinfo.output_height - cinfo.output_scanline));
  }
  // A file cut short past the last row still counts; what follows the pixels is not read.
  jpeg_destroy_decompress(&cinfo);
  *outWidth = width;
  *outHeight = height;
  return pixels;
}

bool EncodeJPEG(std::FILE* file, const Image* image) {
  jpeg_compress_struct cinfo;
  ErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = ErrorExit;
  errors.pub.output_message = QuietMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = JDIMENSION(image->width);
  cinfo.image_height = JDIMENSION(image->height);
  // Pixel words lie in memory as B, G, R, A; the alpha byte is skipped.
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 80, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(
        reinterpret_cast<const JSAMPLE*>(image->bits.get() + size_t(cinfo.next_scanline) * size_t(image->width)));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

std::unique_ptr<Image> GetJPEGImage(const std::string& fileName) {
  std::vector<uint8_t> data;
  if (!Reading::ReadWholeFile(fileName, data) || data.empty()) return nullptr;
  int width = 0, height = 0;
  uint32_t* pixels = DecodeJPEG(data.data(), data.size(), &width, &height);
  return Reading::AdoptPixels(pixels, width, height);
}

bool WriteJPEGImage(const std::string& fileName, const Image* image) {
  if (!image || !image->bits || image->width <= 0 || image->height <= 0) return false;
  return Reading::WriteAtomically(fileName, [image](std::FILE* file) { return EncodeJPEG(file, image); });
}

}  // namespace ImageLib
