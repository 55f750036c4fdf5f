#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"

// Any bytes as a resource manifest: reading must end with success or an error text, never a
// crash, and a failed read must leave no resource behind.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Orva::StandaloneResourceHost host;
  Orva::ResourceManager manager(&host);
  const bool ok = manager.ReadManifestFromText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.xml");
  if (!ok && (!manager.images.empty() || !manager.sounds.empty() || !manager.fonts.empty())) __builtin_trap();
  return 0;
}
