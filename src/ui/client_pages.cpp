#include "ui/client_pages.h"

#include "collectors/oe.h"
#include "collectors/thunderbird.h"
#include "collectors/winlivemail.h"
#include "collectors/winmail.h"

namespace kv {

std::vector<TClientPage> CreateClientPages(const TSystemContext& context) {
  auto winMail = std::make_unique<TVix_WinMail>(context);
  auto winLiveMail = std::make_unique<TVix_WinLiveMail>(context);
  auto oe = std::make_unique<TVix_OE>(context);
  auto thunderbird = std::make_unique<TVix_Thunderbird>(context);
  std::vector<TClientPage> pages;
  pages.push_back({u"Outlook Express", "oe", std::move(oe)});
  pages.push_back({u"Windows Mail", "winmail", std::move(winMail)});
  pages.push_back({u"Windows Live Mail", "winlivemail", std::move(winLiveMail)});
  pages.push_back({u"Mozilla Thunderbird", "thunderbird", std::move(thunderbird)});
  return pages;
}

}  // namespace kv
