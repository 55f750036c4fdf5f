#include "framework/resourcemanager/SharedImage.h"

#include "framework/graphics/MemoryImage.h"

namespace Orva {

SharedPictureRef::SharedPictureRef(std::unique_ptr<MemoryImage> ownedImage) : privateImage_(std::move(ownedImage)) {}

SharedPictureRef SharedPictureRef::Unowned(MemoryImage* image) {
  SharedPictureRef ref;
  ref.privateImage_ = std::shared_ptr<MemoryImage>(image, [](MemoryImage*) {});
  return ref;
}

SharedPictureRef::SharedPictureRef(SharedImage* entry) : entry_(entry) {
  if (entry_ != nullptr) entry_->refCount.fetch_add(1);
}

SharedPictureRef::SharedPictureRef(const SharedPictureRef& other)
    : entry_(other.entry_), privateImage_(other.privateImage_) {
  if (entry_ != nullptr) entry_->refCount.fetch_add(1);
}

SharedPictureRef::SharedPictureRef(SharedPictureRef&& other) noexcept
    : entry_(other.entry_), privateImage_(std::move(other.privateImage_)) {
  other.entry_ = nullptr;
}

SharedPictureRef& SharedPictureRef::operator=(const SharedPictureRef& other) {
  if (this != &other) {
    SharedPictureRef copy(other);
    *this = std::move(copy);
  }
  return *this;
}

SharedPictureRef& SharedPictureRef::operator=(SharedPictureRef&& other) noexcept {
  if (this != &other) {
    Release();
    entry_ = other.entry_;
    privateImage_ = std::move(other.privateImage_);
    other.entry_ = nullptr;
  }
  return *this;
}

SharedPictureRef::~SharedPictureRef() { Release(); }

void SharedPictureRef::Release() {
  if (entry_ != nullptr) {
    // Once the count is down the entry may be purged by another thread at once: read the table
    // first.
    SharedImageTable* table = entry_->table;
    if (entry_->refCount.fetch_sub(1) == 1) table->RequestPurge();
  }
  entry_ = nullptr;
  privateImage_.reset();
}

MemoryImage* SharedPictureRef::Get() const {
  if (entry_ != nullptr) return entry_->image.get();
  return privateImage_.get();
}

SharedImageTable::SharedImageTable(std::recursive_mutex& displayLock, ImageFactory loadFile, ImageFactory makeEmpty)
    : lock_(displayLock), loadFile_(std::move(loadFile)), makeEmpty_(std::move(makeEmpty)) {}

SharedImageTable::~SharedImageTable() = default;

SharedPictureRef SharedImageTable::Acquire(const std::string& path, const std::string& variant, bool* isNew) {
  const auto key = std::make_pair(path, variant);
  if (isNew != nullptr) *isNew = false;
  {
    std::lock_guard guard(lock_);
    auto found = entries_.find(key);
    if (found != entries_.end()) return SharedPictureRef(found->second.get());
  }

  // Read outside the lock: decoding a large picture must not hold up the thread that draws.
  std::unique_ptr<MemoryImage> image = (!path.empty() && path[0] == '!') ? makeEmpty_(path) : loadFile_(path);
  if (image == nullptr) return SharedPictureRef();

  std::lock_guard guard(lock_);
  auto [where, inserted] = entries_.try_emplace(key);
  if (inserted) {
    where->second = std::make_unique<SharedImage>();
    where->second->image = std::move(image);
    where->second->table = this;
    if (isNew != nullptr) *isNew = true;
  }
  // Another thread may have made the same entry meanwhile; then ours is dropped and theirs used.
  return SharedPictureRef(where->second.get());
}

bool SharedImageTable::Discard(const std::string& path, const std::string& variant) {
  std::lock_guard guard(lock_);
  auto found = entries_.find(std::make_pair(path, variant));
  if (found == entries_.end() || found->second->refCount.load() != 0) return false;
  entries_.erase(found);
  return true;
}

int SharedImageTable::PurgeUnreferenced() {
  std::lock_guard guard(lock_);
  purgeRequested_.store(false);
  int purged = 0;
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second->refCount.load() == 0) {
      it = entries_.erase(it);
      ++purged;
    } else {
      ++it;
    }
  }
  return purged;
}

size_t SharedImageTable::Count() const {
  std::lock_guard guard(lock_);
  return entries_.size();
}

}  // namespace Orva
