#include "formats/mbx_reader.h"

#include <algorithm>

#include "base/text.h"
#include "formats/header.h"
#include "formats/maildate.h"
#include "formats/read_cache.h"

namespace kv {

using oe_detail::U16;
using oe_detail::U32;

namespace {

constexpr size_t kChunk = 1024;
constexpr size_t kIdxStrings = 7;

// Where the file name starts in a path with either separator.
size_t NameStart(const std::u16string& path) {
  const size_t sep = path.find_last_of(u"/\\");
  return sep == std::u16string::npos ? 0 : sep + 1;
}

// Where the extension's dot is, or npos.
size_t ExtensionDot(const std::u16string& path) {
  const size_t dot = path.rfind(u'.');
  return dot == std::u16string::npos || dot < NameStart(path) ? std::u16string::npos : dot;
}

}  // namespace

TMBXReader::TMBXReader(TOEFiles files) : TOEReader(std::move(files)) {}

TMBXReader::~TMBXReader() = default;

std::u16string TMBXReader::IndexFileName(const std::u16string& mbxPath) {
  const size_t dot = ExtensionDot(mbxPath);
  return (dot == std::u16string::npos ? mbxPath : mbxPath.substr(0, dot)) + u".idx";
}

std::u16string TMBXReader::FolderName() const {
  const size_t start = NameStart(FFilename);
  const size_t dot = ExtensionDot(FFilename);
  return FFilename.substr(start, dot == std::u16string::npos ? std::u16string::npos : dot - start);
}

uint32_t TMBXReader::MessageCount() const {
  const uint64_t size = ContentSize();
  const uint64_t room = size > TMBX_Header::kSize ? (size - TMBX_Header::kSize) / 16 : 0;
  return uint32_t(std::min<uint64_t>(FHeader.MsgCount(), room));
}

void TMBXReader::OpenFile(const std::u16string& AFileName) {
  FCache.reset();
  TOEReader::OpenFile(AFileName);
  FLoaded = false;
  FMH.clear();
  FRawBytes.clear();
  FMI.clear();
  FHeader = {};
  FCache = std::make_unique<TReadCache>(Content());
  if (!FCache->ReadFull(0, FHeader.Bytes.data(), TMBX_Header::kSize))
    throw EKolvaneError(kOEReadError);
  if (FHeader.Signature() != kMbxSignature) throw EOEReaderException(kOENotMbx);
  FLoaded = true;
  if (FHeader.MsgCount() == 0) throw EOEReaderException(kOENoMessages);

  const uint32_t count = MessageCount();
  uint64_t offset = kMbxFirstText;
  for (uint32_t i = 0; i < count; ++i) {
    unsigned char h[TMBX_MsgHeader::kSize];
    if (!FCache->ReadFull(offset - TMBX_MsgHeader::kSize, h, sizeof h)) break;
    if (!FMH.empty() && U32(h) != kMbxMessageMarker &&
        FMH.front().Header.unk1 == kMbxMessageMarker) {
      // The sizes of the message before do not lead to a message header (files whose texts were
      // edited in place keep their old sizes): the next header is the next marker after the
      // start of that message. Where there is none, what follows is no message.
      const uint64_t found = FindMarker(FMH.back().StartingOffset, offset + 1024);
      if (found == 0 || !FCache->ReadFull(found, h, sizeof h)) break;
      offset = found + TMBX_MsgHeader::kSize;
    }
    TMBX_MessageInfo m;
    m.Header = {U32(h), U32(h + 4), U32(h + 8), U32(h + 12)};
    m.StartingOffset = uint32_t(offset);
    FMH.push_back(std::move(m));
    FMH.back().RawHeader = ReadRawHeader(FMH.size() - 1);
    // The next message's header must lie after this one's, or the scan would stand still.
    const uint32_t step = FMH.back().Header.TotalMsgSize;
    if (step < TMBX_MsgHeader::kSize) break;
    offset += step;
    if (offset > UINT32_MAX) break;
  }
}

uint64_t TMBXReader::FindMarker(uint64_t from, uint64_t to) {
  to = std::min(to, FCache->Size());
  char buf[4096 + 3];
  for (uint64_t at = from; at + 4 <= to; at += 4096) {
    const size_t got = FCache->Read(at, buf, size_t(std::min<uint64_t>(sizeof buf, to - at)));
    for (size_t k = 0; k + 4 <= got; ++k) {
      if (U32(reinterpret_cast<unsigned char*>(buf) + k) == kMbxMessageMarker) return at + k;
    }
  }
  return 0;
}

// The header text is gathered in chunks of 1024 bytes from the message's own text, up to the
// CR that closes the last header line. A chunk is decoded only up to a NUL byte in it. The
// text ends where the total size puts the next message header, whatever the text size says: a
// damaged text size must neither bring the next message's lines into this header nor make
// every message's scan run on to the end of the file.
std::u16string TMBXReader::ReadRawHeader(size_t index) {
  const TMBX_MessageInfo& m = FMH[index];
  if (m.Header.MsgSize == 0) throw EOEReaderException(kOENoText);
  FRawBytes.resize(FMH.size());
  std::string& raw = FRawBytes[index];
  raw.clear();
  if (m.StartingOffset == 0) return {};
  uint64_t textSize = m.Header.MsgSize;
  if (m.Header.TotalMsgSize >= TMBX_MsgHeader::kSize)
    textSize = std::min<uint64_t>(textSize, m.Header.TotalMsgSize - TMBX_MsgHeader::kSize);
  char chunk[kChunk];
  size_t end = std::string::npos;
  for (uint64_t done = 0; done < textSize && end == std::string::npos; done += kChunk) {
    const size_t want = size_t(std::min<uint64_t>(kChunk, textSize - done));
    const size_t got = FCache->Read(m.StartingOffset + done, chunk, want);
    if (got == 0) break;
    const size_t searchFrom = raw.size() < 3 ? 0 : raw.size() - 3;
    raw.append(chunk, std::min(got, std::string_view(chunk, got).find('\0')));
    end = raw.find("\r\n\r\n", searchFrom);
    if (got < want) break;  // the file ends inside the message
  }
  if (end == std::string::npos) end = raw.find("\r\n\r\n");
  raw.resize(end == std::string::npos ? 0 : end + 1);
  return oe_detail::Text8(raw);
}

std::u16string TMBXReader::GetHeaderText(uint32_t index) {
  return index < FMH.size() ? FMH[index].RawHeader : std::u16string();
}

std::u16string TMBXReader::GetMessageText(uint32_t index) {
  if (index >= FMH.size() || !FCache) return {};
  const TMBX_MessageInfo& m = FMH[index];
  if (m.Header.MsgSize == 0) throw EOEReaderException(kOENoText);
  if (m.StartingOffset == 0) return {};
  // The last message of a file cut short keeps the text that is there; a text that starts
  // past the end is a failed read.
  const uint64_t size = FCache->Size();
  if (m.StartingOffset >= size) throw EKolvaneError(kOEReadError);
  std::string text(size_t(std::min<uint64_t>(m.Header.MsgSize, size - m.StartingOffset)), '\0');
  text.resize(FCache->Read(m.StartingOffset, text.data(), text.size()));
  return oe_detail::Text8(text);
}

void TMBXReader::ReadMessages() {
  if (!FLoaded) return;
  // Filled in place, then kept compactly.
  TMessages records(MessageCount());
  if (!ReadIndexFile(records)) ReadHeaderFields(records);
  FMI.clear();
  FMI.reserve(records.size());
  for (const auto& r : records) FMI.push_back(r);
}

// Any failure in the .idx file ends the reading silently: the records read so far stay, the
// others stay all-zero.
bool TMBXReader::ReadIndexFile(TMessages& records) {
  const std::u16string idxName = IndexFileName(FFilename);
  if (!FFiles.Exists || !FFiles.Exists(idxName)) return false;
  std::unique_ptr<IReadStream> stream;
  try {
    stream = FFiles.Open(idxName);
  } catch (const std::exception&) {
    return true;
  }
  if (!stream) return true;
  try {
    TReadCache idx(*stream);
    unsigned char head[kIdxHeaderSize];
    if (!idx.ReadFull(0, head, sizeof head) || U32(head) != kIdxSignature) return true;
    const uint32_t count = U32(head + 8);
    uint64_t offset = kIdxHeaderSize;
    std::string bytes;
    for (uint32_t i = 0; i < count && i < records.size(); ++i) {
      unsigned char r[kIdxRecordSize];
      if (!idx.ReadFull(offset, r, sizeof r)) break;
      TMessageInfo& info = records[i];
      info.Address = uint32_t(offset);
      info.Flags = U32(r);
      info.ID = UIntToStr(U32(r + 8));
      info.DataOffset = U32(r + 20);
      info.Size = U32(r + 24);
      info.ReceivedDate = FileTimeToDateTime(TFileTime{U32(r + 194), U32(r + 198)}, FCTTL);
      info.Priority = U16(r + 210);
      // Seven strings follow: subject, receiver, sender, server, two unused, account.
      std::u16string strings[kIdxStrings];
      uint64_t at = offset + kIdxRecordSize;
      bool complete = true;
      for (auto& s : strings) {
        unsigned char len[4];
        if (!idx.ReadFull(at, len, 4)) {
          complete = false;
          break;
        }
        const uint32_t n = U32(len);
        at += 4;
        if (n > idx.Size() - std::min(at, idx.Size())) {
          complete = false;
          break;
        }
        bytes.resize(n);
        idx.ReadFull(at, bytes.data(), n);
        s = oe_detail::Text8(bytes);
        at += n;
      }
      info.Subject = strings[0];
      info.ReceiverEmail = strings[1];
      info.SenderEmail = strings[2];
      info.Server = strings[3];
      info.Account = strings[6];
      if (!complete) break;
      offset = uint32_t(U32(r + 12) + U32(r + 16));
    }
  } catch (const std::exception&) {}
  return true;
}

// Without the .idx file the header of each message supplies sender, subject and date; values
// are decoded and trimmed like every other header value.
void TMBXReader::ReadHeaderFields(TMessages& records) {
  const size_t n = std::min(records.size(), FMH.size());
  for (size_t i = 0; i < n; ++i) {
    const TMBX_MessageInfo& m = FMH[i];
    TMessageInfo info;
    TEMLHeader header;
    ReadEMLHeader(std::string_view(FRawBytes[i]), header);
    info.SenderName = Trim(header.From);
    info.Subject = Trim(header.Subject);
    info.Received = Trim(header.Date);
    info.ReceivedDate = header.Date.empty() ? 0 : ParseMailDate(header.Date);
    info.Index = uint32_t(i);
    info.Flags = kFlagRead;
    info.DataOffset = m.StartingOffset;
    info.ID = UIntToStr(m.Header.ID);
    info.Size = m.Header.MsgSize;
    records[i] = std::move(info);
  }
}

}  // namespace kv
