#include "storage/data_file_layout.h"

#include "base/text.h"
#include "storage/cfb/cfb_format.h"

namespace kv {

std::u16string DataFileName(std::u16string_view machine, std::u16string_view user) {
  return AsciiUpper(machine) + u"_" + AsciiUpper(user) + u".qmr";
}

std::u16string EncodeStreamName(std::u16string_view folderName) {
  std::u16string name = Trim(folderName);
  if (name.size() > cfb::kMaxNameLength) name.resize(cfb::kMaxNameLength);
  for (char16_t& c : name) {
    if (c == u':' || c == u'!' || c == u'/') c = u'_';
  }
  return name;
}

}  // namespace kv
