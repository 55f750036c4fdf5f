#pragma once

#include <algorithm>

// How a frame of the program's fixed size is shown in a window or screen of another size.
namespace Orva {

struct FrameScaling {
  enum Mode {
    WHOLE,  // a whole multiple (factor), nearest: every pixel the same square; bars around
    SHARP,  // enlarged by factor with nearest, then reduced smoothly to fit with the aspect kept
    PLAIN,  // the output is smaller than the frame: reduced smoothly to fit
  };
  Mode mode = WHOLE;
  int factor = 1;
};

// A whole multiple keeps pixels square and sharp and is used when it fills the output well (at
// least nine tenths of what fitting would fill), or always with pixelPerfect. Otherwise the
// picture fits the output: enlarged to the next whole multiple with nearest and reduced smoothly,
// which keeps the edges crisp without uneven pixel sizes.
inline FrameScaling ChooseFrameScaling(int outputWidth, int outputHeight, int frameWidth, int frameHeight,
                                       bool pixelPerfect) {
  if (frameWidth <= 0 || frameHeight <= 0 || outputWidth < frameWidth || outputHeight < frameHeight)
    return {FrameScaling::PLAIN, 1};
  const int whole = std::min(outputWidth / frameWidth, outputHeight / frameHeight);
  const double fit = std::min(double(outputWidth) / frameWidth, double(outputHeight) / frameHeight);
  constexpr double kFillsWell = 0.9;
  if (pixelPerfect || whole >= fit * kFillsWell) return {FrameScaling::WHOLE, whole};
  return {FrameScaling::SHARP, whole + 1};
}

}  // namespace Orva
