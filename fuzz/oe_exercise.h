// Walks everything an Outlook Express reader offers, for the .dbx and .mbx fuzz programs:
// the folder name and, for each message (at most 4096), its facts, header and text. The
// reader's own failures are expected; anything else is a finding.
#pragma once

#include "base/error.h"
#include "formats/oe_reader.h"

namespace kv::fuzz {

inline void ExerciseOEReader(const TOEFiles& files, const std::u16string& path) {
  try {
    auto reader = CreateOEReader(files, path);
    reader->FolderName();
    for (uint32_t i = 0; i < reader->MessageCount() && i < 4096; ++i) {
      TMessageInfo info;
      reader->GetMessageInfo(i, info);
      try {
        reader->GetHeaderText(i);
        reader->GetMessageText(i);
      } catch (const EKolvaneError&) {
      }
    }
  } catch (const EKolvaneError&) {
  }
}

}  // namespace kv::fuzz
