// The kinds of session the program can run in: a local console, a remote terminal session,
// Citrix, or a virtual machine of some make.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace kv {

class TSystemContext;

enum class TSessionType : uint8_t {
  stLocal,
  stVMWare,
  stVPC,
  stVBOX,
  stQEMU,
  stTerminal,
  stCitrix
};

// A set of session types; enumerator i is bit i of the integer form.
class TSessionTypes {
 public:
  TSessionTypes() = default;
  TSessionTypes(std::initializer_list<TSessionType> types) {
    for (TSessionType t : types) Include(t);
  }
  void Include(TSessionType t) { FBits |= Bit(t); }
  bool Contains(TSessionType t) const { return (FBits & Bit(t)) != 0; }
  bool Empty() const { return FBits == 0; }
  uint32_t ToInt() const { return FBits; }
  bool operator==(const TSessionTypes&) const = default;

 private:
  static uint32_t Bit(TSessionType t) { return 1u << static_cast<unsigned>(t); }
  uint32_t FBits = 0;
};

// "Local", "VMWare", "VirtualPC", "VirtualBox", "QEMU", "Terminal", "Citrix".
std::u16string SessionTypeName(TSessionType type);
// Display names in the order Local, Terminal, Citrix, VMWare, VirtualPC, VirtualBox, QEMU,
// joined by "+"; empty for the empty set.
std::u16string SessionTypesToText(TSessionTypes types);
// Bits 0 to 6; higher bits are ignored.
TSessionTypes IntToSessionTypes(int64_t bits);

// The session types of this machine and session: virtual disks named in the registry (or found
// by the platform without one), Citrix, then Terminal for a remote session or else Local.
TSessionTypes GetSessionTypes(const TSystemContext& context);

}  // namespace kv
