#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace Orva {

class MemoryImage;
class SharedImageTable;

// One picture of the shared image table and the number of references held on it.
struct SharedImage {
  std::unique_ptr<MemoryImage> image;
  std::atomic<int> refCount{0};
  SharedImageTable* table = nullptr;
};

// A counted handle on a picture: either an entry of the shared image table or a picture of its
// own (owned, and then shared by the copies of this reference, or merely pointed at). Copying
// takes a reference; when the last reference on a table entry goes, the table is asked to purge
// unreferenced pictures at its next chance (the application does so in its update).
class SharedPictureRef {
 public:
  SharedPictureRef() = default;
  // A reference that owns a picture outside any table.
  explicit SharedPictureRef(std::unique_ptr<MemoryImage> ownedImage);
  // A reference on a picture someone else keeps alive.
  static SharedPictureRef Unowned(MemoryImage* image);
  SharedPictureRef(const SharedPictureRef& other);
  SharedPictureRef(SharedPictureRef&& other) noexcept;
  SharedPictureRef& operator=(const SharedPictureRef& other);
  SharedPictureRef& operator=(SharedPictureRef&& other) noexcept;
  ~SharedPictureRef();

  void Release();
  MemoryImage* Get() const;
  MemoryImage* operator->() const { return Get(); }
  explicit operator bool() const { return Get() != nullptr; }
  const SharedImage* Entry() const { return entry_; }

 private:
  friend class SharedImageTable;
  explicit SharedPictureRef(SharedImage* entry);  // takes a reference on the entry

  SharedImage* entry_ = nullptr;
  std::shared_ptr<MemoryImage> privateImage_;
};

// The application's table of pictures shared by (path, variant), so that one file loaded for
// several resources or fonts is held once. Entries are created and deleted under the display
// lock; the file itself is read outside it, so a loading thread never holds up drawing.
// The table must outlive every reference on it.
class SharedImageTable {
 public:
  using ImageFactory = std::function<std::unique_ptr<MemoryImage>(const std::string& path)>;

  // loadFile reads a picture file (null when it cannot); makeEmpty makes the empty picture that
  // a path beginning with "!" stands for.
  SharedImageTable(std::recursive_mutex& displayLock, ImageFactory loadFile, ImageFactory makeEmpty);
  ~SharedImageTable();
  SharedImageTable(const SharedImageTable&) = delete;
  SharedImageTable& operator=(const SharedImageTable&) = delete;

  // A reference on the entry for (path, variant), created when there is none; isNew (optional)
  // tells whether it was. An empty reference when the file cannot be read (nothing is kept then).
  SharedPictureRef Acquire(const std::string& path, const std::string& variant, bool* isNew);

  // Deletes the entry for (path, variant) when no reference holds it; true when it went.
  bool Discard(const std::string& path, const std::string& variant);

  // Deletes the entries no reference holds (under the display lock) and clears the request.
  // Returns how many went.
  int PurgeUnreferenced();
  bool PurgeRequested() const { return purgeRequested_.load(); }
  size_t Count() const;

 private:
  friend class SharedPictureRef;
  void RequestPurge() { purgeRequested_.store(true); }

  std::recursive_mutex& lock_;
  ImageFactory loadFile_;
  ImageFactory makeEmpty_;
  std::map<std::pair<std::string, std::string>, std::unique_ptr<SharedImage>> entries_;
  std::atomic<bool> purgeRequested_{false};
};

}  // namespace Orva
