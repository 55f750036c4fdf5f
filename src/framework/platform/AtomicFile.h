#pragma once

#include <string>
#include <string_view>

namespace Orva {

// Writes a whole file so that it appears complete or not at all, even with other writers at work:
// the data goes to a temporary file of its own beside the target ("path.XXXXXX.tmp", created
// exclusively, never through a link planted there), is flushed to the disk, and then replaces the
// target by a rename, after which the folder is flushed too. Folders are made as needed. When path
// is a symbolic link, the file it finally names is replaced and the link stays; the new file keeps
// the old one's permission bits. On failure the old file is untouched, no temporary file is left,
// and the answer is false.
bool WriteFileAtomically(const std::string& path, std::string_view data);
// The same; on failure reason says why, as the system words it ("Permission denied").
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string& reason);

}  // namespace Orva
