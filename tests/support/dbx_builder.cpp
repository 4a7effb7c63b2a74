#include "support/dbx_builder.h"

#include <algorithm>
#include <stdexcept>

namespace kv::fixtures {

void PutU16(std::string& bytes, size_t offset, uint16_t value) {
  if (bytes.size() < offset + 2) bytes.resize(offset + 2);
  bytes[offset] = char(value & 0xFF);
  bytes[offset + 1] = char(value >> 8);
}

void PutU32(std::string& bytes, size_t offset, uint32_t value) {
  if (bytes.size() < offset + 4) bytes.resize(offset + 4);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = char((value >> (8 * i)) & 0xFF);
}

void PutU64(std::string& bytes, size_t offset, uint64_t value) {
  PutU32(bytes, offset, uint32_t(value));
  PutU32(bytes, offset + 4, uint32_t(value >> 32));
}

uint32_t GetU32(std::string_view bytes, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | uint8_t(bytes.at(offset + i));
  return v;
}

void AppendU32(std::string& bytes, uint32_t value) { PutU32(bytes, bytes.size(), value); }

uint64_t FileTimeUtc(int year, int month, int day, int hour, int minute, int second) {
  // Days from 1601-01-01 by the proleptic Gregorian calendar (civil-from-days inverse).
  auto daysFromCivil = [](int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;  // days since 1970-01-01
  };
  const int64_t days = daysFromCivil(year, month, day) - daysFromCivil(1601, 1, 1);
  const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  return uint64_t(seconds) * 10000000ULL;
}

DbxAttribute DbxAttribute::Text(uint8_t id, std::string_view text) {
  return {id, std::string(text) + '\0', 0};
}
DbxAttribute DbxAttribute::U32(uint8_t id, uint32_t value) {
  DbxAttribute a{id, {}, 0};
  PutU32(a.Data, 0, value);
  return a;
}
DbxAttribute DbxAttribute::FileTime(uint8_t id, uint64_t fileTime) {
  DbxAttribute a{id, {}, 0};
  PutU64(a.Data, 0, fileTime);
  return a;
}
DbxAttribute DbxAttribute::Direct(uint8_t id, uint32_t value) {
  return {uint8_t(id | 0x80), {}, value & 0xFFFFFF};
}
DbxAttribute DbxAttribute::Raw(uint8_t id, uint32_t offset) {
  return {uint8_t(id & 0x7F), {}, offset & 0xFFFFFF};
}

DbxBuilder& DbxBuilder::SetFolderName(std::string name) {
  FFolderName = std::move(name);
  return *this;
}
DbxBuilder& DbxBuilder::SetNodeCapacity(size_t capacity) {
  if (capacity < 1 || capacity > 51) throw std::invalid_argument("node capacity 1..51");
  FCapacity = capacity;
  return *this;
}
DbxBuilder& DbxBuilder::SetEntryCount(uint32_t count) {
  FEntryCount = count;
  return *this;
}
DbxBuilder& DbxBuilder::Add(DbxMessage message) {
  FMessages.push_back(std::move(message));
  return *this;
}

namespace {

constexpr uint32_t kSignature = 0xFE12ADCF;
constexpr uint32_t kClsid = 0x6F74FDC5;
constexpr size_t kInfoHeader = 12;
constexpr size_t kBlockHeader = 16;
constexpr uint32_t kNoDirect = 0x1000000;  // forces the stored form with a data area

// The standard attribute list of a message; DataOffset direct when it fits 24 bits.
std::vector<DbxAttribute> StandardAttributes(const DbxMessage& m, uint32_t index,
                                             uint32_t dataOffset) {
  std::vector<DbxAttribute> a;
  a.push_back(DbxAttribute::Direct(0x80, index));
  a.push_back(m.Flags <= 0xFFFFFF ? DbxAttribute::Direct(0x81, m.Flags)
                                  : DbxAttribute::U32(0x01, m.Flags));
  if (!m.Text.empty()) {
    a.push_back(dataOffset < kNoDirect ? DbxAttribute::Direct(0x84, dataOffset)
                                       : DbxAttribute::U32(0x04, dataOffset));
  }
  auto text = [&](uint8_t id, const std::string& s) {
    if (!s.empty()) a.push_back(DbxAttribute::Text(id, s));
  };
  text(0x07, m.MessageId);
  text(0x08, m.Subject);
  text(0x0C, m.Server);
  text(0x0D, m.SenderName);
  text(0x0E, m.SenderEmail);
  a.push_back(DbxAttribute::Direct(0x90, m.Priority));
  if (m.Received != 0) a.push_back(DbxAttribute::FileTime(0x12, m.Received));
  text(0x13, m.ReceiverName);
  text(0x14, m.ReceiverEmail);
  text(0x1A, m.Account);
  a.insert(a.end(), m.Extra.begin(), m.Extra.end());
  return a;
}

std::vector<DbxAttribute> AttributesOf(const DbxMessage& m, uint32_t index, uint32_t dataOffset) {
  return m.Attributes ? *m.Attributes : StandardAttributes(m, index, dataOffset);
}

// Body of a message-info object: entries, then the data area.
std::string Body(const std::vector<DbxAttribute>& attrs) {
  std::string entries, data;
  for (const DbxAttribute& a : attrs) {
    const uint32_t value = (a.Id & 0x80) || a.Data.empty() ? a.Value : uint32_t(data.size());
    entries += char(a.Id);
    entries += char(value & 0xFF);
    entries += char((value >> 8) & 0xFF);
    entries += char((value >> 16) & 0xFF);
    if (!(a.Id & 0x80)) data += a.Data;
  }
  return entries + data;
}

struct TreeNode {
  int ChildBefore = -1;
  uint32_t ChildBeforeCount = 0;
  struct Entry {
    int Value = -1;  // message index
    int Child = -1;
    uint32_t ChildCount = 0;
  };
  std::vector<Entry> Entries;
};

// Builds the subtree over messages [lo, hi) and returns its node's slot.
int BuildTree(std::vector<TreeNode>& nodes, size_t lo, size_t hi, size_t capacity) {
  const int slot = int(nodes.size());
  nodes.emplace_back();
  const size_t m = hi - lo;
  if (m <= capacity) {
    for (size_t i = lo; i < hi; ++i) nodes[slot].Entries.push_back({int(i), -1, 0});
    return slot;
  }
  // `capacity` separators in this node; the other values spread over capacity + 1 children.
  const size_t rest = m - capacity, chunks = capacity + 1;
  size_t at = lo;
  for (size_t c = 0; c < chunks; ++c) {
    const size_t size = rest / chunks + (c < rest % chunks ? 1 : 0);
    const int child = size ? BuildTree(nodes, at, at + size, capacity) : -1;
    at += size;
    if (c == 0) {
      nodes[slot].ChildBefore = child;
      nodes[slot].ChildBeforeCount = uint32_t(size);
    } else {
      nodes[slot].Entries.back().Child = child;
      nodes[slot].Entries.back().ChildCount = uint32_t(size);
    }
    if (c + 1 < chunks) nodes[slot].Entries.push_back({int(at++), -1, 0});
  }
  return slot;
}

size_t Align4(size_t n) { return (n + 3) & ~size_t(3); }

}  // namespace

DbxFile DbxBuilder::Build() const {
  DbxFile f;
  DbxLayout& L = f.Layout;
  const size_t count = FMessages.size();

  // Message-info objects, sized with room for every attribute in its stored form.
  std::vector<size_t> bodySize(count);
  size_t at = kDbxHeaderSize + kDbxFileInfoSize;
  for (size_t i = 0; i < count; ++i) {
    bodySize[i] = Body(AttributesOf(FMessages[i], uint32_t(i + 1), kNoDirect)).size();
    L.InfoObjects.push_back(uint32_t(at));
    at = Align4(at + kInfoHeader + bodySize[i]);
  }

  std::vector<TreeNode> tree;
  if (count) BuildTree(tree, 0, count, FCapacity);
  const size_t nodesBase = at;
  for (size_t k = 0; k < tree.size(); ++k)
    L.Nodes.push_back(uint32_t(nodesBase + k * kDbxNodeBytes));
  L.RootNode = tree.empty() ? 0 : L.Nodes[0];
  at = nodesBase + tree.size() * kDbxNodeBytes;
  L.IndexEnd = uint32_t(at);

  // Text blocks.
  L.Blocks.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const DbxMessage& m = FMessages[i];
    const size_t bs = std::max<size_t>(1, m.BlockSize);
    for (size_t done = 0; done < m.Text.size(); done += bs) {
      L.Blocks[i].push_back(uint32_t(at));
      at += kBlockHeader + bs;
    }
  }

  std::string& b = f.Bytes;
  b.assign(at, '\0');
  PutU32(b, 0x00, kSignature);
  PutU32(b, 0x04, kClsid);
  PutU32(b, 0x1C, uint32_t(kDbxFileInfoSize));
  PutU32(b, kDbxEntryCountField, FEntryCount.value_or(uint32_t(count)));
  PutU32(b, kDbxRootField, L.RootNode);
  b.replace(kDbxHeaderSize + 261, std::min<size_t>(FFolderName.size(), 262), FFolderName, 0,
            std::min<size_t>(FFolderName.size(), 262));

  for (size_t i = 0; i < count; ++i) {
    const DbxMessage& m = FMessages[i];
    const uint32_t first = L.Blocks[i].empty() ? 0 : L.Blocks[i][0];
    std::string body = Body(AttributesOf(m, uint32_t(i + 1), first));
    body.resize(bodySize[i], '\0');
    const size_t o = L.InfoObjects[i];
    PutU32(b, o, uint32_t(o));
    PutU32(b, o + 4, uint32_t(body.size()));
    b[o + 10] = char(AttributesOf(m, uint32_t(i + 1), first).size());
    b.replace(o + kInfoHeader, body.size(), body);

    const size_t bs = std::max<size_t>(1, m.BlockSize);
    for (size_t k = 0; k < L.Blocks[i].size(); ++k) {
      const size_t p = L.Blocks[i][k];
      const size_t n = std::min(bs, m.Text.size() - k * bs);
      PutU32(b, p, uint32_t(p));
      PutU32(b, p + 4, uint32_t(bs));
      PutU32(b, p + kDbxBlockCountField, uint32_t(n));
      PutU32(b, p + kDbxBlockNextField, k + 1 < L.Blocks[i].size() ? L.Blocks[i][k + 1] : 0);
      b.replace(p + kBlockHeader, n, m.Text, k * bs, n);
    }
  }

  for (size_t k = 0; k < tree.size(); ++k) {
    const TreeNode& t = tree[k];
    const size_t o = L.Nodes[k];
    auto ptr = [&](int slot) { return slot < 0 ? 0u : L.Nodes[size_t(slot)]; };
    PutU32(b, o, uint32_t(o));
    PutU32(b, o + kDbxNodeChildField, ptr(t.ChildBefore));
    b[o + kDbxNodeCountByte] = char(t.Entries.size());
    PutU32(b, o + kDbxNodeChildCountField, t.ChildBeforeCount);
    for (size_t e = 0; e < t.Entries.size(); ++e) {
      const size_t eo = o + kDbxNodeEntry0 + 12 * e;
      PutU32(b, eo, t.Entries[e].Value < 0 ? 0 : L.InfoObjects[size_t(t.Entries[e].Value)]);
      PutU32(b, eo + 4, ptr(t.Entries[e].Child));
      PutU32(b, eo + 8, t.Entries[e].ChildCount);
    }
  }
  // Parent pointers (offset 12), as Outlook Express keeps them.
  for (size_t k = 0; k < tree.size(); ++k) {
    auto setParent = [&](int child) {
      if (child >= 0) PutU32(b, L.Nodes[size_t(child)] + 12, L.Nodes[k]);
    };
    setParent(tree[k].ChildBefore);
    for (const auto& e : tree[k].Entries) setParent(e.Child);
  }
  return f;
}

}  // namespace kv::fixtures
