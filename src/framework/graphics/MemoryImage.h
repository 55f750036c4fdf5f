#pragma once

#include <cstdint>
#include <memory>

#include "framework/graphics/Image.h"

namespace Orva {

class ImageHost;
struct NativeDisplay;

// A picture in system memory as 32-bit ARGB (or, on request, as a 256-colour palette), drawn in
// software. Derived forms (run-length alpha classes, premultiplied display-format pixels) are
// cached until the pixels change. The pixel array carries one extra guard word after the last
// pixel so that overruns show.
class MemoryImage : public Image {
 public:
  static constexpr uint32_t kGuardWord = 0x4BEEFADE;

  std::unique_ptr<uint32_t[]> bits;  // width * height + 1 words, or none
  int changeCount = 0;
  void* surfaceData = nullptr;  // the accelerated back-end's texture data (unused here)
  uint32_t surfaceFlags = 0;
  std::unique_ptr<uint32_t[]> palette;        // 256 entries, or none
  std::unique_ptr<uint8_t[]> paletteIndices;  // width * height, or none
  bool modeForced = false;
  bool hasTransparent = false;
  bool hasTranslucent = false;
  bool volatileContents = false;
  bool purgeAfterUpload = false;
  bool wantPalette = false;
  std::unique_ptr<uint32_t[]> displayAlphaData;
  std::unique_ptr<uint8_t[]> runAlphaData;
  std::unique_ptr<uint8_t[]> runAdditiveData;
  bool pixelsDirty = true;
  ImageHost* app = nullptr;

 private:
  size_t displayAlphaCount_ = 0;  // entries in displayAlphaData (pixels, or 256 for a palette)

 public:
  explicit MemoryImage(ImageHost* app = nullptr);
  MemoryImage(const MemoryImage& other);
  ~MemoryImage() override;

  virtual uint32_t* GetDisplayAlphaData(const NativeDisplay& display);
  virtual uint8_t* GetRunAlphaData();
  virtual uint8_t* GetRunAdditiveData(const NativeDisplay& display);
  virtual void PurgePixels();
  virtual void DropSoftwareCaches();
  virtual void DropTexture();
  virtual void DropAllCaches();
  virtual void ReapplyModes();
  virtual void PixelsChanged();
  virtual void UpdateAlphaFlags();
  virtual void DropDisplayData();
  virtual void Clear();
  virtual void SetPixels(const uint32_t* data, int w, int h, bool commit);
  virtual void Create(int w, int h);
  virtual uint32_t* GetPixels();
  virtual void ForceAlphaFlags(bool transparent, bool translucent);
  virtual void SetVolatile(bool isVolatile);
  virtual bool Palettize();

  // True when the guard word after the pixels is intact (or there are no pixels).
  bool GuardIntact() const;
  // Pixel count, or 0 when width * height * 4 would leave the 32-bit range.
  size_t PixelCount() const;
  // The display description of the owning application, or the default 32-bit one.
  const NativeDisplay& Display() const;

  // Drawing (software). Rectangles are in this image's pixels; see Graphics for the rules.
  void FillRect(const Rect& rect, const Color& color, int drawMode) override;
  void ClearRect(const Rect& rect) override;
  void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
  void DrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color, int drawMode) override;
  void FillSpansCovered(const Span* spans, int count, const Color& color, int drawMode, const uint8_t* coverage,
                        int coverX, int coverY, int coverWidth, int coverHeight) override;
  void Blit(Image* image, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
  void BlitSubpixel(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect, const Color& color,
                    int drawMode) override;
  void BlitRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect, const Color& color,
                   int drawMode, double rot, float rotCenterX, float rotCenterY) override;
  void BlitStretched(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect, const Color& color,
                     int drawMode, bool fastStretch) override;
  void BlitTransformed(Image* image, float x, float y, const Matrix3& matrix, const Rect& clipRect, const Color& color,
                       int drawMode, const Rect& srcRect, bool blend) override;
  void BlitTriangles(Image* texture, const TriVertex (*triangles)[3], int count, const Rect& clipRect,
                     const Color& color, int drawMode, float tx, float ty, bool blend) override;

 protected:
  // Mirrored drawing is the display surface's (DDImage); shared with it here.
  void BlitMirroredSoftware(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
  void BlitStretchedSoftware(MemoryImage* src, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                             const Color& color, bool fastStretch, bool mirror);

 private:
  void FreePixelForms();
  // Copies one row of the source (32-bit or palette form) for drawing; null when it has none.
  const uint32_t* SourceRow(int x, int y, int n, uint32_t* scratch);
  // Composes a row of source pixels onto row y of this image from column x with the blit rules.
  void ComposeRow(int x, int y, const uint32_t* src, const uint8_t* runs, int n, const Color& color, int drawMode,
                  bool opaqueDest, bool partialAlpha);
  bool IsOpaqueDestination() const;
  // The pixel rows to read for drawing from this image as a source; null when it has none.
  // One pixel of a line: the colour with its alpha scaled by alphaScale / 256; outside is ignored.
  void BlendPixel(int x, int y, const Color& color, int drawMode, int alphaScale);

  struct TriangleEdges {
    float x[3], y[3];
    bool Inside(float px, float py) const;
  };
  // Draws src through a destination -> source mapping (matrix and triangle blits).
  void DrawMapped(MemoryImage* src, const Rect& srcRect, const Rect& clipRect, const Matrix3& forward,
                  const Matrix3& inverse, const Color& color, bool blend);
  void WalkAndSample(MemoryImage* src, const Rect& area, const Rect& srcRect, const Rect& box, const Matrix3& inverse,
                     const Color& color, bool blend, const TriangleEdges* triangle);
};

}  // namespace Orva
