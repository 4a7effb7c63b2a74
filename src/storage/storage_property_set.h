// A property set opened from a storage, as the object layer hands it out. The values are read
// and written through its property storage with the property helpers (property_helpers.h).
#pragma once

#include <memory>

#include "storage/cfb/property_set.h"
#include "storage/property_storage.h"

namespace kv {

class TStructuredStorage;

class TStoragePropertySet {
 public:
  // Holds `propertyStorage` and counts as a holder of `storage`.
  TStoragePropertySet(std::unique_ptr<TPropertyStorage> propertyStorage,
                      TStructuredStorage* storage);
  ~TStoragePropertySet();
  TStoragePropertySet(const TStoragePropertySet&) = delete;
  TStoragePropertySet& operator=(const TStoragePropertySet&) = delete;

  TPropertyStorage* _IPropertyStorage() const { return FPS.get(); }
  TStructuredStorage* Parent() const { return FParent; }
  size_t PropertyCount() const { return FPS ? FPS->Count() : 0; }
  TStatPropSetStg Stat() const { return FPS ? FPS->Stat() : TStatPropSetStg{}; }
  // Writes the values changed through the set to the file's transaction, the set once.
  void Flush() {
    if (FPS) FPS->Flush();
  }

 private:
  std::unique_ptr<TPropertyStorage> FPS;
  TStructuredStorage* FParent;
};

}  // namespace kv
