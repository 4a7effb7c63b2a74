// kolvane-make-samples: writes the bundled sample tree (an offline Windows system drive with
// the mail stores of every client Kolvane reads) and its MANIFEST.tsv.
//
//   kolvane-make-samples [FOLDER]     (default: the samples folder of the source tree)
#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "sample_tree.h"

int main(int argc, char** argv) {
  if (argc > 2 ||
      (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"))) {
    std::fprintf(stderr,
                 "usage: kolvane-make-samples [FOLDER]\n"
                 "Writes the sample Windows tree and its MANIFEST.tsv into FOLDER (default: %s).\n"
                 "An earlier tree there is replaced; other files stay.\n",
                 KOLVANE_SAMPLES_DIR);
    return argc == 2 ? 0 : 2;
  }
  const std::string root = argc == 2 ? argv[1] : KOLVANE_SAMPLES_DIR;
  try {
    const kv::samples::TSampleManifest m = kv::samples::WriteSampleTree(root);
    std::map<std::string, std::pair<size_t, size_t>> counts;  // client: folders, messages
    for (const auto& f : m.Folders) ++counts[f.Client].first;
    for (const auto& x : m.Messages) ++counts[x.Client].second;
    for (const auto& [client, c] : counts) {
      std::printf("%-12s %3zu folders %4zu messages\n", client.c_str(), c.first, c.second);
    }
    std::printf("written to %s\n", root.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kolvane-make-samples: %s\n", e.what());
    return 1;
  }
  return 0;
}
