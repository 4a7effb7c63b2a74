// A registry hive file read through hivex: open keys by path, read their values. A damaged hive
// gives absent keys and values, never a crash.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "system/platform.h"

typedef struct hive_h hive_h;

namespace kv {

class THive : public std::enable_shared_from_this<THive> {
 public:
  // nullptr when the file cannot be opened as a hive; `error` then says why.
  static std::shared_ptr<THive> Open(const std::string& path, std::u16string& error);
  ~THive();
  THive(const THive&) = delete;
  THive& operator=(const THive&) = delete;

  // Node handles are hivex's (0: none).
  size_t Root() const;
  // The child of a node by name, case folded; 0 when absent.
  size_t Child(size_t node, std::u16string_view name) const;
  // The node at a "\"-separated path below the root (empty: the root); 0 when absent.
  size_t Find(std::u16string_view path) const;
  TStringList ChildNames(size_t node) const;
  std::optional<TRegistryValue> Value(size_t node, std::u16string_view name) const;
  TStringList ValueNames(size_t node) const;
  // A REG_MULTI_SZ value's strings; empty when absent or of another type.
  TStringList MultiText(size_t node, std::u16string_view name) const;

  // The key object over a node, keeping the hive open while it lives.
  std::unique_ptr<IRegistryKey> Key(size_t node);

 private:
  explicit THive(hive_h* h) : FHandle(h) {}
  size_t ValueHandle(size_t node, std::u16string_view name) const;
  std::string RawValue(size_t value, int& type) const;
  hive_h* FHandle;
};

}  // namespace kv
