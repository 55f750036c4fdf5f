#pragma once

#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Matrix3.h"
#include "framework/graphics/Rect.h"
#include "framework/graphics/Transform.h"

namespace Orva {

class Font;

enum DrawMode { DRAWMODE_NORMAL = 0, DRAWMODE_ADDITIVE = 1 };

// Text justification for WriteString and WriteWrapped.
enum Justification { JUSTIFY_CENTER = 0, JUSTIFY_RIGHT = 1, JUSTIFY_LEFT = -1 };

// The copyable drawing state.
class GraphicsState {
 public:
  Image* destImage = nullptr;
  float transX = 0, transY = 0;
  float scaleX = 1, scaleY = 1;  // used by the source-rectangle DrawImage only
  float scaleOriginX = 0, scaleOriginY = 0;
  Rect clipRect;  // destination coordinates (translation already applied)
  Color color = Color::Black;
  Font* font = nullptr;
  int drawMode = DRAWMODE_NORMAL;
  bool tintImages = false;  // image draws pass the colour instead of white
  bool fastStretch = false;
  bool colorCodes = true;
  bool bilinear = false;
  bool is3D = false;
};

// The one object everything on screen is drawn through. It applies translation and clipping to
// each request and hands it to the destination image's drawing operations.
class Graphics : public GraphicsState {
 public:
  explicit Graphics(Image* dest = nullptr);
  Graphics(const Graphics& other);  // copies the state; the copy starts with an empty stack
  Graphics& operator=(const Graphics&) = delete;

  // An empty image that every Graphics without a destination draws into (and nothing shows).
  static Image* SharedEmptyImage();

  Graphics* Clone() const;
  void PushState();
  void PopState();

  void SetFont(Font* f) { font = f; }
  Font* GetFont() const { return font; }
  void SetColor(const Color& c) { color = c; }
  const Color& GetColor() const { return color; }
  void SetDrawMode(int mode) { drawMode = mode; }
  int GetDrawMode() const { return drawMode; }
  void SetTintImages(bool tint) { tintImages = tint; }
  bool GetTintImages() const { return tintImages; }
  void SetFastStretch(bool fast) { fastStretch = fast; }
  void SetBilinear(bool smooth) { bilinear = smooth; }
  void SetColorCodes(bool enabled) { colorCodes = enabled; }
  void SetScale(float sx, float sy, float originX, float originY);

  void Translate(int x, int y);
  void TranslateF(float x, float y);
  // The clip only ever shrinks; PopState (or a fresh Graphics) widens it again.
  void IntersectClip(int x, int y, int w, int h);
  const Rect& GetClipRect() const { return clipRect; }

  void FillRect(int x, int y, int w, int h);
  void FillRect(const Rect& r) { FillRect(r.x, r.y, r.width, r.height); }
  void DrawRect(int x, int y, int w, int h);  // covers w + 1 by h + 1 pixels
  void DrawRect(const Rect& r) { DrawRect(r.x, r.y, r.width, r.height); }
  void ClearRect(int x, int y, int w, int h);
  void DrawLine(int x1, int y1, int x2, int y2);
  void DrawLineAA(int x1, int y1, int x2, int y2);
  void DrawString(const std::string& text, int x, int y);

  void DrawImage(Image* image, int x, int y);
  void DrawImage(Image* image, int x, int y, const Rect& srcRect);
  void DrawImage(Image* image, int x, int y, int w, int h);
  void DrawImage(Image* image, const Rect& destRect, const Rect& srcRect);
  void DrawImageSubpixel(Image* image, float x, float y);
  void DrawImageSubpixel(Image* image, float x, float y, const Rect& srcRect);
  void DrawImageMirrored(Image* image, int x, int y, const Rect& srcRect);
  void DrawImageMirrored(Image* image, int x, int y) { DrawImageMirrored(image, x, y, WholeImage(image)); }
  void DrawImageMirrored(Image* image, const Rect& destRect, const Rect& srcRect, bool mirror);
  // rot in radians; the centre is relative to the source rectangle; no srcRect means the whole image.
  void DrawImageRotated(Image* image, int x, int y, double rot, int rotCenterX, int rotCenterY,
                        const Rect* srcRect = nullptr);
  void DrawImageRotatedSubpixel(Image* image, float x, float y, double rot, float rotCenterX, float rotCenterY,
                                const Rect* srcRect = nullptr);
  // The matrix maps positions relative to the centre of srcRect; (x, y) is where that centre goes.
  void DrawImageTransformed(Image* image, const Matrix3& matrix, const Rect& srcRect, float x, float y);
  void DrawImageByTransform(Image* image, Transform& transform, int x, int y);
  void DrawImageByTransformSubpixel(Image* image, Transform& transform, float x, float y);
  void DrawImageCel(Image* image, int x, int y, int cel);
  void DrawImageCel(Image* image, int x, int y, int col, int row);
  void DrawImageNineSlice(const Rect& destRect, Image* image);
  void DrawImageNineSlice(const Rect& srcRect, const Rect& destRect, Image* image);

  // Text layout. Justification: JUSTIFY_CENTER, JUSTIFY_RIGHT, anything else left.
  // oldColor -1 means the current colour; length < 0 means to the end of the text.
  int WriteString(const std::string& text, int x, int y, int width = -1, int justification = JUSTIFY_LEFT,
                  bool drawIt = true, int offset = 0, int length = -1, int oldColor = -1);
  int WriteWrapped(const Rect& rect, const std::string& text, int lineSpacing = -1, int justification = JUSTIFY_LEFT);
  void DrawStringWrapped(const std::string& text, int x, int y, int wrapWidth, int lineSpacing = -1,
                         int justification = JUSTIFY_LEFT);
  int GetWrappedHeight(int width, const std::string& text, int lineSpacing = -1);

 private:
  static Rect WholeImage(Image* image) { return image ? Rect(0, 0, image->width, image->height) : Rect(); }
  Color ImageColor() const { return tintImages ? color : Color::White; }
  int TransX(int x) const { return TruncToInt(float(x) + transX); }
  int TransY(int y) const { return TruncToInt(float(y) + transY); }
  void DrawByTransform(Image* image, Transform& transform, float x, float y, bool subpixel);

  std::vector<GraphicsState> stateStack_;
};

}  // namespace Orva
