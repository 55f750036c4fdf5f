// Memory images: pixel forms, alpha flags, the cached derived forms and their lifecycle.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/ImageHost.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/graphics/NativeDisplay.h"
#include "support/ImageTestSupport.h"

namespace Orva {
namespace {

using Testing::MakeFilled;
using Testing::MakeImage;
using Testing::PixelAt;

TEST(MemoryImageLifecycleTest, CreateDefersThePixelsAndAssumesTransparency) {
  MemoryImage image;
  image.Create(4, 3);
  EXPECT_EQ(image.width, 4);
  EXPECT_FALSE(image.bits) << "allocated on first use";
  EXPECT_TRUE(image.hasTransparent);
  EXPECT_TRUE(image.hasTranslucent);
  uint32_t* px = image.GetPixels();
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(px[0], 0u);
  EXPECT_EQ(px[11], 0u);
  EXPECT_EQ(px[12], MemoryImage::kGuardWord);
}

TEST(MemoryImageLifecycleTest, ImpossibleAndEmptySizesHaveNoPixelsAndDrawNothing) {
  MemoryImage huge;
  huge.Create(70000, 70000);  // 4 * w * h is past the 32-bit range
  EXPECT_EQ(huge.GetPixels(), nullptr);
  MemoryImage empty;
  empty.Create(0, 0);
  EXPECT_EQ(empty.GetPixels(), nullptr);
  MemoryImage never;  // pixels never created at all

  auto screen = Testing::MakeScreen(8, 8, 0xFF123456);
  Graphics g(screen.get());
  for (Image* source : {static_cast<Image*>(&huge), static_cast<Image*>(&empty), static_cast<Image*>(&never)}) {
    g.DrawImage(source, 0, 0);
    g.DrawImage(source, 0, 0, 8, 8);
    g.DrawImageRotated(source, 2, 2, 1.0, 1, 1);
    g.DrawImageMirrored(source, 0, 0);
  }
  EXPECT_EQ(Testing::CountNot(*screen, 0xFF123456), 0);
  Graphics onHuge(&huge);
  onHuge.SetColor(Color::White);
  onHuge.FillRect(0, 0, 100, 100);  // no pixels to fill: nothing happens
  EXPECT_EQ(huge.GetPixels(), nullptr);
}

TEST(MemoryImageLifecycleTest, SetPixelsCopiesAndCommitComputesTheFlags) {
  const uint32_t px[4] = {0xFF000000, 0xFF111111, 0xFF222222, 0xFF333333};
  MemoryImage image;
  image.SetPixels(px, 2, 2, true);
  EXPECT_FALSE(image.hasTransparent);
  EXPECT_FALSE(image.hasTranslucent);
  EXPECT_EQ(PixelAt(image, 1, 1), 0xFF333333u);
  EXPECT_TRUE(image.GuardIntact());
  const int before = image.changeCount;
  image.SetPixels(image.bits.get(), 2, 2, true);  // its own array: nothing to do
  EXPECT_EQ(image.changeCount, before);
}

TEST(MemoryImageLifecycleTest, ClearMakesEveryPixelTransparentBlack) {
  auto image = MakeFilled(3, 3, 0xFFFFFFFF);
  image->Clear();
  EXPECT_EQ(Testing::CountNot(*image, 0), 0);
}

TEST(MemoryImageLifecycleTest, CopiesAreDeepAndKeepTheFlags) {
  auto image = MakeImage(2, 1, {0xFF010203, 0x80040506});
  image->ForceAlphaFlags(true, false);
  image->GetRunAlphaData();
  MemoryImage copy(*image);
  EXPECT_TRUE(copy.modeForced);
  EXPECT_TRUE(copy.hasTransparent);
  EXPECT_NE(copy.bits.get(), image->bits.get());
  EXPECT_EQ(PixelAt(copy, 1, 0), 0x80040506u);
  EXPECT_TRUE(copy.GuardIntact());
  ASSERT_TRUE(copy.runAlphaData);
  EXPECT_EQ(copy.runAlphaData[0], 1);
  copy.GetPixels()[0] = 0;
  EXPECT_EQ(PixelAt(*image, 0, 0), 0xFF010203u);
  EXPECT_TRUE(copy.filePath.empty());
  EXPECT_FALSE(copy.drawn);
}

TEST(MemoryImageLifecycleTest, ImagesRegisterWithTheirHostWhileTheyLive) {
  std::recursive_mutex lock;
  ImageRegistry registry(lock);
  {
    MemoryImage a(&registry);
    MemoryImage b(a);
    EXPECT_EQ(registry.Count(), 2u);
    EXPECT_TRUE(registry.Contains(&b));
    int walked = 0;
    registry.ForEach([&](MemoryImage*) { ++walked; });
    EXPECT_EQ(walked, 2);
  }
  EXPECT_EQ(registry.Count(), 0u);
}

TEST(AlphaFlagsTest, FlagsFollowTheAlphaValuesFound) {
  auto opaque = MakeFilled(2, 2, 0xFF808080);
  opaque->UpdateAlphaFlags();
  EXPECT_FALSE(opaque->hasTransparent);
  EXPECT_FALSE(opaque->hasTranslucent);

  auto withHole = MakeImage(2, 1, {0xFF808080, 0x00000000});
  withHole->UpdateAlphaFlags();
  EXPECT_TRUE(withHole->hasTransparent);
  EXPECT_FALSE(withHole->hasTranslucent);

  auto withHalf = MakeImage(2, 1, {0xFF808080, 0x80000000});
  withHalf->UpdateAlphaFlags();
  EXPECT_FALSE(withHalf->hasTransparent);
  EXPECT_TRUE(withHalf->hasTranslucent);
}

TEST(AlphaFlagsTest, OneOddPixelAnywhereInALargePictureCounts) {
  // 300 x 200 opaque pixels with one exception at the start, in the middle or at the very end;
  // the flags come out the same from committed pixels and from pixels changed in place.
  for (const size_t at : {size_t(0), size_t(31000), size_t(300 * 200 - 1)}) {
    for (const uint32_t odd : {0x00000000u, 0x80102030u}) {
      std::vector<uint32_t> px(300 * 200, 0xFF405060u);
      px[at] = odd;
      MemoryImage committed;
      committed.SetPixels(px.data(), 300, 200, true);
      EXPECT_EQ(committed.hasTransparent, odd == 0) << at;
      EXPECT_EQ(committed.hasTranslucent, odd != 0) << at;
      EXPECT_EQ(std::vector<uint32_t>(committed.bits.get(), committed.bits.get() + px.size()), px) << at;
      EXPECT_TRUE(committed.GuardIntact());

      MemoryImage changed;
      changed.SetPixels(nullptr, 300, 200, false);
      std::copy(px.begin(), px.end(), changed.GetPixels());
      changed.PixelsChanged();
      changed.UpdateAlphaFlags();
      EXPECT_EQ(changed.hasTransparent, odd == 0) << at;
      EXPECT_EQ(changed.hasTranslucent, odd != 0) << at;
    }
  }
}

TEST(AlphaFlagsTest, ForcedFlagsNoLongerFollowThePixels) {
  auto image = MakeFilled(2, 2, 0xFF808080);
  image->ForceAlphaFlags(false, false);
  image->GetPixels()[0] = 0;
  image->PixelsChanged();
  image->UpdateAlphaFlags();
  EXPECT_FALSE(image->hasTransparent);
}

TEST(RunAlphaTest, EachByteCountsThePixelsOfItsClassFromThereOn) {
  auto image = MakeImage(6, 1, {0x00000000, 0x00000000, 0xFF000000, 0xFF000000, 0xFF000000, 0x80000000});
  const uint8_t* runs = image->GetRunAlphaData();
  ASSERT_NE(runs, nullptr);
  EXPECT_EQ(std::vector<int>(runs, runs + 6), (std::vector<int>{2, 1, 3, 2, 1, 1}));
}

TEST(RunAlphaTest, RunsStopAtRowEndsAndAreCappedAt255) {
  auto narrow = MakeFilled(1, 4, 0xFF000000);
  const uint8_t* runs = narrow->GetRunAlphaData();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(runs[i], 1);

  auto wide = MakeFilled(300, 2, 0xFF000000);
  runs = wide->GetRunAlphaData();
  EXPECT_EQ(runs[0], 255);
  EXPECT_EQ(runs[45], 255);
  EXPECT_EQ(runs[46], 254);
  EXPECT_EQ(runs[299], 1);
  EXPECT_EQ(runs[300], 255) << "the second row starts its own run";
}

TEST(RunAlphaTest, PixelChangesDropTheCaches) {
  auto image = MakeFilled(3, 1, 0xFF000000);
  image->GetRunAlphaData();
  image->GetDisplayAlphaData(NativeDisplay());
  image->PixelsChanged();
  EXPECT_FALSE(image->runAlphaData);
  EXPECT_FALSE(image->displayAlphaData);
}

TEST(PaletteTest, ExactPaletteInOrderOfFirstAppearanceRoundTrips) {
  auto image = MakeImage(4, 1, {0xFF0000FF, 0x80FF0000, 0xFF0000FF, 0x00000000});
  ASSERT_TRUE(image->Palettize());
  EXPECT_FALSE(image->bits);
  EXPECT_TRUE(image->wantPalette);
  EXPECT_EQ(image->palette[0], 0xFF0000FFu);
  EXPECT_EQ(image->palette[1], 0x80FF0000u);
  EXPECT_EQ(image->palette[2], 0x00000000u);
  EXPECT_EQ(std::vector<int>(image->paletteIndices.get(), image->paletteIndices.get() + 4),
            (std::vector<int>{0, 1, 0, 2}));
  EXPECT_TRUE(image->Palettize()) << "already a palette";
  image->pixelsDirty = true;
  image->UpdateAlphaFlags();
  EXPECT_TRUE(image->hasTransparent);
  EXPECT_TRUE(image->hasTranslucent);

  const uint32_t* px = image->GetPixels();
  EXPECT_EQ(std::vector<uint32_t>(px, px + 4), (std::vector<uint32_t>{0xFF0000FF, 0x80FF0000, 0xFF0000FF, 0}));
  EXPECT_FALSE(image->palette) << "the palette form is gone once the pixels are back";
  EXPECT_TRUE(image->GuardIntact());
}

TEST(PaletteTest, ExactlyTwoHundredFiftySixColoursFitAndOneMoreDoesNot) {
  auto fits = MakeImage(256, 1);
  for (int i = 0; i < 256; ++i) fits->GetPixels()[i] = 0xFF000000u | uint32_t(i);
  fits->PixelsChanged();
  EXPECT_TRUE(fits->Palettize());

  auto tooMany = MakeImage(257, 1);
  for (int i = 0; i < 257; ++i) tooMany->GetPixels()[i] = 0xFF000000u | uint32_t(i);
  tooMany->PixelsChanged();
  EXPECT_FALSE(tooMany->Palettize());
  EXPECT_FALSE(tooMany->palette);
  EXPECT_FALSE(tooMany->wantPalette);
  ASSERT_TRUE(tooMany->bits);
  EXPECT_EQ(PixelAt(*tooMany, 256, 0), 0xFF000100u);
}

TEST(PaletteTest, LargePicturesCountEveryPixelNotASample) {
  // 256 colours over 400 x 300 pixels, each repeated in runs: it fits, indices in the order of
  // first appearance.
  std::vector<uint32_t> px(400 * 300);
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | uint32_t((i / 7) % 256) * 0x010101u;
  auto fits = MakeImage(400, 300);
  std::copy(px.begin(), px.end(), fits->GetPixels());
  fits->PixelsChanged();
  ASSERT_TRUE(fits->Palettize());
  for (const size_t i : {size_t(0), size_t(6), size_t(7), size_t(1791), size_t(1792), px.size() - 1})
    EXPECT_EQ(fits->palette[fits->paletteIndices[i]], px[i]) << i;
  EXPECT_EQ(fits->paletteIndices[7], 1);

  // One 257th colour, in a single pixel late in the picture, is enough to refuse.
  px[px.size() - 2] = 0x80FFFFFFu;
  auto tooMany = MakeImage(400, 300);
  std::copy(px.begin(), px.end(), tooMany->GetPixels());
  tooMany->PixelsChanged();
  EXPECT_FALSE(tooMany->Palettize());
  ASSERT_TRUE(tooMany->bits);
  EXPECT_EQ(PixelAt(*tooMany, 398, 299), 0x80FFFFFFu);
}

TEST(PaletteTest, RunAlphaOfAPaletteComesFromItsEntries) {
  auto image = MakeImage(6, 1, {0x00000000, 0x00000000, 0xFF000000, 0xFF000000, 0xFF000000, 0x80000000});
  ASSERT_TRUE(image->Palettize());
  const uint8_t* runs = image->GetRunAlphaData();
  EXPECT_EQ(std::vector<int>(runs, runs + 6), (std::vector<int>{2, 1, 3, 2, 1, 1}));
}

TEST(DisplayAlphaTest, PremultipliesIntoTheDisplayChannelPositions) {
  auto image = MakeImage(2, 1, {0x80FF0000, 0xFF00FF00});
  const uint32_t* data = image->GetDisplayAlphaData(NativeDisplay());
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data[0], 0x80800000u);  // 255 * 129 / 256 = 128
  EXPECT_EQ(data[1], 0xFF00FF00u);

  // A 16-bit 5-6-5 display: red cut to 5 bits at 11, green to 6 bits at 5.
  NativeDisplay rgb565{16, 0xF800, 0x07E0, 0x001F, 5, 6, 5, 11, 5, 0};
  auto other = MakeImage(2, 1, {0x80FF0000, 0xFF00FF00});
  data = other->GetDisplayAlphaData(rgb565);
  EXPECT_EQ(data[0], 0x80000000u | (128u >> 3) << 11);
  EXPECT_EQ(data[1], 0xFF000000u | (255u >> 2) << 5);
}

TEST(PurgeTest, PurgedPixelsComeBackFromTheDisplayCopy) {
  auto image = MakeImage(3, 1, {0xFF102030, 0x80FF0000, 0x00000000});
  image->PurgePixels();
  EXPECT_TRUE(image->purgeAfterUpload);
  EXPECT_FALSE(image->bits);
  ASSERT_TRUE(image->displayAlphaData);
  const uint32_t* px = image->GetPixels();
  ASSERT_NE(px, nullptr);
  EXPECT_EQ(px[0], 0xFF102030u) << "opaque pixels survive exactly";
  EXPECT_EQ(px[1] >> 24, 0x80u);
  EXPECT_NEAR(int((px[1] >> 16) & 0xFF), 255, 2);
  EXPECT_EQ(px[2], 0u);

  // A copy of a purged image has real pixels and the original stays purged.
  auto purged = MakeImage(1, 1, {0xFF405060});
  purged->PurgePixels();
  MemoryImage copy(*purged);
  EXPECT_FALSE(purged->bits);
  EXPECT_EQ(PixelAt(copy, 0, 0), 0xFF405060u);
}

TEST(PurgeTest, ReapplyModesRestoresThePaletteAndPurgeWishes) {
  auto image = MakeImage(2, 1, {0xFF0000FF, 0xFF00FF00});
  ASSERT_TRUE(image->Palettize());
  image->GetPixels();  // drawing needed the pixels back
  ASSERT_FALSE(image->palette);
  image->ReapplyModes();
  EXPECT_TRUE(image->palette);
  image->DropSoftwareCaches();
  EXPECT_TRUE(image->palette) << "a palette is a pixel form, not a cache";
}

TEST(PurgeTest, PurgedSourcesStillDraw) {
  auto sprite = MakeImage(1, 1, {0xFF00FF00});
  sprite->PurgePixels();
  auto screen = Testing::MakeScreen(2, 2);
  Graphics(screen.get()).DrawImage(sprite.get(), 1, 1);
  EXPECT_EQ(PixelAt(*screen, 1, 1), 0xFF00FF00u);
  EXPECT_TRUE(sprite->drawn);
}

}  // namespace
}  // namespace Orva
