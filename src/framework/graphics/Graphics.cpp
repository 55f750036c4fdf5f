#include "framework/graphics/Graphics.h"

#include <algorithm>
#include <cmath>

#include "framework/graphics/Font.h"
#include "framework/graphics/MemoryImage.h"

namespace Orva {

Image* Graphics::SharedEmptyImage() {
  static MemoryImage empty;
  return &empty;
}

Graphics::Graphics(Image* dest) {
  destImage = dest ? dest : SharedEmptyImage();
  clipRect = Rect(0, 0, destImage->width, destImage->height);
  // Only an accelerated display surface draws in 3D; this platform has none.
  is3D = false;
}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

Graphics* Graphics::Clone() const { return new Graphics(*this); }

void Graphics::PushState() { stateStack_.push_back(static_cast<const GraphicsState&>(*this)); }

void Graphics::PopState() {
  if (stateStack_.empty()) return;
  static_cast<GraphicsState&>(*this) = stateStack_.back();
  stateStack_.pop_back();
}

void Graphics::SetScale(float sx, float sy, float originX, float originY) {
  scaleX = sx;
  scaleY = sy;
  scaleOriginX = originX;
  scaleOriginY = originY;
}

void Graphics::Translate(int x, int y) {
  transX += float(x);
  transY += float(y);
}

void Graphics::TranslateF(float x, float y) {
  transX += x;
  transY += y;
}

void Graphics::IntersectClip(int x, int y, int w, int h) {
  clipRect = clipRect.Intersection(Rect(TransX(x), TransY(y), w, h));
}

void Graphics::FillRect(int x, int y, int w, int h) {
  if (color.alpha == 0) return;
  const Rect r = Rect(TransX(x), TransY(y), w, h).Intersection(clipRect);
  if (r.IsEmpty()) return;
  destImage->FillRect(r, color, drawMode);
}

void Graphics::DrawRect(int x, int y, int w, int h) {
  if (color.alpha == 0) return;
  const int64_t x0 = x, y0 = y, w0 = w, h0 = h;
  const Rect outline(TransX(x), TransY(y), SaturateInt(w0 + 1), SaturateInt(h0 + 1));
  if (outline.width > 0 && outline.height > 0 && outline.Intersection(clipRect) == outline &&
      int64_t(outline.x) + w0 <= INT32_MAX && int64_t(outline.y) + h0 <= INT32_MAX) {
    destImage->DrawRect(Rect(outline.x, outline.y, w, h), color, drawMode);
    return;
  }
  FillRect(x, y, SaturateInt(w0 + 1), 1);
  FillRect(x, SaturateInt(y0 + h0), SaturateInt(w0 + 1), 1);
  FillRect(x, SaturateInt(y0 + 1), 1, SaturateInt(h0 - 1));
  FillRect(SaturateInt(x0 + w0), SaturateInt(y0 + 1), 1, SaturateInt(h0 - 1));
}

void Graphics::ClearRect(int x, int y, int w, int h) {
  const Rect r = Rect(TransX(x), TransY(y), w, h).Intersection(clipRect);
  if (r.IsEmpty()) return;
  destImage->ClearRect(r);
}

namespace {

// Clips one axis of a line (a against [lo, hi], the last pixel inside being hi), moving b along.
// Returns false when the line misses.
bool ClipAxis(double& a1, double& b1, double& a2, double& b2, double lo, double hi) {
  if (a1 > a2) {
    std::swap(a1, a2);
    std::swap(b1, b2);
  }
  if (a1 < lo) {
    if (a2 < lo) return false;
    b1 += (b2 - b1) / (a2 - a1) * (lo - a1);
    a1 = lo;
  }
  if (a2 > hi) {
    if (a1 > hi) return false;
    b2 += (b2 - b1) / (a2 - a1) * (hi - a2);
    a2 = hi;
  }
  return true;
}

bool ClipLine(const Rect& clip, double& x1, double& y1, double& x2, double& y2) {
  if (clip.IsEmpty()) return false;
  if (!ClipAxis(x1, y1, x2, y2, clip.x, double(clip.x) + clip.width - 1)) return false;
  return ClipAxis(y1, x1, y2, x2, clip.y, double(clip.y) + clip.height - 1);
}

}  // namespace

void Graphics::DrawLine(int x1, int y1, int x2, int y2) {
  double ax = double(x1) + transX, ay = double(y1) + transY, bx = double(x2) + transX, by = double(y2) + transY;
  if (!ClipLine(clipRect, ax, ay, bx, by)) return;
  destImage->DrawLine(ax, ay, bx, by, color, drawMode);
}

void Graphics::DrawLineAA(int x1, int y1, int x2, int y2) {
  double ax = double(x1) + transX, ay = double(y1) + transY, bx = double(x2) + transX, by = double(y2) + transY;
  if (!ClipLine(clipRect, ax, ay, bx, by)) return;
  destImage->DrawLineSmooth(ax, ay, bx, by, color, drawMode);
}

void Graphics::DrawString(const std::string& text, int x, int y) {
  if (font) font->DrawString(this, x, y, text, color, clipRect);
}

void Graphics::DrawImage(Image* image, int x, int y) { DrawImage(image, x, y, WholeImage(image)); }

void Graphics::DrawImage(Image* image, int x, int y, const Rect& srcRect) {
  if (!image) return;
  if (int64_t(srcRect.x) + srcRect.width > image->width || int64_t(srcRect.y) + srcRect.height > image->height) return;
  if (scaleX != 1 || scaleY != 1) {
    const Rect dest(TruncToInt(std::floor((double(TransX(x)) - scaleOriginX) * scaleX) + scaleOriginX),
                    TruncToInt(std::floor((double(TransY(y)) - scaleOriginY) * scaleY) + scaleOriginY),
                    TruncToInt(std::ceil(double(srcRect.width) * scaleX)),
                    TruncToInt(std::ceil(double(srcRect.height) * scaleY)));
    destImage->BlitStretched(image, dest, srcRect, clipRect, ImageColor(), drawMode, fastStretch);
    return;
  }
  const Rect dest(TransX(x), TransY(y), srcRect.width, srcRect.height);
  const Rect clipped = dest.Intersection(clipRect);
  if (clipped.width <= 0 || clipped.height <= 0) return;
  const Rect src(SaturateInt(int64_t(srcRect.x) + (int64_t(clipped.x) - dest.x)),
                 SaturateInt(int64_t(srcRect.y) + (int64_t(clipped.y) - dest.y)), clipped.width, clipped.height);
  destImage->Blit(image, clipped.x, clipped.y, src, ImageColor(), drawMode);
}

void Graphics::DrawImage(Image* image, int x, int y, int w, int h) {
  if (!image) return;
  destImage->BlitStretched(image, Rect(TransX(x), TransY(y), w, h), WholeImage(image), clipRect, ImageColor(), drawMode,
                           fastStretch);
}

void Graphics::DrawImage(Image* image, const Rect& destRect, const Rect& srcRect) {
  if (!image) return;
  const Rect dest(TransX(destRect.x), TransY(destRect.y), destRect.width, destRect.height);
  destImage->BlitStretched(image, dest, srcRect, clipRect, ImageColor(), drawMode, fastStretch);
}

void Graphics::DrawImageSubpixel(Image* image, float x, float y) { DrawImageSubpixel(image, x, y, WholeImage(image)); }

void Graphics::DrawImageSubpixel(Image* image, float x, float y, const Rect& srcRect) {
  if (!image) return;
  destImage->BlitSubpixel(image, x + transX, y + transY, srcRect, clipRect, ImageColor(), drawMode);
}

void Graphics::DrawImageMirrored(Image* image, int x, int y, const Rect& srcRect) {
  if (!image) return;
  if (int64_t(srcRect.x) + srcRect.width > image->width || int64_t(srcRect.y) + srcRect.height > image->height) return;
  const Rect dest(TransX(x), TransY(y), srcRect.width, srcRect.height);
  const Rect clipped = dest.Intersection(clipRect);
  if (clipped.width <= 0 || clipped.height <= 0) return;
  // The picture is flipped, so clipping the left of the destination cuts the right of the source.
  const Rect src(SaturateInt(int64_t(srcRect.x) + srcRect.width - (int64_t(clipped.x) - dest.x) - clipped.width),
                 SaturateInt(int64_t(srcRect.y) + (int64_t(clipped.y) - dest.y)), clipped.width, clipped.height);
  destImage->BlitMirrored(image, clipped.x, clipped.y, src, ImageColor(), drawMode);
}

void Graphics::DrawImageMirrored(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror) {
  if (!mirror) {
    DrawImage(image, destRect, srcRect);
    return;
  }
  if (!image) return;
  Rect dest(TransX(destRect.x), TransY(destRect.y), destRect.width, destRect.height);
  // A mirroring transform with a vertical scale yields a negative width: the same area, normalised.
  if (dest.width < 0) {
    dest.x = SaturateInt(int64_t(dest.x) + dest.width);
    dest.width = SaturateInt(-int64_t(dest.width));
  }
  destImage->BlitStretchedMirrored(image, dest, srcRect, clipRect, ImageColor(), drawMode, fastStretch);
}

void Graphics::DrawImageRotated(Image* image, int x, int y, double rot, int rotCenterX, int rotCenterY,
                                const Rect* srcRect) {
  DrawImageRotatedSubpixel(image, float(x), float(y), rot, float(rotCenterX), float(rotCenterY), srcRect);
}

void Graphics::DrawImageRotatedSubpixel(Image* image, float x, float y, double rot, float rotCenterX, float rotCenterY,
                                        const Rect* srcRect) {
  if (!image) return;
  const Rect src = srcRect ? *srcRect : WholeImage(image);
  destImage->BlitRotated(image, x + transX, y + transY, src, clipRect, ImageColor(), drawMode, rot, rotCenterX,
                         rotCenterY);
}

void Graphics::DrawImageTransformed(Image* image, const Matrix3& matrix, const Rect& srcRect, float x, float y) {
  if (!image) return;
  destImage->BlitTransformed(image, x + transX, y + transY, matrix, clipRect, ImageColor(), drawMode, srcRect,
                             bilinear);
}

void Graphics::DrawImageByTransform(Image* image, Transform& transform, int x, int y) {
  DrawByTransform(image, transform, float(x), float(y), false);
}

void Graphics::DrawImageByTransformSubpixel(Image* image, Transform& transform, float x, float y) {
  DrawByTransform(image, transform, x, y, true);
}

void Graphics::DrawByTransform(Image* image, Transform& t, float x, float y, bool subpixel) {
  if (!image) return;
  const Rect src = WholeImage(image);
  const float w2 = float(src.width) / 2, h2 = float(src.height) / 2;
  if (t.IsComplex() || (is3D && subpixel)) {
    DrawImageTransformed(image, t.GetMatrix(), src, x, y);
  } else if (t.rotated) {
    const float cx = w2 - t.preTransX, cy = h2 - t.preTransY;
    const float px = x + t.postTransX - cx + 0.5f, py = y + t.postTransY - cy + 0.5f;
    if (subpixel)
      DrawImageRotatedSubpixel(image, px, py, t.rot, cx, cy, &src);
    else
      DrawImageRotated(image, TruncToInt(px), TruncToInt(py), t.rot, TruncToInt(cx), TruncToInt(cy), &src);
  } else if (t.scaled) {
    if (t.scaleX == -1 && t.scaleY == 1) {
      DrawImageMirrored(image, TruncToInt(x + t.preTransX + t.postTransX - w2 + 0.5f),
                        TruncToInt(y + t.preTransY + t.postTransY - h2 + 0.5f), src);
    } else {
      const float sw = w2 * t.scaleX, sh = h2 * t.scaleY;
      DrawImageMirrored(image,
                        Rect(TruncToInt(x + t.postTransX - sw), TruncToInt(y + t.postTransY - sh), TruncToInt(2.0 * sw),
                             TruncToInt(2.0 * sh)),
                        src, t.scaleX == -1);
    }
  } else {
    const float px = x + t.preTransX + t.postTransX - w2 + 0.5f, py = y + t.preTransY + t.postTransY - h2 + 0.5f;
    if (subpixel)
      DrawImageSubpixel(image, px, py, src);
    else
      DrawImage(image, TruncToInt(px), TruncToInt(py), src);
  }
}

void Graphics::DrawImageCel(Image* image, int x, int y, int cel) {
  if (!image || image->numCols <= 0) return;
  DrawImageCel(image, x, y, cel % image->numCols, cel / image->numCols);
}

void Graphics::DrawImageCel(Image* image, int x, int y, int col, int row) {
  if (!image || row < 0 || col < 0 || row >= image->numRows || col >= image->numCols) return;
  const int cw = image->width / image->numCols, ch = image->height / image->numRows;
  DrawImage(image, x, y, Rect(col * cw, row * ch, cw, ch));
}

void Graphics::DrawImageNineSlice(const Rect& destRect, Image* image) {
  DrawImageNineSlice(WholeImage(image), destRect, image);
}

void Graphics::DrawImageNineSlice(const Rect& srcRect, const Rect& destRect, Image* image) {
  if (!image || srcRect.width <= 0 || srcRect.height <= 0) return;
  const int64_t cw = srcRect.width / 3, ch = srcRect.height / 3;
  const int64_t mw = srcRect.width - 2 * cw, mh = srcRect.height - 2 * ch;
  const int64_t sx = srcRect.x, sy = srcRect.y;
  const int64_t dx = destRect.x, dy = destRect.y, dw = destRect.width, dh = destRect.height;
  const int64_t srcRight = sx + srcRect.width - cw, srcBottom = sy + srcRect.height - ch;
  // Sums of caller-given extents are taken in 64 bits and saturated into pixel coordinates.
  const auto at = [](int64_t v) { return SaturateInt(v); };
  const auto piece = [&](int64_t x, int64_t y, int64_t w, int64_t h) { return Rect(at(x), at(y), at(w), at(h)); };

  DrawImage(image, at(dx), at(dy), piece(sx, sy, cw, ch));
  DrawImage(image, at(dx + dw - cw), at(dy), piece(srcRight, sy, cw, ch));
  DrawImage(image, at(dx), at(dy + dh - ch), piece(sx, srcBottom, cw, ch));
  DrawImage(image, at(dx + dw - cw), at(dy + dh - ch), piece(srcRight, srcBottom, cw, ch));

  // Only the tiles that meet the clip are drawn, so a huge destination costs no more than the clip.
  const auto visibleTiles = [](int64_t start, int64_t extent, int64_t step, int64_t clipFrom, int64_t clipTo) {
    std::pair<int64_t, int64_t> range{0, 0};
    if (extent <= 0 || step <= 0 || clipTo <= clipFrom) return range;
    const int64_t count = (extent + step - 1) / step;
    range.first = std::clamp<int64_t>((clipFrom - start) / step, 0, count);
    range.second = std::clamp<int64_t>((clipTo - start + step - 1) / step, range.first, count);
    return range;
  };
  {
    Graphics edges(*this);
    edges.IntersectClip(at(dx + cw), at(dy), at(dw - 2 * cw), at(dh));
    const Rect& c = edges.clipRect;
    const auto [from, to] = visibleTiles(int64_t(TransX(at(dx + cw))), dw - 2 * cw, mw, c.x, int64_t(c.x) + c.width);
    for (int64_t i = from; i < to && !c.IsEmpty(); ++i) {
      edges.DrawImage(image, at(dx + cw + i * mw), at(dy), piece(sx + cw, sy, mw, ch));
      edges.DrawImage(image, at(dx + cw + i * mw), at(dy + dh - ch), piece(sx + cw, srcBottom, mw, ch));
    }
  }
  {
    Graphics edges(*this);
    edges.IntersectClip(at(dx), at(dy + ch), at(dw), at(dh - 2 * ch));
    const Rect& c = edges.clipRect;
    const auto [from, to] = visibleTiles(int64_t(TransY(at(dy + ch))), dh - 2 * ch, mh, c.y, int64_t(c.y) + c.height);
    for (int64_t j = from; j < to && !c.IsEmpty(); ++j) {
      edges.DrawImage(image, at(dx), at(dy + ch + j * mh), piece(sx, sy + ch, cw, mh));
      edges.DrawImage(image, at(dx + dw - cw), at(dy + ch + j * mh), piece(srcRight, sy + ch, cw, mh));
    }
  }
  Graphics centre(*this);
  centre.IntersectClip(at(dx + cw), at(dy + ch), at(dw - 2 * cw), at(dh - 2 * ch));
  const Rect& c = centre.clipRect;
  if (c.IsEmpty()) return;
  const auto [left, right] = visibleTiles(int64_t(TransX(at(dx + cw))), dw - 2 * cw, mw, c.x, int64_t(c.x) + c.width);
  const auto [top, bottom] = visibleTiles(int64_t(TransY(at(dy + ch))), dh - 2 * ch, mh, c.y, int64_t(c.y) + c.height);
  for (int64_t j = top; j < bottom; ++j)
    for (int64_t i = left; i < right; ++i)
      centre.DrawImage(image, at(dx + cw + i * mw), at(dy + ch + j * mh), piece(sx + cw, sy + ch, mw, mh));
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;  // anything else counts as 0
}

}  // namespace

int Graphics::WriteString(const std::string& text, int x, int y, int width, int justification, bool drawIt, int offset,
                          int length, int oldColor) {
  if (oldColor == -1) oldColor = int(color.ToARGB());
  if (!font) return 0;
  if (drawIt && (justification == JUSTIFY_CENTER || justification == JUSTIFY_RIGHT)) {
    const int measured = WriteString(text, x, y, width, JUSTIFY_LEFT, false, offset, length, oldColor);
    const int64_t room = int64_t(width) - measured;
    x = SaturateInt(int64_t(x) + (justification == JUSTIFY_CENTER ? room / 2 : room));
  }
  const int size = int(text.size());
  const int begin = std::clamp(offset, 0, size);
  const int end = (length < 0 || int64_t(begin) + length > size) ? size : begin + length;
  std::string segment;
  int widthSoFar = 0;
  for (int i = begin; i < end; ++i) {
    const char ch = text[size_t(i)];
    if (ch != '^' || !colorCodes) {
      segment += ch;
      continue;
    }
    if (i + 1 < end && text[size_t(i) + 1] == '^') {
      segment += '^';
      ++i;
      continue;
    }
    if (end - i < 8) break;
    uint32_t code;
    if (text.compare(size_t(i) + 1, 6, "oldclr") == 0) {
      code = uint32_t(oldColor);
    } else if (text[size_t(i) + 1] == 'o') {
      code = 0;
    } else {
      code = 0;
      for (int k = 1; k <= 6; ++k) code = code * 16 + uint32_t(HexDigit(text[size_t(i + k)]));
    }
    if (drawIt) {
      if (!segment.empty()) font->DrawString(this, SaturateInt(int64_t(x) + widthSoFar), y, segment, color, clipRect);
      color = Color(int((code >> 16) & 0xFF), int((code >> 8) & 0xFF), int(code & 0xFF), color.alpha);
    }
    widthSoFar += font->StringWidth(segment);
    segment.clear();
    i += 7;  // the caret, six digits and the closing character
  }
  if (drawIt && !segment.empty())
    font->DrawString(this, SaturateInt(int64_t(x) + widthSoFar), y, segment, color, clipRect);
  return widthSoFar + font->StringWidth(segment);
}

int Graphics::WriteWrapped(const Rect& rect, const std::string& text, int lineSpacing, int justification) {
  if (!font) return 0;
  const Color remembered = color;
  uint32_t packed = color.ToARGB();
  if ((packed & 0xFF000000u) == 0xFF000000u) packed &= 0x00FFFFFFu;
  const int oldColor = int(packed);
  int yOffset = font->GetAscent() - font->GetAscentPadding();
  if (lineSpacing == -1) lineSpacing = font->GetLineSpacing();

  const int n = int(text.size());
  int lineStart = 0, i = 0, curWidth = 0, spacePos = -1;
  char prev = 0;
  bool newlineBreak = false;
  const auto writeLine = [&](int from, int to, bool clipTest) {
    if (clipTest) {
      const int baseline = TruncToInt(double(rect.y) + yOffset + transY);
      if (baseline < clipRect.y || baseline >= clipRect.y + clipRect.height + lineSpacing) return;
    }
    WriteString(text, rect.x, SaturateInt(int64_t(rect.y) + yOffset), rect.width, justification, true, from, to - from,
                oldColor);
  };
  while (i < n) {
    const char ch = text[size_t(i)];
    int advance = 1;
    if (colorCodes && ch == '^') {
      if (i + 1 < n && text[size_t(i) + 1] == '^') {
        advance = 2;  // measured as one caret
      } else {
        i += 8;  // a colour code takes no room
        continue;
      }
    }
    if (ch == '\n') {
      spacePos = i;
      curWidth = rect.width + 1;
      newlineBreak = true;
    } else {
      if (ch == ' ') spacePos = i;
      curWidth += font->CharWidthKerned(ch, prev);
      prev = ch;
    }
    if (curWidth <= rect.width) {
      i += advance;
      continue;
    }
    if (spacePos != -1) {
      writeLine(lineStart, spacePos, true);
      i = spacePos + 1;
      if (!newlineBreak)
        while (i < n && text[size_t(i)] == ' ') ++i;
    } else {
      if (i == lineStart) i += advance;  // at least one character per line
      writeLine(lineStart, i, false);
    }
    yOffset += lineSpacing;
    spacePos = -1;
    curWidth = 0;
    prev = 0;
    newlineBreak = false;
    lineStart = i;
  }
  if (lineStart < n) {
    writeLine(lineStart, n, true);
    yOffset += lineSpacing;
  } else if (n > 0 && text[size_t(n) - 1] == '\n') {
    yOffset += lineSpacing;
  }
  color = remembered;
  return yOffset + font->GetDescent() - lineSpacing;
}

void Graphics::DrawStringWrapped(const std::string& text, int x, int y, int wrapWidth, int lineSpacing,
                                 int justification) {
  if (!font) return;
  WriteWrapped(Rect(x, SaturateInt(int64_t(y) + font->GetAscentPadding() - font->GetAscent()), wrapWidth, 0), text,
               lineSpacing, justification);
}

int Graphics::GetWrappedHeight(int width, const std::string& text, int lineSpacing) {
  Graphics measure(SharedEmptyImage());
  measure.SetFont(font);
  return measure.WriteWrapped(Rect(0, 0, width, 0), text, lineSpacing, JUSTIFY_LEFT);
}

}  // namespace Orva
