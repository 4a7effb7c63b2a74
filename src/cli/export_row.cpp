#include "cli/export_row.h"

#include "base/text.h"

namespace kv {

std::u16string ClientName(TEmailClient client) { return Ascii(MailClientKey(client)); }

std::optional<TEmailClient> ParseClientName(std::string_view name) {
  for (auto client :
       {TEmailClient::ecOutlookExpress, TEmailClient::ecWindowsMail,
        TEmailClient::ecWindowsLiveMail, TEmailClient::ecThunderbird, TEmailClient::ecOutlook})
    if (!name.empty() && name == MailClientKey(client)) return client;
  return std::nullopt;
}

namespace {
void AppendDigits(std::u16string& out, int value, int width) {
  std::u16string digits = IntToStr(value);
  if (digits.size() < size_t(width)) out.append(size_t(width) - digits.size(), u'0');
  out += digits;
}
}  // namespace

std::u16string IsoDateTime(TDateTime value) {
  if (value == 0) return {};
  auto c = DecodeDateTime(value);
  if (!c) return {};
  std::u16string out;
  AppendDigits(out, c->Year, 4);
  out += u'-';
  AppendDigits(out, c->Month, 2);
  out += u'-';
  AppendDigits(out, c->Day, 2);
  out += u'T';
  AppendDigits(out, c->Hour, 2);
  out += u':';
  AppendDigits(out, c->Minute, 2);
  out += u':';
  AppendDigits(out, c->Second, 2);
  return out;
}

const std::vector<TColumn>& ExportColumns() {
  auto text = [](const char* key) { return TColumn{key, Ascii(key), TCellKind::ckText, false, 0}; };
  auto number = [](const char* key) {
    return TColumn{key, Ascii(key), TCellKind::ckNumber, true, 0};
  };
  static const std::vector<TColumn> columns = {
      text("client"),         text("folder"),        number("index"),  text("id"),
      number("flags"),        text("subject"),       text("server"),   text("sender_name"),
      text("sender_email"),   text("received_date"), text("received"), text("receiver_name"),
      text("receiver_email"), text("account"),       number("size"),   number("priority"),
  };
  return columns;
}

void ExportCells(const TMessageView& r, std::vector<std::u16string>& cells) {
  cells.resize(kExportColumnCount);
  cells[0] = ClientName(r._Client);
  cells[1] = r._Folder;
  cells[2] = UIntToStr(r.Index);
  cells[3] = r.ID;
  cells[4] = UIntToStr(r.Flags);
  cells[5] = r.Subject;
  cells[6] = r.Server;
  cells[7] = r.SenderName;
  cells[8] = r.SenderEmail;
  cells[9] = IsoDateTime(r.ReceivedDate);
  cells[10] = r.Received;
  cells[11] = r.ReceiverName;
  cells[12] = r.ReceiverEmail;
  cells[13] = r.Account;
  cells[14] = UIntToStr(r.Size);
  cells[15] = UIntToStr(r.Priority);
}

}  // namespace kv
