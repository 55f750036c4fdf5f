#pragma once

#include <map>
#include <string>

namespace Orva {

// The application's settings, kept as typed values under keys the way the desktop registry keeps
// them, in one text file in the registry export format:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\SOFTWARE\Vendor\Product]
//   "MusicVolume"=dword:00000055
//   "luser"="Ann"
//
//   [HKEY_CURRENT_USER\SOFTWARE\Vendor\Product\Test3D]
//   "Blob"=hex:01,02,ff
//
// Key paths are compared without regard to case, value names too. Every change rewrites the file
// atomically (a temporary file beside it, then a rename), so a crash never leaves it half written.
// A damaged file (cut short, not text, wrong types, unknown lines) loses only what cannot be read.
// A file that could not be read at all is never written over: the values then live in memory only.
class RegistryStore {
 public:
  // The classic value type numbers. A file may hold others (written "hex(N):"); they are kept
  // with their number and bytes, and written back the same way.
  enum class Type : int { None = 0, String = 1, Binary = 3, Dword = 4 };

  struct Value {
    Type type = Type::None;
    std::string data;  // the bytes: text without a terminating zero, 4 little-endian bytes, or raw
  };

  // The file to keep the values in; nothing is read until Load. An empty path turns the store
  // off: every operation then fails and nothing is written.
  void SetFile(const std::string& path);
  const std::string& FilePath() const { return path_; }
  // Reads the file (a missing file is an empty store). False when the file is unreadable or
  // damaged; what could be read is kept.
  bool Load();
  // The last Load found a file it could not read (no access, not a plain file, over the size
  // limit, a read error). Until a Load succeeds, changes are kept in memory and every write is
  // refused, so the file stays as it is.
  bool Unreadable() const { return unreadable_; }

  // keyPath is the key below HKEY_CURRENT_USER, e.g. "SOFTWARE\Vendor\Product\Test3D".
  bool Store(const std::string& keyPath, const std::string& name, Type type, const std::string& data);
  bool Fetch(const std::string& keyPath, const std::string& name, Value& out) const;
  bool Erase(const std::string& keyPath, const std::string& name);

  // The whole store as file text, and back (used by Load and the writes; also for tests).
  std::string ToText() const;
  bool FromText(const std::string& text);

 private:
  bool Save() const;

  std::string path_;
  bool unreadable_ = false;
  // Lower-cased key path -> (key path as first written, lower-cased value name -> (name, value)).
  struct Key {
    std::string path;
    std::map<std::string, std::pair<std::string, Value>> values;
  };
  std::map<std::string, Key> keys_;
};

}  // namespace Orva
