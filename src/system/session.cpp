#include "system/session.h"

#include "system/case_fold.h"
#include "system/context.h"
#include "system/registry.h"

namespace kv {

std::u16string SessionTypeName(TSessionType type) {
  switch (type) {
    case TSessionType::stLocal: return u"Local";
    case TSessionType::stVMWare: return u"VMWare";
    case TSessionType::stVPC: return u"VirtualPC";
    case TSessionType::stVBOX: return u"VirtualBox";
    case TSessionType::stQEMU: return u"QEMU";
    case TSessionType::stTerminal: return u"Terminal";
    case TSessionType::stCitrix: return u"Citrix";
  }
  return {};
}

std::u16string SessionTypesToText(TSessionTypes types) {
  static constexpr TSessionType kOrder[] = {TSessionType::stLocal,  TSessionType::stTerminal,
                                            TSessionType::stCitrix, TSessionType::stVMWare,
                                            TSessionType::stVPC,    TSessionType::stVBOX,
                                            TSessionType::stQEMU};
  std::u16string out;
  for (TSessionType t : kOrder) {
    if (!types.Contains(t)) continue;
    if (!out.empty()) out += u'+';
    out += SessionTypeName(t);
  }
  return out;
}

TSessionTypes IntToSessionTypes(int64_t bits) {
  TSessionTypes out;
  for (unsigned i = 0; i <= 6; ++i) {
    if (bits & (int64_t(1) << i)) out.Include(static_cast<TSessionType>(i));
  }
  return out;
}

namespace {

// Whether a device name directly below Enum\IDE, or else below Enum\SCSI, contains `marker`.
bool HasVirtualDisk(IPlatform& platform, std::u16string_view marker) {
  for (const char16_t* bus :
       {u"SYSTEM\\CurrentControlSet\\Enum\\IDE", u"SYSTEM\\CurrentControlSet\\Enum\\SCSI"}) {
    std::unique_ptr<IRegistryKey> key = platform.OpenKey(TRegistryRoot::LocalMachine, bus);
    if (!key) continue;
    for (const std::u16string& name : key->SubKeyNames()) {
      if (FindFold(name, marker) != std::u16string::npos) return true;
    }
  }
  return false;
}

}  // namespace

TSessionTypes GetSessionTypes(const TSystemContext& context) {
  IPlatform& p = context.Platform();
  TSessionTypes out;
  const uint32_t vms = p.VirtualMachines();
  struct {
    TSessionType type;
    const char16_t* marker;
    uint32_t vm;
  } const kDisks[] = {
      {TSessionType::stVMWare, u"VMWARE_VIRTUAL", vmVMWare},
      {TSessionType::stVBOX, u"VBOX_HARD", vmVirtualBox},
      {TSessionType::stVPC, u"VIRTUAL_HD", vmVirtualPC},
      {TSessionType::stQEMU, u"QEMU_HARD", vmQEMU},
  };
  for (const auto& d : kDisks) {
    if ((vms & d.vm) || HasVirtualDisk(p, d.marker)) out.Include(d.type);
  }
  std::optional<std::u16string> gina =
      ReadRegistryText(p, TRegistryRoot::LocalMachine,
                       u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", u"GinaDLL");
  if ((gina && FindFold(*gina, u"CTXGINA") != std::u16string::npos) ||
      RegistryKeyExists(p, TRegistryRoot::CurrentUser,
                        u"Software\\Citrix\\GoToAssist\\ConnectionInfo\\LastGood\\0000")) {
    out.Include(TSessionType::stCitrix);
  }
  out.Include(p.IsRemoteSession() ? TSessionType::stTerminal : TSessionType::stLocal);
  return out;
}

}  // namespace kv
