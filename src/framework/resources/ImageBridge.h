#pragma once

#include <string>

namespace Orva {

class MemoryImage;

// Writes any memory image (the screen included) as a PNG file. False when it has no pixels or
// the file cannot be written.
bool WriteImagePNG(MemoryImage* image, const std::string& fileName);

}  // namespace Orva
