#include "support/mbx_builder.h"

#include "support/dbx_builder.h"

namespace kv::fixtures {

MbxBuilder& MbxBuilder::Add(MbxMessage message) {
  FMessages.push_back(std::move(message));
  return *this;
}
MbxBuilder& MbxBuilder::SetMessageCount(uint32_t count) {
  FCount = count;
  return *this;
}
MbxBuilder& MbxBuilder::SetIndexCount(uint32_t count) {
  FIndexCount = count;
  return *this;
}
MbxBuilder& MbxBuilder::SetIndexGap(uint32_t gap) {
  FIndexGap = gap;
  return *this;
}

MbxFolder MbxBuilder::Build() const {
  MbxFolder f;
  std::string& mbx = f.Mbx;
  mbx.assign(kMbxHeaderBytes, '\0');
  mbx.replace(0, 4, "JMF6");
  PutU32(mbx, 4, 0x00010003);
  const uint32_t count = FCount.value_or(uint32_t(FMessages.size()));
  PutU32(mbx, 8, count);
  PutU32(mbx, 12, uint32_t(FMessages.size()));

  for (size_t i = 0; i < FMessages.size(); ++i) {
    const MbxMessage& m = FMessages[i];
    const size_t header = mbx.size();
    const uint32_t text = uint32_t(header + 16);
    f.TextOffsets.push_back(text);
    const uint32_t total = uint32_t(16 + m.Text.size() + m.Padding);
    PutU32(mbx, header, 0x7F007F00);
    PutU32(mbx, header + 4, m.Id ? m.Id : uint32_t(i + 1));
    PutU32(mbx, header + 8, m.TotalMsgSize.value_or(total));
    PutU32(mbx, header + 12, m.MsgSize.value_or(uint32_t(m.Text.size())));
    mbx += m.Text;
    mbx.append(m.Padding, '\0');
  }
  PutU32(mbx, 16, uint32_t(mbx.size()));

  std::string& idx = f.Idx;
  idx.assign(kIdxHeaderBytes, '\0');
  idx.replace(0, 4, "JMF9");
  PutU32(idx, 8, FIndexCount.value_or(uint32_t(FMessages.size())));
  for (size_t i = 0; i < FMessages.size(); ++i) {
    const MbxMessage& m = FMessages[i];
    const size_t at = idx.size();
    f.IdxRecords.push_back(uint32_t(at));
    std::string r(kIdxFixedBytes, '\0');
    PutU32(r, 0, m.Flags);
    PutU32(r, 8, m.Id ? m.Id : uint32_t(i + 1));
    PutU32(r, 20, f.TextOffsets[i]);
    PutU32(r, 24, uint32_t(m.Text.size()));
    PutU64(r, 194, m.Received);
    PutU16(r, 210, m.Priority);
    std::string strings;
    // Subject, receiver, sender, server, two strings the reader skips, account.
    const std::string unused;
    for (const std::string* s :
         {&m.Subject, &m.ReceiverEmail, &m.SenderEmail, &m.Server, &unused, &unused, &m.Account}) {
      AppendU32(strings, uint32_t(s->size() + 1));
      strings += *s;
      strings += '\0';
    }
    // The next record lies at the sum of the values at 12 and 16.
    const uint32_t next = uint32_t(at + kIdxFixedBytes + strings.size() + FIndexGap);
    PutU32(r, 12, next - uint32_t(at));
    PutU32(r, 16, uint32_t(at));
    idx += r;
    idx += strings;
    idx.append(FIndexGap, '\0');
  }
  return f;
}

}  // namespace kv::fixtures
