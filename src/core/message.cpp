#include "core/message.h"

#include "base/codepage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kv {

namespace {

// A text field as the line carries it: a separator inside it would shift every later field,
// and a line break or NUL would cut the record.
void AppendField(std::u16string& line, std::u16string_view text) {
  for (char16_t c : text) line.push_back(LineFieldChar(c));
}

void AppendNumber(std::u16string& line, uint32_t value) { line += IntToStr(int32_t(value)); }

uint32_t NumberField(std::u16string_view text) {
  auto v = ParseInt32(text);
  return v ? uint32_t(*v) : 0;
}

}  // namespace

TMessageView::TMessageView(const TMessageInfo& r)
    : Address(r.Address),
      Index(r.Index),
      Flags(r.Flags),
      DataOffset(r.DataOffset),
      ID(r.ID),
      Subject(r.Subject),
      Server(r.Server),
      SenderName(r.SenderName),
      SenderEmail(r.SenderEmail),
      ReceivedDate(r.ReceivedDate),
      Received(r.Received),
      ReceiverName(r.ReceiverName),
      ReceiverEmail(r.ReceiverEmail),
      Account(r.Account),
      Size(r.Size),
      Priority(r.Priority),
      _Client(r._Client),
      _Marked(r._Marked),
      _Checked(r._Checked),
      _Folder(r._Folder) {}

TMessageInfo TMessageView::ToInfo() const {
  TMessageInfo r;
  r.Address = Address;
  r.Index = Index;
  r.Flags = Flags;
  r.DataOffset = DataOffset;
  r.ID = ID;
  r.Subject = Subject;
  r.Server = Server;
  r.SenderName = SenderName;
  r.SenderEmail = SenderEmail;
  r.ReceivedDate = ReceivedDate;
  r.Received = Received;
  r.ReceiverName = ReceiverName;
  r.ReceiverEmail = ReceiverEmail;
  r.Account = Account;
  r.Size = Size;
  r.Priority = Priority;
  r._Client = _Client;
  r._Marked = _Marked;
  r._Checked = _Checked;
  r._Folder = _Folder;
  return r;
}

std::u16string FormatMessageLine(const TMessageView& r) {
  std::u16string line;
  FormatMessageLine(r, line);
  return line;
}

bool FitsCp1252(const TMessageView& r) {
  for (std::u16string_view text : {r.ID, r.Subject, r.Server, r.SenderName, r.SenderEmail, r.Received,
                                   r.ReceiverName, r.ReceiverEmail, r.Account})
    if (!FitsCp1252(text)) return false;
  return true;
}

void FormatMessageLine(const TMessageView& r, std::u16string& line) {
  line.clear();
  line.reserve(64 + r.ID.size() + r.Subject.size() + r.SenderName.size() + r.SenderEmail.size() +
               r.Received.size() + r.ReceiverName.size() + r.ReceiverEmail.size());
  AppendNumber(line, r.Index);
  line += u';';
  AppendField(line, r.ID);
  line += u';';
  AppendNumber(line, r.Flags);
  line += u';';
  AppendField(line, r.Subject);
  line += u';';
  AppendField(line, r.Server);
  line += u';';
  AppendField(line, r.SenderName);
  line += u';';
  AppendField(line, r.SenderEmail);
  line += u';';
  line += FormatFixed(r.ReceivedDate, 10);
  line += u';';
  AppendField(line, r.Received);
  line += u';';
  AppendField(line, r.ReceiverName);
  line += u';';
  AppendField(line, r.ReceiverEmail);
  line += u';';
  AppendField(line, r.Account);
  line += u';';
  AppendNumber(line, r.Size);
  line += u';';
  AppendNumber(line, r.Priority);
}

void FormatMessageLines(const TMessages& records, TStringList& lines, int64_t start) {
  if (start < 0) start = 0;
  for (size_t i = size_t(start); i < records.size(); ++i) lines.push_back(FormatMessageLine(records[i]));
}

std::u16string_view NextLineField(std::u16string_view& rest) {
  const char16_t* const text = rest.data();
  const size_t n = rest.size();
  size_t p = 0;
#if defined(__SSE2__)
  // Eight code units a step: the lines of a large folder are cut into fields on every append.
  const __m128i semicolon = _mm_set1_epi16(u';');
  for (; p + 8 <= n; p += 8) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p));
    const int hits = _mm_movemask_epi8(_mm_cmpeq_epi16(x, semicolon));
    if (hits) {
      p += size_t(__builtin_ctz(unsigned(hits))) / 2;
      break;
    }
  }
#endif
  while (p < n && text[p] != u';') ++p;
  if (p >= n) return {};
  std::u16string_view field = rest.substr(0, p);
  rest.remove_prefix(p + 1);
  return field;
}

void ClearMessageInfo(TMessageInfo& record) {
  for (std::u16string* text : {&record.ID, &record.Subject, &record.Server, &record.SenderName,
                               &record.SenderEmail, &record.Received, &record.ReceiverName,
                               &record.ReceiverEmail, &record.Account, &record._Folder})
    text->clear();
  record.Address = record.Index = record.Flags = record.DataOffset = 0;
  record.Size = record.Priority = 0;
  record.ReceivedDate = 0;
  record._Client = TEmailClient::ecOutlookExpress;
  record._Marked = record._Checked = false;
}

TLineFields SplitMessageLine(std::u16string_view line) {
  TLineFields fields{};
  if (line.find(u';') == std::u16string_view::npos) return fields;
  std::u16string_view rest = line;
  for (size_t f = 0; f + 1 < kLineFieldCount; ++f) fields[f] = NextLineField(rest);
  fields[lfPriority] = rest.substr(0, rest.find(u';'));
  return fields;
}

void ParseMessageLine(std::u16string_view line, TMessageInfo& record) {
  // Cleared field by field: a record read line after line keeps its strings' storage.
  ClearMessageInfo(record);
  if (line.find(u';') == std::u16string_view::npos) return;
  const TLineFields f = SplitMessageLine(line);
  record.Index = NumberField(f[lfIndex]);
  record.ID = f[lfID];
  record.Flags = NumberField(f[lfFlags]);
  record.Subject = f[lfSubject];
  record.Server = f[lfServer];
  record.SenderName = f[lfSenderName];
  record.SenderEmail = f[lfSenderEmail];
  auto date = ParseDouble(f[lfReceivedDate]);
  record.ReceivedDate = date ? *date : 0;
  record.Received = f[lfReceived];
  record.ReceiverName = f[lfReceiverName];
  record.ReceiverEmail = f[lfReceiverEmail];
  record.Account = f[lfAccount];
  record.Size = NumberField(f[lfSize]);
  record.Priority = NumberField(f[lfPriority]);
}

}  // namespace kv
