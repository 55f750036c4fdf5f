#pragma once

#include <memory>
#include <string>

#include "framework/graphics/Font.h"

namespace Orva {

class ImageHost;

// A font installed on the system, found by face name through fontconfig and rendered with
// FreeType. Meant for occasional text (edit fields, fallback text): every draw renders the string
// anew into a temporary image. A font that cannot be created has zero metrics and draws nothing.
class SysFont : public Font {
 public:
  // The resolution a point size is converted at. There is no per-window resolution to ask for
  // here, so useDevCaps gives the same 96.
  static constexpr int kDpi = 96;
  // Pixel sizes beyond this make no font (a typo in a data file must not allocate gigabytes).
  static constexpr int kMaxPixelSize = 1000;

  bool drawShadow = false;    // black copy one pixel right and down
  bool simulateBold = false;  // every pass drawn twice, the second one pixel right

  // charSet is accepted for the callers' sake and ignored: strings are Latin-1.
  SysFont(ImageHost* app, const std::string& faceName, int pointSize, int charSet, bool bold, bool italic,
          bool underline, bool useDevCaps);
  SysFont(ImageHost* app, const std::string& faceName, int pointSize, int charSet = 0);
  ~SysFont() override;
  SysFont(const SysFont&) = delete;
  SysFont& operator=(const SysFont&) = delete;

  // A font straight from a font file, bypassing the face-name lookup; pixelSize is the em height.
  static std::unique_ptr<SysFont> FromFile(ImageHost* app, const std::string& path, int pixelSize, bool bold = false,
                                           bool italic = false, bool underline = false);

  // pointSize * dpi / 72, rounded to nearest with halves away from zero.
  static int PointsToPixels(int pointSize, int dpi);
  // The free family list a classic desktop face name stands for, or the name itself.
  static std::string SubstituteFaceName(const std::string& faceName);

  bool IsValid() const;
  // The file the face was loaded from and its family name (empty when invalid).
  const std::string& GetFilePath() const { return filePath_; }
  std::string GetFamilyName() const;

  int StringWidth(const std::string& text) override;
  void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                  const Rect& clipRect) override;
  Font* Duplicate() override;

 private:
  struct Face;

  struct FileTag {};
  SysFont(FileTag, ImageHost* app, const std::string& path, int faceIndex, int pixelSize, bool bold, bool italic,
          bool underline, bool embolden, bool oblique);
  void Load(const std::string& path, int faceIndex);
  int Advance(unsigned char c);  // in pixels, cached
  // Adds one rendering of the text (glyphs and underline) into an 8-bit coverage buffer whose
  // top-left is the text's (originX, originY) relative to the text box's top-left.
  void RenderPass(const std::string& text, uint8_t* coverage, int bufW, int bufH, int originX, int originY);

  ImageHost* app_ = nullptr;
  std::string filePath_;
  int faceIndex_ = 0;
  int pixelSize_ = 0;
  bool bold_ = false;
  bool italic_ = false;
  bool underline_ = false;
  bool embolden_ = false;  // the matched file has no bold: thicken the outlines
  bool oblique_ = false;   // the matched file has no italic: slant the outlines
  std::unique_ptr<Face> face_;
};

}  // namespace Orva
