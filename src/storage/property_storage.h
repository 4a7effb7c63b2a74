// One property set of a storage, opened for reading or writing: the layer's platform property
// storage. Values are read and written one at a time, by number or by name. Writes change the
// set in memory; Flush writes the whole set to its stream once, however many values changed.
// The end of the object flushes what is left, unless an exception is on its way (the file's
// transaction then rolls back anyway).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "storage/cfb/compound_file.h"
#include "storage/cfb/property_set.h"
#include "storage/storage_modes.h"

namespace kv {

class TPropertyStorage {
 public:
  // nullptr when the storage holds no readable set `formatId`.
  static std::unique_ptr<TPropertyStorage> Open(std::shared_ptr<cfb::TCompoundFile> file,
                                                uint32_t storage, const TGuid& formatId,
                                                bool writable);
  // Creates the set (code page 1200), replacing a set of that identifier.
  static std::unique_ptr<TPropertyStorage> Create(std::shared_ptr<cfb::TCompoundFile> file,
                                                  uint32_t storage, const TGuid& formatId,
                                                  const TGuid& classId);

  std::optional<cfb::TPropValue> Read(uint32_t number) const;
  std::optional<cfb::TPropValue> ReadByName(std::u16string_view name) const;
  void Write(uint32_t number, cfb::TPropValue value);
  // A new name gets the lowest free number from `firstNumber` upward.
  void WriteByName(std::u16string_view name, cfb::TPropValue value, uint32_t firstNumber);
  // The name the dictionary gives `number`; empty when none.
  std::u16string NameOf(uint32_t number) const;

  size_t Count() const { return Section().Values.size(); }
  TStatPropSetStg Stat() const;

  // Writes the changed set to its stream; does nothing when nothing changed.
  void Flush();

  TPropertyStorage(std::shared_ptr<cfb::TCompoundFile> file, uint32_t stream, bool writable,
                   cfb::TPropertySet set);
  ~TPropertyStorage();
  TPropertyStorage(const TPropertyStorage&) = delete;
  TPropertyStorage& operator=(const TPropertyStorage&) = delete;

 private:
  const cfb::TPropertySection& Section() const { return FSet.Sections.front(); }

  std::shared_ptr<cfb::TCompoundFile> FFile;
  uint32_t FStream;
  bool FWritable;
  bool FChanged = false;
  int FUncaughtAtOpen;
  cfb::TPropertySet FSet;
};

}  // namespace kv
