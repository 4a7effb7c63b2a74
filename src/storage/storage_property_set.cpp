#include "storage/storage_property_set.h"

#include "storage/structured_storage.h"

namespace kv {

TStoragePropertySet::TStoragePropertySet(std::unique_ptr<TPropertyStorage> propertyStorage,
                                         TStructuredStorage* storage)
    : FPS(std::move(propertyStorage)), FParent(storage) {
  if (FParent) FParent->AddHolder();
}

TStoragePropertySet::~TStoragePropertySet() {
  FPS.reset();
  if (FParent) FParent->Close();
}

}  // namespace kv
