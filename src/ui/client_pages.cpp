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
  std::unique_ptr<TVix_EMails> collectors[] = {std::move(oe), std::move(winMail),
                                               std::move(winLiveMail), std::move(thunderbird)};
  std::vector<TClientPage> pages;
  for (size_t p = 0; p < kMailClients.size(); ++p)
    pages.push_back({std::u16string(kMailClients[p].Caption), std::string(kMailClients[p].Key),
                     std::move(collectors[p])});
  return pages;
}

}  // namespace kv
