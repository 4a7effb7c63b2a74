#include "collectors/eml_folder.h"

#include <algorithm>
#include <memory>

#include "base/codepage.h"
#include "base/error.h"
#include "formats/address.h"
#include "system/context.h"
#include "system/file_search.h"

namespace kv {

namespace {

// The first read of a file: one page, enough for the header of most messages. A larger first
// read costs more copying for every file than the second read costs the few long headers.
constexpr size_t kFirstRead = 4096;

// Finds the end of the header block among `count` code units, the first at `first`; `at(i)`
// gives unit i. Returns the index of the unit that starts the ending empty line, `count` when a
// complete text has none, nullopt when an incomplete text cannot tell yet.
template <class At>
std::optional<size_t> BlockEnd(size_t first, size_t count, bool complete, At at) {
  bool hasLine = false;
  size_t p = first;
  while (p < count) {
    const uint32_t c = at(p);
    if (c == '\r' || c == '\n') {
      // An empty line. Before the first non-empty line every break is skipped, so a CR LF needs
      // no look at its second unit here.
      if (hasLine) return p;
      ++p;
      continue;
    }
    size_t eol = p + 1;
    while (eol < count && at(eol) != '\r' && at(eol) != '\n') ++eol;
    if (eol == count) break;
    if (at(eol) == '\r') {
      // Whether an LF follows decides if the next line starts after it or is empty.
      if (eol + 1 == count) {
        if (!complete) return std::nullopt;
        return count;
      }
      p = eol + (at(eol + 1) == '\n' ? 2 : 1);
    } else {
      p = eol + 1;
    }
    hasLine = true;
  }
  if (!complete) return std::nullopt;
  return count;
}

}  // namespace

std::optional<size_t> FindHeaderBlockEnd(std::string_view bytes, bool complete) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  // The byte-order marks are the header parser's: UTF-16 in either order, then UTF-8.
  if (!complete && bytes.size() < 3) return std::nullopt;
  const TByteOrderMark mark = SniffByteOrderMark(bytes);
  if (mark == TByteOrderMark::bomUtf16Le || mark == TByteOrderMark::bomUtf16Be) {
    const bool little = mark == TByteOrderMark::bomUtf16Le;
    const size_t units = (bytes.size() - 2) / 2;
    auto at = [b, little](size_t i) -> uint32_t {
      const unsigned char* u = b + 2 + 2 * i;
      return little ? uint32_t(u[0] | u[1] << 8) : uint32_t(u[1] | u[0] << 8);
    };
    // The parser drops a byte-order mark that the text itself begins with, as a text reader
    // that decoded the file would.
    const size_t first = (units > 0 && at(0) == 0xFEFF) ? 1 : 0;
    std::optional<size_t> end = BlockEnd(first, units, complete, at);
    if (!end) return std::nullopt;
    return *end == units ? bytes.size() : 2 + 2 * *end;
  }
  const size_t first = ByteOrderMarkSize(mark);
  return BlockEnd(first, bytes.size(), complete, [b](size_t i) -> uint32_t { return b[i]; });
}

void ReadHeaderBlock(IReadStream& stream, std::string& out) {
  const uint64_t size = stream.Size();
  out.clear();
  size_t want = size_t(std::min<uint64_t>(size, kFirstRead));
  for (;;) {
    const size_t have = out.size();
    out.resize(want);
    const size_t got = stream.ReadAt(have, out.data() + have, want - have);
    out.resize(have + got);
    // A file that shrank since it was opened ends where its bytes end.
    const bool complete = out.size() >= size || got < want - have;
    if (std::optional<size_t> end = FindHeaderBlockEnd(out, complete)) {
      out.resize(*end);
      return;
    }
    want = size_t(std::min<uint64_t>(size, uint64_t(out.size()) * 2));
  }
}

TMessageInfo EMLMessageInfo(const TEMLHeader& header, uint32_t size, std::u16string_view folderName,
                            TEmailClient client) {
  TMessageInfo m;
  m.Size = size;
  SplitAddress(header.From, m.SenderName, m.SenderEmail);
  m.ID = header.MessageId;
  m.Priority = header.Priority;
  m.Subject = header.Subject;
  m.Received = header.Date;
  // The parser leaves Timestamp alone when the header has no date.
  m.ReceivedDate = header.Date.empty() ? 0 : header.Timestamp;
  SplitAddress(header.SendTo, m.ReceiverName, m.ReceiverEmail);
  std::replace(m.ReceiverEmail.begin(), m.ReceiverEmail.end(), u';', u',');
  std::replace(m.ReceiverName.begin(), m.ReceiverName.end(), u';', u',');
  m._Folder = std::u16string(folderName);
  m._Client = client;
  return m;
}

void ReadEMLFolder(const TSystemContext& context, std::u16string_view folder, TEmailClient client,
                   const TRecordSink& add) {
  IPlatform& platform = context.Platform();
  TStringList files;
  FindFilePaths(context, folder, u"*.eml", faAnyFile, files, false, true);
  const std::u16string folderName = FolderNameFromPath(context, folder);
  std::string bytes;
  TEMLHeader header;
  for (const std::u16string& file : files) {
    uint32_t size = 0;
    {
      std::unique_ptr<IReadStream> stream = platform.OpenRead(file);
      if (!stream) throw EKolvaneError(u"Cannot open file \"" + file + u"\"");
      ReadHeaderBlock(*stream, bytes);
      size = uint32_t(stream->Size());  // the low 32 bits, as the record holds them
    }
    header.Timestamp = 0;
    ReadEMLHeader(std::string_view(bytes), header, THeaderScope::hsRecord);
    add(EMLMessageInfo(header, size, folderName, client));
  }
}

}  // namespace kv
