// The four client pages of a viewer over collectors that serve folders from memory.
#pragma once

#include <utility>
#include <vector>

#include "core/memory_collector.h"
#include "ui/viewer.h"

namespace kv::test {

// Pages 0 to 3 with the storage folders and client ids of the real pages; `collectors` gets
// their collectors in page order.
inline std::vector<TClientPage> MemoryPages(const TSystemContext& context,
                                            std::vector<TMemoryCollector*>& collectors) {
  collectors.clear();
  std::vector<TClientPage> pages;
  const std::pair<const char16_t*, TEmailClient> kinds[] = {
      {u"OE", TEmailClient::ecOutlookExpress},
      {u"WinMail", TEmailClient::ecWindowsMail},
      {u"WinLiveMail", TEmailClient::ecWindowsLiveMail},
      {u"Thunderbird", TEmailClient::ecThunderbird}};
  for (auto [storage, client] : kinds) {
    auto c = std::make_unique<TMemoryCollector>(context, storage, client);
    collectors.push_back(c.get());
    pages.push_back({storage, "", std::move(c)});
  }
  return pages;
}

}  // namespace kv::test
