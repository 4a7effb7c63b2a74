// The bundled sample tree: an offline Windows 7 system drive with one user, Clara, whose profile
// holds the stores of every mail client Kolvane reads, and the registry hives that lead to them.
// WriteSampleTree writes it below a host folder and returns its manifest; every byte depends
// only on this program, so two runs give identical trees.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sample_manifest.h"

namespace kv::samples {

// Facts of the sample machine and its user.
inline constexpr std::string_view kMachineName = "CLARA-PC";
inline constexpr std::string_view kUserName = "Clara";
inline constexpr std::string_view kUserSid = "S-1-5-21-2894657231-1308474553-3762853127-1000";
inline constexpr std::string_view kProfileFolder = "C:\\Users\\Clara";
inline constexpr std::string_view kRoamingAppData = "C:\\Users\\Clara\\AppData\\Roaming";
inline constexpr std::string_view kLocalAppData = "C:\\Users\\Clara\\AppData\\Local";
inline constexpr std::string_view kWinMailStore =
    "C:\\Users\\Clara\\AppData\\Local\\Microsoft\\Windows Mail";
inline constexpr std::string_view kWinLiveMailStore =
    "C:\\Users\\Clara\\AppData\\Local\\Microsoft\\Windows Live Mail";
// The file name of the default Windows Live Mail account (value "Default Mail Account").
inline constexpr std::string_view kDefaultMailAccount =
    "account{6C2F9A14-3B8E-4D71-A5C0-9E47B21D8F36}.oeaccount";
inline constexpr std::string_view kThunderbirdProfile =
    "C:\\Users\\Clara\\AppData\\Roaming\\Thunderbird\\Profiles\\x7k2m9qa.default";
inline constexpr std::string_view kThunderbirdMail =
    "C:\\Users\\Clara\\AppData\\Roaming\\Thunderbird\\Profiles\\x7k2m9qa.default\\Mail";

// The files of the tree below its root, written through Windows paths, and its manifest.
class TSampleTree {
 public:
  explicit TSampleTree(std::string root) : FRoot(std::move(root)) {}

  // Writes a file named by its Windows path ("C:\Users\..."), creating its folders.
  // Throws std::runtime_error.
  void Write(std::string_view windowsPath, std::string_view bytes);
  // The host path of a Windows path on the tree.
  std::string HostPath(std::string_view windowsPath) const;
  // Creates the folders of a file that another writer fills (a hive), counts it among the files
  // and returns its host path.
  std::string Prepare(std::string_view windowsPath);

  void AddFolder(TSampleFolder folder) { FManifest.Folders.push_back(std::move(folder)); }
  void AddMessage(TSampleMessage message) { FManifest.Messages.push_back(std::move(message)); }
  TSampleManifest& Manifest() { return FManifest; }
  // Paths of the files written, relative to the root, "/"-separated, in writing order.
  const std::vector<std::string>& Files() const { return FFiles; }

 private:
  std::string FRoot;
  TSampleManifest FManifest;
  std::vector<std::string> FFiles;
};

// The file the manifest is written to, below the root.
inline constexpr std::string_view kManifestFile = "MANIFEST.tsv";

// Writes the tree below `root` (a host folder, created when missing) and its MANIFEST.tsv. A tree
// written there before is replaced: its Windows and Users folders and its manifest are removed
// first; other files (the README) stay. A folder that is not empty and holds no manifest of an
// earlier run is refused, so a real Windows drive is never touched. Returns the manifest.
// Throws std::runtime_error.
TSampleManifest WriteSampleTree(const std::string& root);

// The folder name (GUID) of Outlook Express identity 0 (Clara) or 1 (Verein).
std::string IdentityFolder(int which);

// The parts of the tree, one per client and one for the registry (sample_*.cpp).
void WriteOutlookExpress(TSampleTree& tree);
void WriteWindowsMail(TSampleTree& tree);
void WriteWindowsLiveMail(TSampleTree& tree);
void WriteThunderbird(TSampleTree& tree);
void WriteRegistry(TSampleTree& tree);

}  // namespace kv::samples
