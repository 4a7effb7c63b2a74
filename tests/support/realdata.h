// Files that other programs wrote (mail stores, compound files), read in place from the
// real-data folder: the CMake cache variable KOLVANE_REALDATA_DIR, by default ../shared/realdata
// beside the source tree. A clone on its own has no such folder; a test that needs it skips and
// names the path it missed.
//
//   TEST(Reader, ReadsTheRealFile) {
//     const auto file = test::RealDataPath("dbx/mtdbx_test.dbx");
//     KV_SKIP_WITHOUT_REAL_DATA(file);
//     ...
//   }
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace kv::test {

// `relative` below the real-data folder (the folder itself for an empty text).
inline std::filesystem::path RealDataPath(std::string_view relative = {}) {
  return std::filesystem::path(KOLVANE_REALDATA_DIR) / relative;
}

// The first of `paths` that does not exist; empty when all do.
inline std::filesystem::path MissingRealData(std::initializer_list<std::filesystem::path> paths) {
  for (const auto& path : paths) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return path;
  }
  return {};
}

}  // namespace kv::test

// Skips the running test unless every path given exists.
#define KV_SKIP_WITHOUT_REAL_DATA(...)                                                    \
  do {                                                                                    \
    const std::filesystem::path kv_missing_ = ::kv::test::MissingRealData({__VA_ARGS__}); \
    if (!kv_missing_.empty())                                                             \
      GTEST_SKIP() << "real data not found: " << kv_missing_.string()                     \
                   << " (the folder is the CMake cache variable KOLVANE_REALDATA_DIR)";   \
  } while (false)
