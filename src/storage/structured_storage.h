// A storage of a compound file as the rest of the system handles it: path names with "\",
// open-or-create, a cached list of the storage's elements and property sets, recursive
// deletion, and errors as EStorageError with the status code.
//
// Ownership: the caller owns every object it opens and frees children before their parent.
// Storages opened on the way down a path ("a\b\c") belong to the object returned, and go
// with it. The file stays open while any object opened from it lives; see storage_file.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storage/storage_modes.h"
#include "storage/storage_ref.h"

namespace kv {

class TStorageStream;
class TStoragePropertySet;

struct TElement {
  std::u16string Name;
  TStatStg Props;
};
using TElements = std::vector<TElement>;

struct TPropSet {
  std::u16string Name;
  TStatPropSetStg Props;
};
using TPropSets = std::vector<TPropSet>;

class TStructuredStorage {
 public:
  // Wraps an open storage; `parent` is none for a file's root. Reads both lists.
  TStructuredStorage(TStructuredStorage* parent, TStorageRef storage);
  ~TStructuredStorage();
  TStructuredStorage(const TStructuredStorage&) = delete;
  TStructuredStorage& operator=(const TStructuredStorage&) = delete;

  const TStorageRef& _IStorage() const { return FStorage; }
  TStructuredStorage* Parent() const { return FParent; }
  bool IsRoot() const { return FParent == nullptr; }
  bool AutoFree() const { return FAutoFree; }
  void SetAutoFree(bool value) { FAutoFree = value; }
  int32_t LockCount() const { return FLockCount; }

  // A holder (an object opened from this storage) comes and goes.
  void AddHolder() { ++FLockCount; }
  void Close();

  // The cached element list; names compare without regard to ASCII letter case.
  bool ElementExists(std::u16string_view name) const;
  size_t ElementCount() const { return FElements.size(); }
  const TElement& GetElement(size_t index) const { return FElements.at(index); }
  TElement FindElement(std::u16string_view name) const;  // all empty when absent
  size_t PropertySetCount() const { return FPropSets.size(); }
  const TPropSet& GetPropertySet(size_t index) const { return FPropSets.at(index); }

  // nullptr for an empty name. Raises when a storage on the path cannot be opened or created.
  std::unique_ptr<TStructuredStorage> OpenSubStorage(std::u16string_view name, uint32_t mode,
                                                     bool canCreate);
  // nullptr when the stream does not exist (and canCreate is false) or cannot be opened.
  std::unique_ptr<TStorageStream> OpenStream(std::u16string_view name, uint32_t mode,
                                             bool canCreate);
  // Removes the element and everything below it; false when there was none. Never raises.
  bool DeleteElement(std::u16string_view name);
  // nullptr when the set is absent and canCreate is false.
  std::unique_ptr<TStoragePropertySet> OpenPropertySet(const TGuid& formatId, uint32_t mode,
                                                       bool canCreate,
                                                       std::u16string_view name = {});
  std::unique_ptr<TStoragePropertySet> CreatePropertySet(std::u16string_view name,
                                                         const TGuid& formatId,
                                                         const TGuid& classId, uint32_t flags,
                                                         uint32_t mode);
  // Makes every change to the file so far durable (it happens anyway when the file closes
  // normally; calling it lets a writer see a failure as an error).
  void Commit();

  void ReadElements();
  void ReadPropertySets();

 private:
  struct TPathWalk;
  TPathWalk Walk(std::u16string_view name, uint32_t mode, bool canCreate);
  void CheckMode(uint32_t mode) const;

  int32_t FLockCount = 0;
  TStorageRef FStorage;
  TStructuredStorage* FParent;
  bool FAutoFree;
  TElements FElements;
  TPropSets FPropSets;
  std::unique_ptr<TStructuredStorage> FOwnedParent;  // a storage opened on the way down a path
};

}  // namespace kv
