#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/graphics/Matrix3.h"
#include "framework/graphics/Rect.h"

namespace Orva {

// How the cels of an image play as an animation (filled from the resource manifest).
class CelAnimation {
 public:
  enum LoopMode { kNoLoop = 0, kPingPong = 2 };

  int loopMode = kNoLoop;
  int frameDelay = 1;  // update ticks per frame unless frameDelays says otherwise
  int celCount = 1;
  std::vector<int> frameDelays;
  std::vector<int> frameCels;  // frame -> cel; empty means frame n shows cel n
  int totalTime = 0;

  void Setup(int celCount, int beginDelay, int endDelay);
};

// One corner of a textured triangle: position in destination pixels, texture position as a
// fraction (0..1) of the texture's width and height, and a vertex colour (ARGB).
struct TriVertex {
  float x = 0, y = 0;
  float u = 0, v = 0;
  uint32_t color = 0xFFFFFFFF;
};

// Any picture: loaded artwork, the back buffer, glyph sheets, screenshots. The drawing
// operations are the destination's; a Graphics has already translated and clipped the request
// unless an operation takes a clip rectangle of its own. Draw mode 0 blends, 1 adds.
class Image {
 public:
  bool drawn = false;  // set every time this image is drawn onto another one
  std::string filePath;
  int width = 0;
  int height = 0;
  int numRows = 1;
  int numCols = 1;
  std::unique_ptr<CelAnimation> animation;

  Image() = default;
  // A copy keeps size, grid and animation but not the file path or the drawn mark.
  Image(const Image& other);
  Image& operator=(const Image&) = delete;
  virtual ~Image();

  virtual bool FillPolygonAccelerated(const Point* vertices, int count, const Rect* clipRect, const Color& color,
                                      int drawMode, int tx, int ty, bool convex);
  virtual void FillRect(const Rect& rect, const Color& color, int drawMode);
  virtual void DrawRect(const Rect& rect, const Color& color, int drawMode);
  virtual void ClearRect(const Rect& rect) = 0;
  virtual void DrawLine(double x1, double y1, double x2, double y2, const Color& color, int drawMode);
  virtual void DrawLineSmooth(double x1, double y1, double x2, double y2, const Color& color, int drawMode);
  virtual void FillSpans(const Span* spans, int count, const Color& color, int drawMode);
  virtual void FillSpansCovered(const Span* spans, int count, const Color& color, int drawMode, const uint8_t* coverage,
                                int coverX, int coverY, int coverWidth, int coverHeight);
  virtual void Blit(Image* image, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
  virtual void BlitSubpixel(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                            const Color& color, int drawMode);
  virtual void BlitRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clipRect,
                           const Color& color, int drawMode, double rot, float rotCenterX, float rotCenterY);
  virtual void BlitStretched(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                             const Color& color, int drawMode, bool fastStretch);
  virtual void BlitTransformed(Image* image, float x, float y, const Matrix3& matrix, const Rect& clipRect,
                               const Color& color, int drawMode, const Rect& srcRect, bool blend);
  virtual void BlitTriangles(Image* texture, const TriVertex (*triangles)[3], int count, const Rect& clipRect,
                             const Color& color, int drawMode, float tx, float ty, bool blend);
  virtual void BlitMirrored(Image* image, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
  virtual void BlitStretchedMirrored(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clipRect,
                                     const Color& color, int drawMode, bool fastStretch);

  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  int GetCelWidth() const { return numCols > 0 ? width / numCols : 0; }
  int GetCelHeight() const { return numRows > 0 ? height / numRows : 0; }
  Rect GetCelRect(int cel) const;
};

}  // namespace Orva
