// Offline Windows trees in the Windows build: refused. Reading one needs its registry hives
// loaded as keys of their own (RegLoadAppKeyW); the Windows build does not do that, and says so
// instead of scanning a tree without its registry.
#include "base/codepage.h"
#include "base/error.h"
#include "system/offline_windows_platform.h"

namespace kv {

namespace {

[[noreturn]] void Refuse(const std::string& folder) {
  throw EKolvaneError(u"cannot read the Windows tree \"" + Utf8ToUtf16(folder) +
                      u"\": offline Windows trees (--windows-root) are read by the Linux build "
                      u"of kolvane-cli only; on Windows, run kolvane-cli.exe on that Windows "
                      u"itself, or scan the tree from Linux");
}

}  // namespace

std::unique_ptr<TOfflineWindowsPlatform> OpenOfflineWindowsTree(const std::string& folder,
                                                                std::u16string_view) {
  Refuse(folder);
}

TStringList OfflineWindowsTreeUsers(const std::string& folder) { Refuse(folder); }

}  // namespace kv
