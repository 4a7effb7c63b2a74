// The base of every collector: live or stored mode, whose data it is (logged-on user, SID,
// session), and the metadata of a history data file, written and read through replaceable
// header events whose defaults use the file's summary property set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/datetime.h"
#include "storage/byte_stream.h"
#include "storage/storage_ref.h"
#include "storage/structured_storage.h"
#include "system/context.h"
#include "system/session.h"

namespace kv {

// The metadata of a history data file as the default header reader fills it.
struct TStorageInfoRecord {
  int32_t SIFVersion = 0;
  std::u16string Machine;
  std::u16string Title;
  std::u16string Copyright;
  std::u16string Application;
  std::u16string OS;
  std::u16string OSName;
  std::u16string OSEdition;
  int32_t OSPlatform = 0;
  int32_t OSMajorVersion = 0;
  int32_t OSMinorversion = 0;
  int32_t OSBuildNumber = 0;
  std::u16string OSCSDVersion;
  TDateTime Timestamp = 0;
  std::u16string Security;
  std::u16string LoggedUser;
  std::u16string LoggedUserSID;
  std::u16string Account;
  std::u16string Session;
  int32_t SessionID = 0;
  std::u16string Comment;
  std::u16string IP;
  std::u16string FileName;
  std::u16string MD5;
  bool Encrypted = false;

  bool operator==(const TStorageInfoRecord&) const = default;
};

// Writes the metadata into `file`, the history data file as one writer holds it open; the
// caller commits it together with whatever else it changes in the same open.
using THeaderWriter =
    std::function<void(TStructuredStorage& file, std::u16string_view comment, bool encoded)>;
using THeaderReader = std::function<void(std::u16string_view fileName, TStorageInfoRecord& header)>;
using TOnDebugEvent = std::function<void(std::u16string_view message)>;
using TProgressEvent = std::function<void(std::u16string_view message)>;

// The metadata of a history data file as the default header reader reads it from the summary
// property set; nothing for a file that is not a compound file.
void ReadStorageInfo(std::u16string_view fileName, TStorageInfoRecord& header);

// "%s %d.%d.%d %s": the system's name, version numbers and edition, as the headers store it.
std::u16string OSKeywordsText(const TStartupFacts& facts);

class TVix_Component {
 public:
  explicit TVix_Component(const TSystemContext& context);
  virtual ~TVix_Component() = default;
  TVix_Component(const TVix_Component&) = delete;
  TVix_Component& operator=(const TVix_Component&) = delete;

  // Opens the file for writing, calls the header writer, when there is one, with encoded =
  // (code is given), and commits.
  virtual void SaveToStorage(std::u16string_view fileName, std::u16string_view comment,
                             TCodeStreamProcedure code);
  // Remembers the file and decoder, switches to stored mode for good and reads the header.
  virtual bool LoadFromStorage(std::u16string_view fileName, TCodeStreamProcedure code);

  void SetSession(uint32_t sessionId);
  void SetLoggedUser(std::u16string_view name);

  // The default header writer and reader: the 24 properties of the summary property set.
  void WriteStorageHeader(TStructuredStorage& file, std::u16string_view comment, bool encoded);
  void ReadStorageHeader(std::u16string_view fileName, TStorageInfoRecord& header);

  const TSystemContext& Context() const { return FContext; }
  const std::u16string& StorageFilename() const { return FFilename; }
  bool LiveData() const { return FLiveData; }
  const TStorageInfoRecord& StorageInfo() const { return FSIR; }
  bool DataAvailable() const { return FDA; }
  const std::u16string& SID() const { return FSID; }
  const std::u16string& LoggedUser() const { return FLU; }
  uint32_t SessionID() const { return FSessionID; }
  TSessionTypes Session() const { return FST; }
  TCodeStreamProcedure StreamCodeProc() const { return FCS; }
  const std::u16string& SimpleLoggedUser() const { return FSLU; }
  bool ConvertTimeToLocal() const { return FCTTL; }
  void SetConvertTimeToLocal(bool value) { FCTTL = value; }
  int32_t OSMajorVersion() const { return FOSMajor; }
  int32_t OSMinorVersion() const { return FOSMinor; }

  TOnDebugEvent OnDebug;
  THeaderReader OnReadHeader;
  THeaderWriter OnWriteHeader;
  TProgressEvent OnProgress;

 protected:
  void SetDataAvailable(bool value) { FDA = value; }
  // The header writer's part of a write through an open file.
  void WriteHeaderInto(TStructuredStorage& file, std::u16string_view comment,
                       TCodeStreamProcedure code);

 private:
  const TSystemContext& FContext;
  std::u16string FFilename;
  bool FLiveData = true;
  TStorageInfoRecord FSIR;
  bool FDA = false;
  std::u16string FSID;
  std::u16string FLU;
  uint32_t FSessionID = 0;
  TSessionTypes FST;
  TCodeStreamProcedure FCS = nullptr;
  std::u16string FSLU;
  bool FCTTL = true;
  int32_t FOSMajor = 0;
  int32_t FOSMinor = 0;
};

}  // namespace kv
