// Walks everything an Outlook Express reader offers, for the .dbx and .mbx fuzz programs:
// the folder name and, for each of the first 256 messages, its facts, header and text (later
// messages take the same paths; a damaged message count of thousands would only make each input
// slow). The reader's own failures are expected; anything else is a finding.
#pragma once

#include "base/error.h"
#include "formats/oe_reader.h"

namespace kv::fuzz {

inline void ExerciseOEReader(const TOEFiles& files, const std::u16string& path) {
  try {
    auto reader = CreateOEReader(files, path);
    reader->FolderName();
    for (uint32_t i = 0; i < reader->MessageCount() && i < 256; ++i) {
      TMessageInfo info;
      reader->GetMessageInfo(i, info);
      try {
        reader->GetHeaderText(i);
        reader->GetMessageText(i);
      } catch (const EKolvaneError&) {}
    }
  } catch (const EKolvaneError&) {}
}

}  // namespace kv::fuzz
