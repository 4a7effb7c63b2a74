// The mail clients the system knows: their numbers, and for the four it reads, the one table of
// what names them: the storage of the history data file that holds their folders, the caption
// of their client page, and their short name on the command line. Page order is table order.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kv {

enum class TEmailClient : uint8_t {
  ecOutlookExpress = 0,
  ecWindowsMail = 1,
  ecWindowsLiveMail = 2,
  ecThunderbird = 3,
  ecOutlook = 4,
  ecNone = 255,
};

struct TMailClient {
  TEmailClient Id;
  std::u16string_view StorageFolder;  // "OE"
  std::u16string_view Caption;        // "Outlook Express"
  std::string_view Key;               // "oe"
};

inline constexpr std::array<TMailClient, 4> kMailClients = {{
    {TEmailClient::ecOutlookExpress, u"OE", u"Outlook Express", "oe"},
    {TEmailClient::ecWindowsMail, u"WinMail", u"Windows Mail", "winmail"},
    {TEmailClient::ecWindowsLiveMail, u"WinLiveMail", u"Windows Live Mail", "winlivemail"},
    {TEmailClient::ecThunderbird, u"Thunderbird", u"Mozilla Thunderbird", "thunderbird"},
}};

// The table's row of a client, or none (Outlook, and no client).
constexpr const TMailClient* FindMailClient(TEmailClient id) {
  for (const TMailClient& c : kMailClients)
    if (c.Id == id) return &c;
  return nullptr;
}

// The short name of any client: the table's, "outlook" for Outlook, empty for none.
constexpr std::string_view MailClientKey(TEmailClient id) {
  if (const TMailClient* c = FindMailClient(id)) return c->Key;
  return id == TEmailClient::ecOutlook ? std::string_view("outlook") : std::string_view();
}

}  // namespace kv
