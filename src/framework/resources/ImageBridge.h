#pragma once

#include <memory>
#include <string>

namespace ImageLib {
class Image;
}

namespace Orva {

class ImageHost;
class MemoryImage;

// Writes any memory image (the screen included) as a PNG file. False when it has no pixels or
// the file cannot be written.
bool WriteImagePNG(MemoryImage* image, const std::string& fileName);

// A memory image of the same size holding the file image's pixels, alpha flags computed.
// Null when the file image has no pixels.
std::unique_ptr<MemoryImage> CreateMemoryImage(const ImageLib::Image& image, ImageHost* host);

// Loads an image file (ImageLib::LoadImageFile, alpha image search included) as a memory image
// whose filePath is the name asked for; null when no such image can be read.
std::unique_ptr<MemoryImage> LoadMemoryImage(const std::string& fileName, ImageHost* host,
                                             bool lookForAlphaImage = true);

}  // namespace Orva
