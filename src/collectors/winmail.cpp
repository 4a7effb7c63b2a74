#include "collectors/winmail.h"

namespace kv {

TVix_WinMail::TVix_WinMail(const TSystemContext& context)
    : TVix_EMLClient(context, TEmailClient::ecWindowsMail, u"Windows Mail") {}

std::u16string TVix_WinMail::FolderBelowRoot(const std::u16string&, const std::u16string& root) {
  return root + u"Local Folders";
}

}  // namespace kv
