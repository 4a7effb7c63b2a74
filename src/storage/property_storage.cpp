#include "storage/property_storage.h"

#include <exception>

#include "base/error.h"

namespace kv {

TPropertyStorage::TPropertyStorage(std::shared_ptr<cfb::TCompoundFile> file, uint32_t stream,
                                   bool writable, cfb::TPropertySet set)
    : FFile(std::move(file)),
      FStream(stream),
      FWritable(writable),
      FUncaughtAtOpen(std::uncaught_exceptions()),
      FSet(std::move(set)) {}

TPropertyStorage::~TPropertyStorage() {
  if (!FChanged || std::uncaught_exceptions() > FUncaughtAtOpen) return;
  try {
    Flush();
  } catch (...) {
    // The set could not be written: the transaction must not commit without it.
    try {
      FFile->Rollback();
    } catch (...) {}
  }
}

std::unique_ptr<TPropertyStorage> TPropertyStorage::Open(std::shared_ptr<cfb::TCompoundFile> file,
                                                         uint32_t storage, const TGuid& formatId,
                                                         bool writable) {
  uint32_t stream = file->Find(storage, cfb::PropertySetStreamName(formatId));
  if (stream == cfb::kNoStream || file->Entry(stream).Type != cfb::TEntryType::Stream)
    return nullptr;
  try {
    cfb::TPropertySet set = cfb::ParsePropertySet(file->ReadWholeStream(stream), file->Path());
    if (set.Sections.front().FormatId != formatId) return nullptr;
    return std::make_unique<TPropertyStorage>(std::move(file), stream, writable, std::move(set));
  } catch (const EStorageError&) {
    return nullptr;  // a damaged set counts as absent
  }
}

std::unique_ptr<TPropertyStorage> TPropertyStorage::Create(std::shared_ptr<cfb::TCompoundFile> file,
                                                           uint32_t storage, const TGuid& formatId,
                                                           const TGuid& classId) {
  std::u16string name = cfb::PropertySetStreamName(formatId);
  uint32_t stream = file->Find(storage, name);
  if (stream != cfb::kNoStream) file->Destroy(storage, stream);
  stream = file->Create(storage, name, cfb::TEntryType::Stream);
  cfb::TPropertySet set;
  set.ClassId = classId;
  set.Sections.emplace_back();
  set.Sections.front().FormatId = formatId;
  auto result = std::make_unique<TPropertyStorage>(std::move(file), stream, true, std::move(set));
  result->FChanged = true;
  result->Flush();
  return result;
}

std::optional<cfb::TPropValue> TPropertyStorage::Read(uint32_t number) const {
  if (number == cfb::kPidCodePage && Section().HasCodePage) {
    cfb::TPropValue v;
    v.Type = cfb::VT_I2;
    v.Int = Section().CodePage;
    return v;
  }
  auto it = Section().Values.find(number);
  if (it == Section().Values.end()) return std::nullopt;
  return it->second;
}

std::optional<cfb::TPropValue> TPropertyStorage::ReadByName(std::u16string_view name) const {
  auto number = Section().FindName(name);
  if (!number) return std::nullopt;
  return Read(*number);
}

std::u16string TPropertyStorage::NameOf(uint32_t number) const {
  auto it = Section().Names.find(number);
  return it == Section().Names.end() ? std::u16string() : it->second;
}

void TPropertyStorage::Write(uint32_t number, cfb::TPropValue value) {
  if (!FWritable)
    throw EStorageError(TStorageStatus::AccessDenied, u"the property set is open for reading only");
  if (number == cfb::kPidDictionary || number == cfb::kPidCodePage || number >= 0x80000000u) {
    throw EStorageError(TStorageStatus::InvalidParameter,
                        u"this property number cannot be written");
  }
  FSet.Sections.front().Values[number] = std::move(value);
  FChanged = true;
}

void TPropertyStorage::WriteByName(std::u16string_view name, cfb::TPropValue value,
                                   uint32_t firstNumber) {
  if (!FWritable)
    throw EStorageError(TStorageStatus::AccessDenied, u"the property set is open for reading only");
  if (name.empty())
    throw EStorageError(TStorageStatus::InvalidParameter, u"a property name is empty");
  cfb::TPropertySection& section = FSet.Sections.front();
  auto number = section.FindName(name);
  if (!number) {
    number = section.NewNumber(firstNumber);
    section.Names[*number] = std::u16string(name);
  }
  section.Values[*number] = std::move(value);
  FChanged = true;
}

void TPropertyStorage::Flush() {
  if (!FChanged) return;
  std::string bytes = cfb::SerializePropertySet(FSet);
  if (bytes.size() < FFile->StreamSize(FStream)) FFile->ResizeStream(FStream, bytes.size());
  FFile->WriteStream(FStream, 0, bytes.data(), bytes.size());
  FChanged = false;
}

TStatPropSetStg TPropertyStorage::Stat() const {
  TStatPropSetStg stat;
  stat.FormatId = Section().FormatId;
  stat.ClassId = FSet.ClassId;
  const cfb::TDirEntry& e = FFile->Entry(FStream);
  stat.ModificationTime = e.ModifiedTime;
  stat.CreationTime = e.CreationTime;
  stat.OSVersion = FSet.SystemId;
  return stat;
}

}  // namespace kv
