#pragma once

#include <string>
#include <string_view>

namespace Orva {

// Writes a whole file so that it appears complete or not at all: the data goes to "path.tmp"
// beside it (folders are made as needed), then replaces the file by a rename. On failure the old
// file is untouched, no temporary file is left, and the answer is false.
bool WriteFileAtomically(const std::string& path, std::string_view data);

}  // namespace Orva
