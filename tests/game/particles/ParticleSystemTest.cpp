#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/resources/ImageBridge.h"
#include "game/particles/ParticleSystem.h"
#include "support/AllocationCounter.h"
#include "support/ImageTestSupport.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

using Testing::MakeFilled;
using Testing::MakeScreen;
using Testing::PixelAt;

// A still emitter: particles appear exactly where the system is and keep their birth values.
ParticleParams StillParams() {
  ParticleParams p;
  p.emission = 10;
  p.lifetime = -1;
  p.lifeMin = p.lifeMax = 100;
  p.sizeStart = p.sizeEnd = 1;
  for (int c = 0; c < 4; ++c) p.colourStart[c] = p.colourEnd[c] = 1;
  return p;
}

std::unique_ptr<ParticleSystem> StillSystem() {
  auto s = std::make_unique<ParticleSystem>();
  s->Params() = StillParams();
  s->SetSmoothSpawn(false);
  return s;
}

int Steps(ParticleSystem& s, int n, float dt) {
  for (int i = 0; i < n; ++i) s.Update(dt);
  return s.LiveCount();
}

// --- The shared generator ---------------------------------------------------------------------

TEST(ParticleRandomTest, SequenceFromASeedIsTheLinearCongruentialOne) {
  // Seed 0: the first state is 2531011, and 2531011 >> 16 = 38.
  ParticleSystem::SeedRandom(0);
  EXPECT_FLOAT_EQ(ParticleSystem::RandomDraw(), 38.0f / 65535.0f);
  // Seed 1: states 2745024, ... ; their low 15 bits above bit 16 are the well-known sequence
  // 41, 18467, 6334, 26500, 19169 of this generator.
  ParticleSystem::SeedRandom(1);
  const int expected[] = {41, 51235, 6334, 59268, 51937};
  for (int e : expected) {
    const int got = int(std::lround(ParticleSystem::RandomDraw() * 65535.0f));
    EXPECT_EQ(got, e);
  }
}

TEST(ParticleRandomTest, DrawsStayWithinZeroToOneAndSystemsDoNotReseed) {
  ParticleSystem::SeedRandom(7);
  const float first = ParticleSystem::RandomDraw();
  ParticleSystem::SeedRandom(7);
  ParticleSystem another;  // making a system later must not restart the sequence
  EXPECT_FLOAT_EQ(ParticleSystem::RandomDraw(), first);
  for (int i = 0; i < 10000; ++i) {
    const float d = ParticleSystem::RandomDraw();
    ASSERT_GE(d, 0.0f);
    ASSERT_LE(d, 1.0f);
  }
}

// --- Reading .psi files -----------------------------------------------------------------------

// The text sources the build turns into .psi files: "name = value", "#" comments, angles in
// "deg", colours as four numbers.
std::map<std::string, std::vector<double>> ReadSource(const std::string& path) {
  std::map<std::string, std::vector<double>> values;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find('#'));
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::istringstream name(line.substr(0, eq));
    std::string key, rest = line.substr(eq + 1);
    name >> key;
    const bool degrees = rest.find("deg") != std::string::npos;
    if (degrees) rest = rest.substr(0, rest.find("deg"));
    if (rest.find("yes") != std::string::npos) rest = "1";
    if (rest.find("no") != std::string::npos) rest = "0";
    std::istringstream numbers(rest);
    double v;
    while (numbers >> v) values[key].push_back(degrees ? v * 3.14159265358979323846 / 180.0 : v);
  }
  return values;
}

class BuiltParticleFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(BuiltParticleFiles, GiveTheValuesOfTheirTextSources) {
  const std::string name = GetParam();
  auto src = ReadSource(std::string(ORVA_SOURCE_DIR) + "/data/particles/" + name + ".txt");
  ASSERT_EQ(src.size(), 25u) << name;
  ParticleSystem s;
  ASSERT_TRUE(s.Load(std::string(ORVA_GAME_DIR) + "/particles/" + name + ".psi", nullptr, 30)) << s.GetError();
  const ParticleParams& p = s.Params();
  auto one = [&](const char* key) { return float(src.at(key).at(0)); };
  EXPECT_EQ(p.emission, int(one("emission")));
  EXPECT_FLOAT_EQ(p.lifetime, one("lifetime"));
  EXPECT_FLOAT_EQ(p.lifeMin, one("life_min"));
  EXPECT_FLOAT_EQ(p.lifeMax, one("life_max"));
  EXPECT_FLOAT_EQ(p.direction, one("direction"));
  EXPECT_FLOAT_EQ(p.spread, one("spread"));
  EXPECT_EQ(p.relative, one("relative") != 0);
  EXPECT_FLOAT_EQ(p.speedMin, one("speed_min"));
  EXPECT_FLOAT_EQ(p.speedMax, one("speed_max"));
  EXPECT_FLOAT_EQ(p.gravityMin, one("gravity_min"));
  EXPECT_FLOAT_EQ(p.gravityMax, one("gravity_max"));
  EXPECT_FLOAT_EQ(p.radialMin, one("radial_min"));
  EXPECT_FLOAT_EQ(p.radialMax, one("radial_max"));
  EXPECT_FLOAT_EQ(p.tangentialMin, one("tangential_min"));
  EXPECT_FLOAT_EQ(p.tangentialMax, one("tangential_max"));
  EXPECT_FLOAT_EQ(p.sizeStart, one("size_start"));
  EXPECT_FLOAT_EQ(p.sizeEnd, one("size_end"));
  EXPECT_FLOAT_EQ(p.sizeVar, one("size_var"));
  EXPECT_FLOAT_EQ(p.spinStart, one("spin_start"));
  EXPECT_FLOAT_EQ(p.spinEnd, one("spin_end"));
  EXPECT_FLOAT_EQ(p.spinVar, one("spin_var"));
  for (int c = 0; c < 4; ++c) {
    EXPECT_FLOAT_EQ(p.colourStart[c], float(src.at("colour_start").at(c)));
    EXPECT_FLOAT_EQ(p.colourEnd[c], float(src.at("colour_end").at(c)));
  }
  EXPECT_FLOAT_EQ(p.colourVar, one("colour_var"));
  EXPECT_FLOAT_EQ(p.alphaVar, one("alpha_var"));
  // Loading leaves a stopped template with the defaults and the fixed step.
  EXPECT_TRUE(s.IsStopped());
  EXPECT_FALSE(s.IsAdditive());
  EXPECT_TRUE(s.IsSmoothSpawn());
  EXPECT_EQ(s.GetEmissionMode(), ParticleSystem::kModeContinuous);
  EXPECT_FLOAT_EQ(s.GetFixedStep(), 1.0f / 30);
}

INSTANTIATE_TEST_SUITE_P(Game, BuiltParticleFiles,
                         ::testing::Values("flyruns_bubbles", "bonus", "exp", "next_stage_0", "next_stage_1",
                                           "red_radial"));

class DamagedParticleFiles : public ::testing::Test {
 protected:
  Testing::TempFolder dir{"particles"};
  std::string Write(const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(dir.Write(name, bytes));
    return (dir / name).string();
  }
  std::string Good() {
    std::ifstream in(std::string(ORVA_GAME_DIR) + "/particles/exp.psi", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

TEST_F(DamagedParticleFiles, MissingShortOrNonFiniteFilesFailAndLeaveZeroes) {
  ASSERT_EQ(Good().size(), 128u);
  ParticleSystem s;
  s.Params().emission = 99;
  EXPECT_FALSE(s.Load((dir / "none.psi").string(), nullptr, 30));
  EXPECT_NE(s.GetError().find("none.psi"), std::string::npos);
  EXPECT_EQ(s.Params().emission, 0);

  for (size_t size : {size_t(0), size_t(4), size_t(127)}) {
    s.Params().emission = 99;
    EXPECT_FALSE(s.Load(Write("short.psi", Good().substr(0, size)), nullptr, 30)) << size;
    EXPECT_EQ(s.Params().emission, 0);
    EXPECT_EQ(s.Params().lifeMax, 0.0f);
  }

  std::string nan = Good();
  const uint8_t nanBytes[] = {0x00, 0x00, 0xC0, 0x7F};  // a quiet NaN as the particle life maximum
  nan.replace(16, 4, reinterpret_cast<const char*>(nanBytes), 4);
  EXPECT_FALSE(s.Load(Write("nan.psi", nan), nullptr, 30));
  EXPECT_EQ(s.Params().emission, 0);

  // Bytes past the 128 are not read; the file still loads.
  EXPECT_TRUE(s.Load(Write("long.psi", Good() + "extra"), nullptr, 30)) << s.GetError();
  EXPECT_EQ(s.Params().emission, 220);
}

// Nothing emitted would otherwise hold the stop back for ever: the board keeps every such copy
// (an explosion with its file missing) alive and updated for the rest of the game.
TEST_F(DamagedParticleFiles, ACopyOfATemplateThatCannotEmitEndsAtItsLifetime) {
  ParticleSystem failed;
  ASSERT_FALSE(failed.Load((dir / "none.psi").string(), nullptr, 30));
  auto copy = failed.Copy();
  copy->Fire(10, 10);
  EXPECT_EQ(Steps(*copy, 4, 0.01f), 0);  // lifetime 0: over at the first step
  EXPECT_TRUE(copy->IsFinished());

  auto silent = StillSystem();
  silent->Params().emission = 0;
  silent->Params().lifetime = 0.25f;
  silent->Fire(0, 0);
  Steps(*silent, 2, 0.1f);
  EXPECT_FALSE(silent->IsStopped());
  Steps(*silent, 1, 0.1f);
  EXPECT_TRUE(silent->IsFinished());
  // Fired again, it runs its lifetime again.
  silent->Fire(0, 0);
  EXPECT_FALSE(silent->IsStopped());
}

TEST(ParticleParamsTest, LayoutIsLittleEndianAtTheDocumentedOffsets) {
  uint8_t bytes[128] = {};
  bytes[4] = 0x2C, bytes[5] = 0x01;  // emission 300
  const uint8_t minusOne[] = {0x00, 0x00, 0x80, 0xBF};
  std::memcpy(bytes + 8, minusOne, 4);    // lifetime -1
  std::memcpy(bytes + 124, minusOne, 4);  // alpha variation, the last field
  bytes[28] = 1;
  ParticleParams p;
  ASSERT_TRUE(ParticleParams::Parse(bytes, sizeof bytes, p));
  EXPECT_EQ(p.emission, 300);
  EXPECT_EQ(p.lifetime, -1.0f);
  EXPECT_TRUE(p.relative);
  EXPECT_EQ(p.alphaVar, -1.0f);
  EXPECT_EQ(p.colourVar, 0.0f);
  EXPECT_FALSE(ParticleParams::Parse(bytes, 127, p));
  EXPECT_FALSE(ParticleParams::Parse(nullptr, 128, p));
}

// --- Timing and emission ----------------------------------------------------------------------

TEST(ParticleTimingTest, FixedStepRunsAtMostOneStepPerUpdate) {
  auto s = StillSystem();
  s->SetStepsPerSecond(30);
  s->Params().emission = 30;  // one particle per 1/30 s step
  s->Fire(0, 0);
  EXPECT_EQ(Steps(*s, 3, 0.01f), 0);  // 0.03 s is less than a step
  EXPECT_EQ(Steps(*s, 1, 0.01f), 1);
  // A long frame still simulates one step only, and does not hang on a huge or bad time.
  EXPECT_EQ(Steps(*s, 1, 1.0f), 2);
  s->Update(1e30f);
  s->Update(INFINITY);
  s->Update(NAN);
  s->Update(-1);
  EXPECT_LE(s->LiveCount(), 3);
}

TEST(ParticleTimingTest, NoFixedStepWhenZeroStepsPerSecond) {
  auto s = StillSystem();
  s->SetStepsPerSecond(0);
  EXPECT_EQ(s->GetFixedStep(), 0.0f);
  s->Fire(0, 0);
  EXPECT_EQ(Steps(*s, 1, 0.1f), 1);
}

TEST(ParticleEmissionTest, CountsCarryTheRemainderBetweenSteps) {
  auto s = StillSystem();
  s->Params().emission = 25;  // 2.5 a step of 0.1 s: 3, 2, 3, 2 ...
  s->Fire(0, 0);
  EXPECT_EQ(Steps(*s, 1, 0.1f), 3);
  EXPECT_EQ(Steps(*s, 1, 0.1f), 5);
  EXPECT_EQ(Steps(*s, 8, 0.1f), 25);  // one second: exactly the rate
}

TEST(ParticleEmissionTest, ParticlesDieAtTheEndOfTheirLife) {
  auto s = StillSystem();
  s->Params().lifeMin = s->Params().lifeMax = 0.35f;  // born, then alive for 3 more steps
  s->Fire(0, 0);
  EXPECT_EQ(Steps(*s, 4, 0.1f), 4);
  EXPECT_EQ(Steps(*s, 20, 0.1f), 4);
  for (int i = 0; i < s->LiveCount(); ++i) EXPECT_LT(s->GetParticle(i).age, 0.35f);
}

TEST(ParticleEmissionTest, LiveParticlesAreCappedAt500) {
  auto s = StillSystem();
  s->Params().emission = 100000;
  s->Fire(0, 0);
  EXPECT_EQ(Steps(*s, 1, 0.1f), ParticleSystem::kMaxParticles);
  EXPECT_EQ(Steps(*s, 3, 0.1f), ParticleSystem::kMaxParticles);
  // A rate past the 32-bit range of counts is bounded, not overflowed.
  s->Params().emission = INT32_MAX;
  EXPECT_EQ(Steps(*s, 1, 1e6f), ParticleSystem::kMaxParticles);
}

TEST(ParticleEmissionTest, LifetimeStopsEmissionAndTheSystemFinishes) {
  auto s = StillSystem();
  s->Params().lifetime = 0.25f;
  s->Params().lifeMin = s->Params().lifeMax = 0.5f;
  s->Fire(0, 0);
  EXPECT_EQ(Steps(*s, 2, 0.1f), 2);
  EXPECT_EQ(Steps(*s, 1, 0.1f), 2);  // age 0.3: stopped before emitting
  EXPECT_TRUE(s->IsStopped());
  EXPECT_FALSE(s->IsFinished());
  EXPECT_EQ(Steps(*s, 10, 0.1f), 0);
  EXPECT_TRUE(s->IsFinished());
}

TEST(ParticleEmissionTest, EndlessSystemsRunUntilStopped) {
  auto s = StillSystem();
  s->Params().lifeMin = s->Params().lifeMax = 0.25f;
  s->Fire(0, 0);
  EXPECT_EQ(s->GetAge(), ParticleSystem::kEndless);
  Steps(*s, 1000, 0.1f);
  EXPECT_FALSE(s->IsStopped());
  s->Stop();
  Steps(*s, 10, 0.1f);
  EXPECT_TRUE(s->IsFinished());
}

TEST(ParticleEmissionTest, SingleParticleModesEmitOncePerFiring) {
  for (int mode : {ParticleSystem::kModeSingleEnding, ParticleSystem::kModeSingle}) {
    auto s = StillSystem();
    s->SetEmissionMode(mode);
    s->Params().lifeMin = s->Params().lifeMax = 0.45f;
    s->Fire(0, 0);
    EXPECT_EQ(Steps(*s, 1, 0.1f), 1);
    EXPECT_FALSE(s->IsEnding());
    EXPECT_EQ(Steps(*s, 2, 0.1f), 1);  // age 0.2 + 2 x 0.1 < 0.45
    EXPECT_FALSE(s->IsEnding());
    Steps(*s, 1, 0.1f);  // age 0.3 + 0.2 reaches the life
    EXPECT_EQ(s->IsEnding(), mode == ParticleSystem::kModeSingleEnding);
    EXPECT_EQ(Steps(*s, 5, 0.1f), 0);  // died, and no second particle
    s->Fire(0, 0);
    EXPECT_FALSE(s->IsEnding());
    EXPECT_EQ(Steps(*s, 1, 0.1f), 1);
  }
}

TEST(ParticleEmissionTest, ASingleParticleSystemStopsAtItsLifetimeOnItsOwn) {
  // Its stop does not wait for some other system to emit.
  auto s = StillSystem();
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  s->Params().lifetime = 0.3f;
  s->Params().lifeMin = s->Params().lifeMax = 0.2f;
  s->Fire(0, 0);
  Steps(*s, 10, 0.1f);
  EXPECT_TRUE(s->IsFinished());
}

TEST(ParticleEmissionTest, ZeroLifeParticlesGetFiniteRates) {
  auto s = StillSystem();
  s->Params().lifeMin = s->Params().lifeMax = 0;
  s->Params().sizeEnd = 3;
  s->Fire(0, 0);
  Steps(*s, 1, 0.1f);
  ASSERT_EQ(s->LiveCount(), 1);
  EXPECT_TRUE(std::isfinite(s->GetParticle(0).sizeRate));
  EXPECT_EQ(Steps(*s, 1, 0.1f), 1);  // the old one died, a new one was born
}

// --- Motion and spawning ----------------------------------------------------------------------

TEST(ParticleMotionTest, VelocityIsAddedWholeEachStepAndGravityScaledByTime) {
  auto s = StillSystem();
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  s->Params().direction = 3.14159265f / 2;  // to the right
  s->Params().speedMin = s->Params().speedMax = 2;
  s->Params().gravityMin = s->Params().gravityMax = 10;
  s->Fire(100, 100);
  Steps(*s, 1, 0.1f);
  const Particle& p = s->GetParticle(0);
  EXPECT_FLOAT_EQ(p.x, 100);
  EXPECT_NEAR(p.velX, 2, 1e-5);
  EXPECT_NEAR(p.velY, 0, 1e-5);
  Steps(*s, 2, 0.1f);
  // Two steps: x grows by 2 each; velocity y becomes 1 then 2, so y grows by 3.
  EXPECT_NEAR(p.x, 104, 1e-4);
  EXPECT_NEAR(p.y, 103, 1e-4);
}

TEST(ParticleMotionTest, BirthValuesTakeTheGeneratorsDrawsInOrder) {
  // From seed 0 the draws are 38, 7719, 54006, 2437, 41623 (out of 65535): life, angle (spread
  // 0, so unused), speed, gravity, radial. With ranges of 0 to 65535 each value is its draw.
  ParticleSystem::SeedRandom(0);
  auto s = StillSystem();
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  ParticleParams& q = s->Params();
  q.lifeMin = 0, q.lifeMax = 65535;
  q.speedMin = 0, q.speedMax = 65535;
  q.gravityMin = 0, q.gravityMax = 65535;
  q.radialMin = 0, q.radialMax = 65535;
  s->Fire(0, 0);
  Steps(*s, 1, 0.001f);
  const Particle& p = s->GetParticle(0);
  EXPECT_NEAR(p.life, 38, 0.01);
  EXPECT_NEAR(p.velX, 0, 0.1);  // direction 0 is straight up
  EXPECT_NEAR(p.velY, -54006, 0.1);
  EXPECT_NEAR(p.gravity, 2437, 0.01);
  EXPECT_NEAR(p.radial, 41623, 0.01);
}

TEST(ParticleMotionTest, RelativeDirectionFollowsTheSystemsMovement) {
  auto s = StillSystem();
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  s->Params().relative = true;
  s->Params().speedMin = s->Params().speedMax = 1;
  s->Fire(50, 50);
  s->MoveTo(60, 50);  // moving right: "up" turns to point back along the path, to the left
  Steps(*s, 1, 0.1f);
  EXPECT_NEAR(s->GetParticle(0).velX, -1, 1e-4);
  EXPECT_NEAR(s->GetParticle(0).velY, 0, 1e-4);
}

TEST(ParticleMotionTest, RadialAccelerationPushesAwayFromTheSystem) {
  auto s = StillSystem();
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  s->Params().radialMin = s->Params().radialMax = 10;
  s->Fire(50, 50);
  Steps(*s, 1, 0.1f);
  s->MoveTo(40, 50);  // the particle is now 10 pixels right of the system
  Steps(*s, 1, 0.1f);
  const Particle& p = s->GetParticle(0);
  EXPECT_NEAR(p.velX, 1.0f, 0.01f);  // unit vector (1, 0) x 10 x 0.1
  EXPECT_NEAR(p.velY, 0.0f, 1e-4f);
}

TEST(ParticleMotionTest, SmoothSpawningSpreadsBirthsAlongTheMoveWithinTwoPixels) {
  auto s = StillSystem();
  s->SetSmoothSpawn(true);
  s->Params().emission = 1000;
  s->Fire(0, 0);
  s->MoveTo(100, 0);
  Steps(*s, 1, 0.1f);
  ASSERT_EQ(s->LiveCount(), 100);
  float lo = 1e9f, hi = -1e9f;
  for (int i = 0; i < s->LiveCount(); ++i) {
    const Particle& p = s->GetParticle(i);
    EXPECT_GE(p.x, -2.0f);
    EXPECT_LE(p.x, 102.0f);
    EXPECT_LE(std::fabs(p.y), 2.0f);
    lo = std::min(lo, p.x), hi = std::max(hi, p.x);
  }
  EXPECT_GT(hi - lo, 50.0f);
}

TEST(ParticleMotionTest, MoveToWhileStoppedMovesBothPositions) {
  auto s = StillSystem();
  s->SetSmoothSpawn(false);
  s->MoveTo(10, 10);
  s->MoveTo(30, 40);
  s->Fire(30, 40);
  Steps(*s, 1, 0.1f);
  EXPECT_FLOAT_EQ(s->GetParticle(0).x, 30);
  EXPECT_FLOAT_EQ(s->GetParticle(0).y, 40);
}

TEST(ParticleCopyTest, CopiesParametersAndFlagsButNotParticles) {
  auto image = MakeFilled(2, 2, 0xFFFFFFFF);
  auto t = StillSystem();
  t->SetImage(image.get());
  t->SetAdditive(true);
  t->SetEmissionMode(ParticleSystem::kModeSingle);
  t->SetStepsPerSecond(30);
  t->Fire(5, 5);
  Steps(*t, 4, 0.01f);
  ASSERT_EQ(t->LiveCount(), 1);
  auto c = t->Copy();
  EXPECT_EQ(c->LiveCount(), 0);
  EXPECT_TRUE(c->IsStopped());
  EXPECT_EQ(c->GetImage(), image.get());
  EXPECT_TRUE(c->IsAdditive());
  EXPECT_FALSE(c->IsSmoothSpawn());
  EXPECT_EQ(c->GetEmissionMode(), ParticleSystem::kModeSingle);
  EXPECT_FLOAT_EQ(c->GetFixedStep(), 1.0f / 30);
  EXPECT_EQ(c->Params().emission, 10);
}

// --- Drawing ----------------------------------------------------------------------------------

TEST(ParticleDrawTest, AdditiveParticlesAddLightWhereTheyAre) {
  auto screen = MakeScreen(64, 64);
  auto white = MakeFilled(3, 3, 0xFFFFFFFF);
  auto s = StillSystem();
  s->SetImage(white.get());
  s->SetAdditive(true);
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  for (int c = 0; c < 3; ++c) s->Params().colourStart[c] = s->Params().colourEnd[c] = 0.25f;
  s->Fire(20, 30);
  Steps(*s, 1, 0.1f);
  Graphics g(screen.get());
  s->Draw(&g);
  const uint32_t once = PixelAt(*screen, 20, 30);
  EXPECT_NEAR(int(once & 0xFF), 64, 2);
  EXPECT_EQ(PixelAt(*screen, 40, 30), 0xFF000000u);
  EXPECT_EQ(PixelAt(*screen, 20, 40), 0xFF000000u);
  s->Draw(&g);  // light adds up
  EXPECT_NEAR(int(PixelAt(*screen, 20, 30) & 0xFF), 128, 3);
  // The drawing state is restored.
  EXPECT_EQ(g.GetDrawMode(), DRAWMODE_NORMAL);
  EXPECT_FALSE(g.GetTintImages());

  s->SetDrawOffset(20, 0);
  s->Draw(&g);
  EXPECT_NEAR(int(PixelAt(*screen, 40, 30) & 0xFF), 64, 2);
}

TEST(ParticleDrawTest, AdditiveParticlesAreScaledBySize) {
  auto screen = MakeScreen(32, 32, 0xFF102030);
  auto white = MakeFilled(2, 2, 0xFFFFFFFF);
  auto s = StillSystem();
  s->SetImage(white.get());
  s->SetAdditive(true);
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  s->Params().sizeStart = s->Params().sizeEnd = 3;  // 6 x 6 pixels centred on (16, 16)
  for (int c = 0; c < 3; ++c) s->Params().colourStart[c] = s->Params().colourEnd[c] = 0.5f;
  s->Fire(16, 16);
  Steps(*s, 1, 0.1f);
  Graphics g(screen.get());
  s->Draw(&g);
  // Half of white added to the background, channel by channel.
  const uint32_t inside = PixelAt(*screen, 14, 18);
  EXPECT_NEAR(int(inside >> 16 & 0xFF), 0x10 + 128, 3);
  EXPECT_NEAR(int(inside >> 8 & 0xFF), 0x20 + 128, 3);
  EXPECT_NEAR(int(inside & 0xFF), 0x30 + 128, 3);
  EXPECT_EQ(PixelAt(*screen, 16, 21), 0xFF102030u);
  EXPECT_EQ(PixelAt(*screen, 10, 16), 0xFF102030u);
  EXPECT_EQ(Testing::CountNot(*screen, 0xFF102030u), 36);
}

// A legal but huge size: a 32-pixel picture at 40 times its size, shrinking to nothing. Drawn
// at full size, every frame would scale a new sprite of up to 1280 x 1280 and keep it.
TEST(ParticleDrawTest, HugeAdditiveParticlesAreDrawnAtABoundedSizeFromABoundedCache) {
  auto white = MakeFilled(32, 32, 0xFFFFFFFF);
  auto s = StillSystem();
  s->SetImage(white.get());
  s->SetAdditive(true);
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  s->Params().lifeMin = s->Params().lifeMax = 3;
  s->Params().sizeStart = 40;
  s->Params().sizeEnd = 0;
  s->Fire(320, 240);
  int largest = 0, smallest = 640 * 480;
  for (int step = 0; step < 30; ++step) {
    Steps(*s, 1, 0.1f);
    ASSERT_EQ(s->LiveCount(), 1);
    auto screen = MakeScreen(640, 480);
    Graphics g(screen.get());
    s->Draw(&g);
    const int lit = Testing::CountNot(*screen, 0xFF000000u);
    largest = std::max(largest, lit);
    smallest = std::min(smallest, lit);
  }
  // Still drawn large (128 pixels a side at most), and small again at the end of its life.
  EXPECT_EQ(largest, 128 * 128);
  EXPECT_LT(smallest, 64 * 64);
  EXPECT_LE(s->ScaledSpriteBytes(), size_t(1) << 20);
}

TEST(ParticleDrawTest, NormalModeTintsAndNoImageDrawsNothing) {
  auto screen = MakeScreen(32, 32);
  auto white = MakeFilled(4, 4, 0xFFFFFFFF);
  auto s = StillSystem();
  s->SetEmissionMode(ParticleSystem::kModeSingle);
  s->Params().colourStart[1] = s->Params().colourEnd[1] = 0;  // magenta, opaque
  s->Fire(16, 16);
  Steps(*s, 1, 0.1f);
  Graphics g(screen.get());
  s->Draw(&g);
  EXPECT_EQ(Testing::CountNot(*screen, 0xFF000000u), 0);
  s->SetImage(white.get());
  s->Draw(&g);
  // Opaque magenta, within the tint's rounding.
  const uint32_t px = PixelAt(*screen, 16, 16);
  EXPECT_NEAR(int(px >> 16 & 0xFF), 255, 1);
  EXPECT_EQ(px >> 8 & 0xFF, 0u);
  EXPECT_NEAR(int(px & 0xFF), 255, 1);
  EXPECT_EQ(PixelAt(*screen, 2, 2), 0xFF000000u);
}

// --- The game's six effects with their real images ---------------------------------------------

struct Effect {
  const char* name;
  const char* image;
  bool additive;
  bool smooth;
  int mode;
  int ticks;  // board ticks of 0.01 s run before drawing
};

// As the game sets them up when loading ends.
const Effect kEffects[] = {
    {"flyruns_bubbles", "fbubbles.png", true, true, ParticleSystem::kModeContinuous, 30},
    {"bonus", "bonuspart.png", true, true, ParticleSystem::kModeContinuous, 20},
    {"exp", "exppart.png", true, true, ParticleSystem::kModeContinuous, 20},
    {"next_stage_0", "nextstage.png", false, false, ParticleSystem::kModeSingleEnding, 50},
    {"next_stage_1", "nextstage.png", false, true, ParticleSystem::kModeSingle, 50},
    {"red_radial", "fbubbles.png", true, false, ParticleSystem::kModeContinuous, 150},
};

// An effect's template from the built game folder, set up as the game sets it up, with the
// picture it draws.
struct EffectTemplate {
  std::unique_ptr<MemoryImage> image;
  ParticleSystem system;

  bool Load(const Effect& e) {
    image = LoadMemoryImage(std::string(ORVA_GAME_DIR) + "/images/" + e.image, nullptr);
    if (!image || !system.Load(std::string(ORVA_GAME_DIR) + "/particles/" + e.name + ".psi", image.get(), 30))
      return false;
    system.SetAdditive(e.additive);
    system.SetSmoothSpawn(e.smooth);
    system.SetEmissionMode(e.mode);
    return true;
  }
};

// Each effect, fired in the middle of a 640 x 480 screen and run for some board ticks, lights
// pixels only around where it was fired. With ORVA_PARTICLE_RENDER_DIR set, the frames are also
// written there as PNG files to be looked at.
TEST(ParticleEffectsTest, EachEffectDrawsAroundItsOrigin) {
  ParticleSystem::SeedRandom(12345);
  const char* renderDir = std::getenv("ORVA_PARTICLE_RENDER_DIR");
  for (const Effect& e : kEffects) {
    SCOPED_TRACE(e.name);
    EffectTemplate tmpl;
    ASSERT_TRUE(tmpl.Load(e));
    auto s = tmpl.system.Copy();
    float y = 240;
    s->Fire(320, y);
    for (int tick = 0; tick < e.ticks; ++tick) {
      // The bubble trail follows a rune rising at 4 pixels a tick.
      if (std::string(e.name) == "flyruns_bubbles") s->MoveTo(320, y -= 4);
      s->Update(0.01f);
    }
    EXPECT_GT(s->LiveCount(), 0);
    auto screen = MakeScreen(640, 480);
    Graphics g(screen.get());
    s->Draw(&g);
    const int lit = Testing::CountNot(*screen, 0xFF000000u);
    EXPECT_GT(lit, 20);
    int far = 0;
    for (int py = 0; py < 480; ++py)
      for (int px = 0; px < 640; ++px)
        if (PixelAt(*screen, px, py) != 0xFF000000u && std::hypot(px - 320, py - 200) > 200) ++far;
    EXPECT_EQ(far, 0);
    if (renderDir) WriteImagePNG(screen.get(), std::string(renderDir) + "/" + e.name + ".png");
  }
}

// --- Allocations --------------------------------------------------------------------------------

// Effects run every frame for the whole game: updating and drawing them must not allocate. Each
// effect is fired and run over its life twice from the same seed, drawn after every board tick; the
// first run may make the scaled sprites the software renderer draws additive particles from (one
// per pixel size, kept), the second must allocate nothing at all, and updating never does.
TEST(ParticleAllocationTest, UpdatingAndDrawingAllocateNothingOnceTheSpritesAreMade) {
  auto screen = MakeScreen(640, 480);
  Graphics g(screen.get());
  for (const Effect& e : kEffects) {
    SCOPED_TRACE(e.name);
    EffectTemplate tmpl;
    ASSERT_TRUE(tmpl.Load(e));
    auto s = tmpl.system.Copy();
    uint64_t updateAllocations = 0, drawAllocations = 0;
    int mostAlive = 0;
    for (int run = 0; run < 2; ++run) {
      ParticleSystem::SeedRandom(99);
      s->Fire(320, 400);
      drawAllocations = 0;
      // Three seconds of board ticks, moving like a rune in flight; an endless effect is stopped
      // after two.
      for (int tick = 0; tick < 300; ++tick) {
        if (tick == 200) s->Stop();
        s->MoveTo(320, 400.0f - float(tick));
        const uint64_t before = ::Testing::CountedAllocations();
        s->Update(0.01f);
        const uint64_t updated = ::Testing::CountedAllocations();
        s->Draw(&g);
        updateAllocations += updated - before;
        drawAllocations += ::Testing::CountedAllocations() - updated;
        mostAlive = std::max(mostAlive, s->LiveCount());
      }
    }
    EXPECT_GT(mostAlive, 0);
    EXPECT_EQ(updateAllocations, 0u);
    EXPECT_EQ(drawAllocations, 0u) << "in the second run";
  }
}

}  // namespace
}  // namespace Orva
