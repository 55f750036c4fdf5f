#include <dlfcn.h>
#include <openjpeg.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "framework/resources/ImageLib.h"
#include "framework/resources/ImageReading.h"

namespace ImageLib {
namespace {

// OpenJPEG is loaded on first use rather than linked, so the program runs without it (and the
// two JPEG 2000 formats then find nothing). Only its types come from the header.
struct OpenJpeg {
  bool usable = false;
  decltype(&opj_version) version = nullptr;
  decltype(&opj_create_decompress) createDecompress = nullptr;
  decltype(&opj_set_default_decoder_parameters) setDefaultDecoderParameters = nullptr;
  decltype(&opj_setup_decoder) setupDecoder = nullptr;
  decltype(&opj_set_error_handler) setErrorHandler = nullptr;
  decltype(&opj_set_warning_handler) setWarningHandler = nullptr;
  decltype(&opj_set_info_handler) setInfoHandler = nullptr;
  decltype(&opj_stream_create) streamCreate = nullptr;
  decltype(&opj_stream_set_read_function) streamSetRead = nullptr;
  decltype(&opj_stream_set_skip_function) streamSetSkip = nullptr;
  decltype(&opj_stream_set_seek_function) streamSetSeek = nullptr;
  decltype(&opj_stream_set_user_data) streamSetUserData = nullptr;
  decltype(&opj_stream_set_user_data_length) streamSetUserDataLength = nullptr;
  decltype(&opj_stream_destroy) streamDestroy = nullptr;
  decltype(&opj_read_header) readHeader = nullptr;
  decltype(&opj_decode) decode = nullptr;
  decltype(&opj_end_decompress) endDecompress = nullptr;
  decltype(&opj_destroy_codec) destroyCodec = nullptr;
  decltype(&opj_image_destroy) imageDestroy = nullptr;
};

template <typename F>
bool Resolve(void* library, const char* name, F& function) {
  function = reinterpret_cast<F>(dlsym(library, name));
  return function != nullptr;
}

void Load(OpenJpeg& lib) {
  void* library = dlopen("libopenjp2.so.7", RTLD_NOW | RTLD_LOCAL);
  if (!library) return;
  const bool all = Resolve(library, "opj_version", lib.version) &&
                   Resolve(library, "opj_create_decompress", lib.createDecompress) &&
                   Resolve(library, "opj_set_default_decoder_parameters", lib.setDefaultDecoderParameters) &&
                   Resolve(library, "opj_setup_decoder", lib.setupDecoder) &&
                   Resolve(library, "opj_set_error_handler", lib.setErrorHandler) &&
                   Resolve(library, "opj_set_warning_handler", lib.setWarningHandler) &&
                   Resolve(library, "opj_set_info_handler", lib.setInfoHandler) &&
                   Resolve(library, "opj_stream_create", lib.streamCreate) &&
                   Resolve(library, "opj_stream_set_read_function", lib.streamSetRead) &&
                   Resolve(library, "opj_stream_set_skip_function", lib.streamSetSkip) &&
                   Resolve(library, "opj_stream_set_seek_function", lib.streamSetSeek) &&
                   Resolve(library, "opj_stream_set_user_data", lib.streamSetUserData) &&
                   Resolve(library, "opj_stream_set_user_data_length", lib.streamSetUserDataLength) &&
                   Resolve(library, "opj_stream_destroy", lib.streamDestroy) &&
                   Resolve(library, "opj_read_header", lib.readHeader) && Resolve(library, "opj_decode", lib.decode) &&
                   Resolve(library, "opj_end_decompress", lib.endDecompress) &&
                   Resolve(library, "opj_destroy_codec", lib.destroyCodec) &&
                   Resolve(library, "opj_image_destroy", lib.imageDestroy);
  // The interface used here is that of the 2.x series.
  const char* version = all ? lib.version() : nullptr;
  lib.usable = version && version[0] == '2' && version[1] == '.';
  // The library stays loaded for the life of the process; its functions are kept.
  if (!lib.usable) dlclose(library);
}

const OpenJpeg& Library() {
  static OpenJpeg lib;
  static std::once_flag once;
  std::call_once(once, [] { Load(lib); });
  return lib;
}

// A memory stream over the file's bytes.
struct Buffer {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

OPJ_SIZE_T ReadBuffer(void* out, OPJ_SIZE_T count, void* user) {
  auto* b = static_cast<Buffer*>(user);
  if (b->pos >= b->size) return OPJ_SIZE_T(-1);
  const size_t n = std::min<size_t>(count, b->size - b->pos);
  std::memcpy(out, b->data + b->pos, n);
  b->pos += n;
  return n;
}

OPJ_OFF_T SkipBuffer(OPJ_OFF_T count, void* user) {
  auto* b = static_cast<Buffer*>(user);
  if (count < 0) {
    if (size_t(-count) > b->pos) return -1;
  } else if (uint64_t(count) > b->size - b->pos) {
    count = OPJ_OFF_T(b->size - b->pos);
  }
  b->pos = size_t(OPJ_OFF_T(b->pos) + count);
  return count;
}

OPJ_BOOL SeekBuffer(OPJ_OFF_T to, void* user) {
  auto* b = static_cast<Buffer*>(user);
  if (to < 0 || uint64_t(to) > b->size) return OPJ_FALSE;
  b->pos = size_t(to);
  return OPJ_TRUE;
}

void Quiet(const char*, void*) {}

// One component sample scaled to 8 bits.
inline uint32_t To8(OPJ_INT32 value, const opj_image_comp_t& comp) {
  int64_t v = int64_t(value) + (comp.sgnd ? int64_t(1) << (comp.prec - 1) : 0);
  const int64_t top = (int64_t(1) << comp.prec) - 1;
  v = std::clamp<int64_t>(v, 0, top);
  if (comp.prec > 8) return uint32_t(v >> (comp.prec - 8));
  return uint32_t(v * 255 / top);
}

// Grey (one or two components) or colour (three or more); alpha is not kept. Components of
// different sizes (subsampled chroma) are refused.
std::unique_ptr<Image> Convert(const opj_image_t* decoded) {
  if (!decoded || decoded->numcomps == 0 || !decoded->comps) return nullptr;
  const int used = decoded->numcomps >= 3 ? 3 : 1;
  const opj_image_comp_t* comps = decoded->comps;
  const OPJ_UINT32 w = comps[0].w, h = comps[0].h;
  for (int i = 0; i < used; ++i) {
    const opj_image_comp_t& c = comps[i];
    if (!c.data || c.w != w || c.h != h || c.dx != comps[0].dx || c.dy != comps[0].dy || c.prec < 1 || c.prec > 31)
      return nullptr;
  }
  if (!Reading::SizeAllowed(w, h)) return nullptr;
  auto image = std::make_unique<Image>(int(w), int(h));
  if (!image->bits) return nullptr;
  const size_t count = size_t(w) * size_t(h);
  uint32_t* px = image->bits.get();
  if (used == 1) {
    for (size_t i = 0; i < count; ++i) px[i] = 0xFF000000u | To8(comps[0].data[i], comps[0]) * 0x010101u;
  } else {
    for (size_t i = 0; i < count; ++i)
      px[i] = 0xFF000000u | (To8(comps[0].data[i], comps[0]) << 16) | (To8(comps[1].data[i], comps[1]) << 8) |
              To8(comps[2].data[i], comps[2]);
  }
  return image;
}

std::unique_ptr<Image> DecodeJPEG2000(const OpenJpeg& lib, const uint8_t* data, size_t size) {
  // A JP2 file starts with its signature box; anything else is taken as a bare codestream.
  static constexpr uint8_t kJp2Signature[] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' '};
  const bool jp2 = size >= sizeof kJp2Signature && std::memcmp(data, kJp2Signature, sizeof kJp2Signature) == 0;
  opj_codec_t* codec = lib.createDecompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  if (!codec) return nullptr;
  lib.setErrorHandler(codec, Quiet, nullptr);
  lib.setWarningHandler(codec, Quiet, nullptr);
  lib.setInfoHandler(codec, Quiet, nullptr);
  opj_dparameters_t parameters;
  lib.setDefaultDecoderParameters(&parameters);
  std::unique_ptr<Image> result;
  opj_stream_t* stream = nullptr;
  opj_image_t* decoded = nullptr;
  Buffer buffer{data, size, 0};
  if (lib.setupDecoder(codec, &parameters) && (stream = lib.streamCreate(64 * 1024, OPJ_TRUE)) != nullptr) {
    lib.streamSetRead(stream, ReadBuffer);
    lib.streamSetSkip(stream, SkipBuffer);
    lib.streamSetSeek(stream, SeekBuffer);
    lib.streamSetUserData(stream, &buffer, nullptr);
    lib.streamSetUserDataLength(stream, size);
    // Every component is decoded to 32-bit samples, so more than four is refused with the size.
    if (lib.readHeader(stream, codec, &decoded) && decoded && decoded->numcomps <= 4 &&
        Reading::SizeAllowed(int64_t(decoded->x1) - decoded->x0, int64_t(decoded->y1) - decoded->y0) &&
        lib.decode(codec, stream, decoded) && lib.endDecompress(codec, stream))
      result = Convert(decoded);
  }
  if (decoded) lib.imageDestroy(decoded);
  if (stream) lib.streamDestroy(stream);
  lib.destroyCodec(codec);
  return result;
}

}  // namespace

std::unique_ptr<Image> GetJPEG2000Image(const std::string& fileName) {
  const OpenJpeg& lib = Library();
  if (!lib.usable) return nullptr;
  std::vector<uint8_t> data;
  if (!Reading::ReadWholeFile(fileName, data) || data.empty()) return nullptr;
  return DecodeJPEG2000(lib, data.data(), data.size());
}

}  // namespace ImageLib
