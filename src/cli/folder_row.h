// The rows of `folders`: client, folder and message count of each stored folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/row_writer.h"
#include "core/message.h"

namespace kv {

const std::vector<TColumn>& FolderColumns();

// Fills `cells` (resized to the column count) with one folder's row.
void FolderCells(TEmailClient client, std::u16string_view folder, uint64_t messages,
                 std::vector<std::u16string>& cells);

}  // namespace kv
