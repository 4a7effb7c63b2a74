#include "cli/folder_row.h"

#include "base/text.h"
#include "cli/export_row.h"

namespace kv {

const std::vector<TColumn>& FolderColumns() {
  static const std::vector<TColumn> columns = {
      {"client", u"client", TCellKind::ckText, false, 0},
      {"folder", u"folder", TCellKind::ckText, false, 60},
      {"messages", u"messages", TCellKind::ckNumber, true, 0},
  };
  return columns;
}

void FolderCells(TEmailClient client, std::u16string_view folder, uint64_t messages,
                 std::vector<std::u16string>& cells) {
  cells.resize(3);
  cells[0] = ClientName(client);
  cells[1] = folder;
  cells[2] = UIntToStr(messages);
}

}  // namespace kv
