// The text card drawn headless: deterministic, opaque, and with text where the samples are.
#include <gtest/gtest.h>

#include <mutex>

#include "demo/TextCard.h"
#include "framework/graphics/ImageHost.h"
#include "framework/graphics/MemoryImage.h"

// fontconfig keeps its configuration for the life of the process (releasing it with FcFini is not
// safe while a library may still use it); LeakSanitizer is told that this one allocation is fine.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace Orva {
namespace {

TEST(TextCardTest, DrawsTheSameOpaqueCardEveryTimeWithTextOnIt) {
  std::recursive_mutex lock;
  ImageRegistry images(lock);
  MemoryImage first(&images), second(&images);
  for (MemoryImage* screen : {&first, &second}) {
    screen->Create(640, 480);
    Graphics g(screen);
    TextCard(&images).Draw(g);
  }
  const uint32_t* a = first.GetPixels();
  const uint32_t* b = second.GetPixels();
  int lit = 0;
  for (int i = 0; i < 640 * 480; ++i) {
    ASSERT_EQ(a[i], b[i]);
    ASSERT_EQ(a[i] >> 24, 0xFFu);
    lit += (a[i] >> 16 & 0xFF) > 0xC0;  // near-white text pixels
  }
  EXPECT_GT(lit, 2000);
  // The sample rows are text on the panel, not empty panel.
  int row = 0;
  for (int x = 20; x < 300; ++x) row += a[55 * 640 + x] != a[55 * 640 + 305];
  EXPECT_GT(row, 5);
}

}  // namespace
}  // namespace Orva
