#include "core/component.h"

#include <unistd.h>

#include "base/error.h"
#include "base/text.h"
#include "storage/data_file_layout.h"
#include "storage/property_helpers.h"
#include "storage/storage_file.h"
#include "storage/storage_property_set.h"
#include "storage/structured_storage.h"
#include "system/user_facts.h"

namespace kv {

std::u16string OSKeywordsText(const TStartupFacts& f) {
  return f.OSName + u' ' + UIntToStr(f.OSVersion.MajorVersion) + u'.' +
         UIntToStr(f.OSVersion.MinorVersion) + u'.' + UIntToStr(f.OSVersion.BuildNumber) + u' ' +
         f.OSEdition;
}

TVix_Component::TVix_Component(const TSystemContext& context) : FContext(context) {
  FLU = GetLoggedOnUser(context, -1);
  FSID = GetUserSID(context, u"", FLU);
  FST = GetSessionTypes(context);
  const TOSVersionRecord& os = context.Facts().OSVersion;
  FOSMajor = int32_t(os.MajorVersion);
  FOSMinor = int32_t(os.MinorVersion);
  FSIR.OSPlatform = int32_t(os.PlatformId);
  FSIR.OSMajorVersion = int32_t(os.MajorVersion);
  FSIR.OSMinorversion = int32_t(os.MinorVersion);
  FSIR.OSBuildNumber = int32_t(os.BuildNumber);
  FSIR.OSCSDVersion = os.CSDVersion;
  OnWriteHeader = [this](TStructuredStorage& f, std::u16string_view c, bool e) {
    WriteStorageHeader(f, c, e);
  };
  OnReadHeader = [this](std::u16string_view f, TStorageInfoRecord& h) { ReadStorageHeader(f, h); };
}

void TVix_Component::SaveToStorage(std::u16string_view fileName, std::u16string_view comment,
                                   TCodeStreamProcedure code) {
  if (!OnWriteHeader) return;
  auto root = OpenStorageFile(fileName, kModeReadWrite | STGM_CREATE);
  WriteHeaderInto(*root, comment, code);
  root->Commit();  // a failure to make it durable is an error, not a quiet rollback
}

void TVix_Component::WriteHeaderInto(TStructuredStorage& file, std::u16string_view comment,
                                     TCodeStreamProcedure code) {
  if (OnWriteHeader) OnWriteHeader(file, comment, code != nullptr);
}

bool TVix_Component::LoadFromStorage(std::u16string_view fileName, TCodeStreamProcedure code) {
  FCS = code;
  FDA = false;
  FFilename = std::u16string(fileName);  // fileName may view the old name: use FFilename below
  FLiveData = false;
  if (OnReadHeader) OnReadHeader(FFilename, FSIR);
  return true;
}

void TVix_Component::SetSession(uint32_t sessionId) {
  FSessionID = sessionId;
  FLU = GetLoggedOnUser(FContext, int32_t(sessionId));
  size_t at = FLU.find(u'@');
  FSLU = at == std::u16string::npos ? FLU : FLU.substr(0, at);
  FSID = GetUserSID(FContext, u"", FLU);
  FST = GetSessionTypes(FContext);
}

void TVix_Component::SetLoggedUser(std::u16string_view name) {
  FLU = std::u16string(name);
  FSID = GetUserSID(FContext, u"", FLU);
}

void TVix_Component::WriteStorageHeader(TStructuredStorage& root, std::u16string_view comment,
                                        bool encoded) {
  const TStartupFacts& f = FContext.Facts();
  auto set = root.OpenPropertySet(FMTID_SummaryInformation, kModeReadWrite, true);
  TPropertyStorage* ps = set->_IPropertyStorage();
  const TVersionInfo& v = f.ProgramVersion;
  WriteStringPropertyID(ps, PIDSI_TITLE, v.ProductName);
  WriteStringPropertyID(ps, PIDSI_APPNAME, v.Description + u' ' + v.Version);
  WriteStringPropertyID(ps, PIDSI_AUTHOR, v.Copyright);
  WriteStringPropertyID(ps, PIDSI_COMMENTS, comment);
  WriteStringPropertyID(ps, PIDSI_KEYWORDS, OSKeywordsText(f));
  WriteStringPropertyID(ps, PIDSI_SUBJECT, AsciiUpper(f.MachineName));
  WriteDateTimePropertyID(ps, PIDSI_CREATE_DTM, NowLocal());
  WriteIntegerProperty(ps, u"SIFVersion", 1);
  WriteIntegerProperty(ps, u"SIFFormat", encoded ? 1 : 0);
  WriteStringProperty(ps, u"OS.LoggedUser", FLU);
  WriteStringProperty(ps, u"OS.LoggedUserSID", FSID);
  WriteStringProperty(ps, u"OS.Account", GetCurrentUserName(FContext));
  WriteIntegerProperty(ps, u"OS.Platform", f.OSVersion.PlatformId);
  WriteIntegerProperty(ps, u"OS.MajorVersion", f.OSVersion.MajorVersion);
  WriteIntegerProperty(ps, u"OS.MinorVersion", f.OSVersion.MinorVersion);
  WriteIntegerProperty(ps, u"OS.BuildNumber", f.OSVersion.BuildNumber);
  WriteStringProperty(ps, u"OS.Name", f.OSName);
  WriteStringProperty(ps, u"OS.Edition", f.OSEdition);
  WriteStringProperty(ps, u"OS.CSD", Trim(f.OSVersion.CSDVersion));
  WriteIntegerProperty(ps, u"ParentProcessPID", int64_t(::getpid()));
  WriteIntegerProperty(ps, u"IsAdmin", IsAdmin(FContext) ? 1 : 0);
  WriteStringProperty(ps, u"Session", SessionTypesToText(FST));
  WriteIntegerProperty(ps, u"SessionID", FSessionID);
  WriteStringProperty(ps, u"IP", Trim(GetLocalIPAddresses(FContext)));
  set->Flush();
}

void ReadStorageInfo(std::u16string_view fileName, TStorageInfoRecord& h) {
  if (!StgIsStorageFile(fileName)) return;
  auto root = OpenStorageFile(fileName, kModeRead);
  auto set = root->OpenPropertySet(FMTID_SummaryInformation, kModeRead, false);
  const TPropertyStorage* ps = set ? set->_IPropertyStorage() : nullptr;
  auto low32 = [](int64_t v) { return int32_t(uint32_t(uint64_t(v))); };
  h.FileName = std::u16string(fileName);
  h.SIFVersion = low32(ReadIntegerProperty(ps, u"SIFVersion"));
  h.Encrypted = ReadIntegerProperty(ps, u"SIFFormat") == 1;
  h.Machine = ReadStringPropertyID(ps, PIDSI_SUBJECT);
  h.Application = ReadStringPropertyID(ps, PIDSI_APPNAME);
  h.Copyright = ReadStringPropertyID(ps, PIDSI_AUTHOR);
  h.Title = ReadStringPropertyID(ps, PIDSI_TITLE);
  h.OS = ReadStringPropertyID(ps, PIDSI_KEYWORDS);
  h.Timestamp = ReadDateTimePropertyID(ps, PIDSI_CREATE_DTM, false);
  h.Security = ReadStringPropertyID(ps, PIDSI_DOC_SECURITY);
  h.Comment = ReadStringPropertyID(ps, PIDSI_COMMENTS);
  h.LoggedUser = ReadStringProperty(ps, u"OS.LoggedUser");
  h.LoggedUserSID = ReadStringProperty(ps, u"OS.LoggedUserSID");
  h.Account = ReadStringProperty(ps, u"OS.Account");
  h.OSPlatform = low32(ReadIntegerProperty(ps, u"OS.Platform"));
  h.OSMajorVersion = low32(ReadIntegerProperty(ps, u"OS.MajorVersion"));
  h.OSMinorversion = low32(ReadIntegerProperty(ps, u"OS.MinorVersion"));
  h.OSBuildNumber = low32(ReadIntegerProperty(ps, u"OS.BuildNumber"));
  h.OSCSDVersion = ReadStringProperty(ps, u"OS.CSD");
  h.OSName = ReadStringProperty(ps, u"OS.Name");
  h.OSEdition = ReadStringProperty(ps, u"OS.Edition");
  h.Session = ReadStringProperty(ps, u"Session");
  h.SessionID = low32(ReadIntegerProperty(ps, u"SessionID"));
  h.IP = ReadStringProperty(ps, u"IP");
}

void TVix_Component::ReadStorageHeader(std::u16string_view fileName, TStorageInfoRecord& h) {
  if (!StgIsStorageFile(fileName)) return;
  ReadStorageInfo(fileName, h);
  FSessionID = uint32_t(h.SessionID);
}

}  // namespace kv
