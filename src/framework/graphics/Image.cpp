#include "framework/graphics/Image.h"

#include <algorithm>

namespace Orva {

void CelAnimation::Setup(int count, int beginDelay, int endDelay) {
  celCount = std::max(1, count);
  frameDelay = std::max(1, frameDelay);
  if (loopMode == kPingPong && celCount > 1) {
    frameCels.clear();
    for (int i = 0; i < celCount; ++i) frameCels.push_back(i);
    for (int i = celCount - 2; i >= 1; --i) frameCels.push_back(i);
  }
  if (!frameCels.empty()) celCount = int(frameCels.size());
  if (beginDelay > 0) {
    if (frameDelays.empty()) frameDelays.resize(1);
    frameDelays[0] = beginDelay;
  }
  if (endDelay > 0) {
    if (int(frameDelays.size()) < celCount) frameDelays.resize(celCount);
    frameDelays[celCount - 1] = endDelay;
  }
  if (!frameDelays.empty()) {
    frameDelays.resize(celCount);
    totalTime = 0;
    for (int& delay : frameDelays) {
      if (delay < 1) delay = frameDelay;
      totalTime += delay;
    }
  } else {
    totalTime = celCount * frameDelay;
  }
  if (!frameCels.empty()) frameCels.resize(celCount);
}

Image::Image(const Image& other)
    : width(other.width),
      height(other.height),
      numRows(other.numRows),
      numCols(other.numCols),
      animation(other.animation ? std::make_unique<CelAnimation>(*other.animation) : nullptr) {}

Image::~Image() = default;

Rect Image::GetCelRect(int cel) const {
  const int cols = std::max(1, numCols);
  const int cw = GetCelWidth(), ch = GetCelHeight();
  return Rect((cel % cols) * cw, (cel / cols) * ch, cw, ch);
}

bool Image::FillPolygonAccelerated(const Point*, int, const Rect*, const Color&, int, int, int, bool) { return false; }

void Image::FillRect(const Rect&, const Color&, int) {}

void Image::DrawRect(const Rect& r, const Color& color, int drawMode) {
  FillRect(Rect(r.x, r.y, r.width + 1, 1), color, drawMode);
  FillRect(Rect(r.x, r.y + r.height, r.width + 1, 1), color, drawMode);
  FillRect(Rect(r.x, r.y + 1, 1, r.height - 1), color, drawMode);
  FillRect(Rect(r.x + r.width, r.y + 1, 1, r.height - 1), color, drawMode);
}

void Image::DrawLine(double, double, double, double, const Color&, int) {}
void Image::DrawLineSmooth(double, double, double, double, const Color&, int) {}

void Image::FillSpans(const Span* spans, int count, const Color& color, int drawMode) {
  for (int i = 0; i < count; ++i) FillRect(Rect(spans[i].x, spans[i].y, spans[i].width, 1), color, drawMode);
}

void Image::FillSpansCovered(const Span*, int, const Color&, int, const uint8_t*, int, int, int, int) {}
void Image::Blit(Image*, int, int, const Rect&, const Color&, int) {}
void Image::BlitSubpixel(Image*, float, float, const Rect&, const Rect&, const Color&, int) {}
void Image::BlitRotated(Image*, float, float, const Rect&, const Rect&, const Color&, int, double, float, float) {}
void Image::BlitStretched(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}
void Image::BlitTransformed(Image*, float, float, const Matrix3&, const Rect&, const Color&, int, const Rect&, bool) {}
void Image::BlitTriangles(Image*, const TriVertex (*)[3], int, const Rect&, const Color&, int, float, float, bool) {}
void Image::BlitMirrored(Image*, int, int, const Rect&, const Color&, int) {}
void Image::BlitStretchedMirrored(Image*, const Rect&, const Rect&, const Rect&, const Color&, int, bool) {}

}  // namespace Orva
