#include "system/hive.h"

#include <errno.h>
#include <hivex.h>
#include <stdlib.h>
#include <string.h>

#include "base/codepage.h"
#include "system/case_fold.h"

namespace kv {
namespace {

// Frees what hivex allocated with malloc.
struct TFree {
  void operator()(void* p) const { ::free(p); }
};
template <class T>
using TMalloced = std::unique_ptr<T, TFree>;

// Registry data types of the hive format.
enum : int { kRegSz = 1, kRegExpandSz = 2, kRegDword = 4, kRegMultiSz = 7, kRegQword = 11 };

std::u16string TextFromUtf16Le(std::string_view bytes) {
  std::u16string text = Utf16LeToUtf16(bytes);
  size_t nul = text.find(u'\0');
  if (nul != std::u16string::npos) text.resize(nul);
  return text;
}

uint64_t LittleEndian(std::string_view bytes, size_t count) {
  uint64_t v = 0;
  for (size_t i = 0; i < count && i < bytes.size(); ++i)
    v |= uint64_t(uint8_t(bytes[i])) << (8 * i);
  return v;
}

class THiveKey final : public IRegistryKey {
 public:
  THiveKey(std::shared_ptr<THive> hive, size_t node) : FHive(std::move(hive)), FNode(node) {}
  std::optional<TRegistryValue> Value(std::u16string_view name) override {
    return FHive->Value(FNode, name);
  }
  TStringList SubKeyNames() override { return FHive->ChildNames(FNode); }
  TStringList ValueNames() override { return FHive->ValueNames(FNode); }

 private:
  std::shared_ptr<THive> FHive;
  size_t FNode;
};

}  // namespace

std::shared_ptr<THive> THive::Open(const std::string& path, std::u16string& error) {
  errno = 0;
  hive_h* h = ::hivex_open(path.c_str(), 0);
  if (!h) {
    error = Utf8ToUtf16(errno ? strerror(errno) : "not a registry hive");
    return nullptr;
  }
  if (::hivex_root(h) == 0) {
    ::hivex_close(h);
    error = u"the hive has no root key";
    return nullptr;
  }
  return std::shared_ptr<THive>(new THive(h));
}

THive::~THive() { ::hivex_close(FHandle); }

size_t THive::Root() const { return ::hivex_root(FHandle); }

size_t THive::Child(size_t node, std::u16string_view name) const {
  if (node == 0) return 0;
  std::string utf8 = Utf16ToUtf8(name);
  bool ascii = true;
  for (char16_t c : name) ascii = ascii && c < 0x80;
  if (ascii) {
    // hivex compares ASCII letters without regard to case itself.
    errno = 0;
    return ::hivex_node_get_child(FHandle, node, utf8.c_str());
  }
  TMalloced<hive_node_h> children(::hivex_node_children(FHandle, node));
  if (!children) return 0;
  for (hive_node_h* c = children.get(); *c; ++c) {
    TMalloced<char> n(::hivex_node_name(FHandle, *c));
    if (n && SameTextFold(Utf8ToUtf16(n.get()), name)) return *c;
  }
  return 0;
}

size_t THive::Find(std::u16string_view path) const {
  size_t node = Root();
  for (const std::u16string& part : Split(path, u'\\')) {
    if (part.empty()) continue;
    node = Child(node, part);
    if (node == 0) return 0;
  }
  return node;
}

TStringList THive::ChildNames(size_t node) const {
  TStringList out;
  TMalloced<hive_node_h> children(::hivex_node_children(FHandle, node));
  if (!children) return out;
  for (hive_node_h* c = children.get(); *c; ++c) {
    TMalloced<char> n(::hivex_node_name(FHandle, *c));
    if (n) out.push_back(Utf8ToUtf16(n.get()));
  }
  return out;
}

size_t THive::ValueHandle(size_t node, std::u16string_view name) const {
  if (node == 0) return 0;
  TMalloced<hive_value_h> values(::hivex_node_values(FHandle, node));
  if (!values) return 0;
  for (hive_value_h* v = values.get(); *v; ++v) {
    TMalloced<char> key(::hivex_value_key(FHandle, *v));
    if (key && SameTextFold(Utf8ToUtf16(key.get()), name)) return *v;
  }
  return 0;
}

std::string THive::RawValue(size_t value, int& type) const {
  hive_type t = hive_t_none;
  size_t len = 0;
  TMalloced<char> data(::hivex_value_value(FHandle, value, &t, &len));
  type = int(t);
  if (!data) {
    type = -1;
    return {};
  }
  return std::string(data.get(), len);
}

std::optional<TRegistryValue> THive::Value(size_t node, std::u16string_view name) const {
  size_t v = ValueHandle(node, name);
  if (v == 0) return std::nullopt;
  int type = 0;
  std::string raw = RawValue(v, type);
  switch (type) {
    case kRegSz: return TRegistryValue::FromText(TextFromUtf16Le(raw));
    case kRegExpandSz: return TRegistryValue::FromText(TextFromUtf16Le(raw), true);
    case kRegDword:
      if (raw.size() < 4) return std::nullopt;
      return TRegistryValue::FromDWord(uint32_t(LittleEndian(raw, 4)));
    case kRegQword:
      if (raw.size() < 8) return std::nullopt;
      return TRegistryValue::FromQWord(LittleEndian(raw, 8));
    default: return std::nullopt;
  }
}

TStringList THive::ValueNames(size_t node) const {
  TStringList out;
  TMalloced<hive_value_h> values(::hivex_node_values(FHandle, node));
  if (!values) return out;
  for (hive_value_h* v = values.get(); *v; ++v) {
    TMalloced<char> key(::hivex_value_key(FHandle, *v));
    if (key) out.push_back(Utf8ToUtf16(key.get()));
  }
  return out;
}

TStringList THive::MultiText(size_t node, std::u16string_view name) const {
  TStringList out;
  size_t v = ValueHandle(node, name);
  if (v == 0) return out;
  int type = 0;
  std::string raw = RawValue(v, type);
  if (type != kRegMultiSz) return out;
  std::u16string all = Utf16LeToUtf16(raw);
  for (std::u16string& s : Split(all, u'\0')) {
    if (s.empty()) break;
    out.push_back(std::move(s));
  }
  return out;
}

std::unique_ptr<IRegistryKey> THive::Key(size_t node) {
  if (node == 0) return nullptr;
  return std::make_unique<THiveKey>(shared_from_this(), node);
}

}  // namespace kv
