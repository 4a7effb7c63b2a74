// Outlook Express folder files: the reader base shared by the .dbx reader (versions 5 and 6) and
// the .mbx reader (version 4), its exception, and the factory that picks a reader by the first
// four bytes of a file.
//
// A reader lists the messages of one folder file as TMessageInfo records without reading the
// message texts; on request it assembles the header text or the whole text of one message. It
// never writes to the files. Files are opened through a TOEFiles (the platform layer supplies
// one over its file system; tests supply one over memory).
//
// Usual use:
//   std::unique_ptr<TOEReader> r = CreateOEReader(files, path);
//   for (uint32_t i = 0; i < r->MessageCount(); ++i) { TMessageInfo m; r->GetMessageInfo(i, m); }
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/error.h"
#include "base/stream.h"
#include "core/message.h"
#include "core/record_store.h"

namespace kv {

// The readers' own failures. The message texts are fixed (see the constants below).
class EOEReaderException : public EKolvaneError {
 public:
  explicit EOEReaderException(std::u16string_view message) : EKolvaneError(message) {}
};

// An Outlook Express database of another kind than a message folder: valid, and holding no
// messages by its kind. Raised with the text "File is not an Outlook Express 5/6 Message
// Database." like a file of no known kind, so that the two can still be told apart.
class EOEOtherDatabase : public EOEReaderException {
 public:
  using EOEReaderException::EOEReaderException;
};

// The fixed message texts of EOEReaderException.
inline constexpr std::u16string_view kOENotSupported = u"File is not in supported format.";
inline constexpr std::u16string_view kOENotDbx =
    u"File is not an Outlook Express 5/6 Message Database.";
inline constexpr std::u16string_view kOENotMbx =
    u"File is not an Outlook Express 4 Message Database.";
inline constexpr std::u16string_view kOENoMessages = u"File does not contain any message.";
inline constexpr std::u16string_view kOENoText = u"No text found.";
// A file too short to hold the structure a reader must read before it can decide anything.
inline constexpr std::u16string_view kOEReadError = u"Stream read error";

enum class TOEFileType : uint8_t { oeUnknown, oe4, oe5, msoe };

// File signatures, the first four bytes read as a little-endian u32.
inline constexpr uint32_t kMbxSignature = 0x36464D4A;  // "JMF6"
inline constexpr uint32_t kIdxSignature = 0x39464D4A;  // "JMF9"
inline constexpr uint32_t kDbxSignature = 0xFE12ADCF;  // CF AD 12 FE
inline constexpr uint32_t kDbxMessageClsid = 0x6F74FDC5;
// The file-type ids of the other databases every Outlook Express user has beside the folders:
// the folder list (Folders.dbx), the POP3 message ids (Pop3uidl.dbx), the offline actions
// (Offline.dbx).
inline constexpr uint32_t kDbxFolderListClsid = 0x6F74FDC6;
inline constexpr uint32_t kDbxPop3UidlClsid = 0x6F74FDC7;
inline constexpr uint32_t kDbxOfflineClsid = 0x26FE9D30;

// How a reader reaches files. Open returns the file opened read-only and shared for reading and
// writing (the mail client may have it open) and throws EKolvaneError when it cannot; Exists
// tells whether a file is there (the .mbx reader looks for its .idx companion with it).
struct TOEFiles {
  std::function<std::unique_ptr<IReadStream>(const std::u16string& path)> Open;
  std::function<bool(const std::u16string& path)> Exists;
};

class TOEReader {
 public:
  explicit TOEReader(TOEFiles files);
  virtual ~TOEReader();
  TOEReader(const TOEReader&) = delete;
  TOEReader& operator=(const TOEReader&) = delete;

  TOEFileType FileType() const { return FFT; }
  const std::u16string& FileName() const { return FFilename; }
  bool Loaded() const { return FLoaded; }
  // Convert the stored UTC times to local time; takes effect at the next ReadMessages.
  bool ConvertTimeToLocal() const { return FCTTL; }
  void SetConvertTimeToLocal(bool value) { FCTTL = value; }

  virtual std::u16string FolderName() const;
  // The header part of message `index` up to the carriage return that closes its last header
  // line; empty when the text holds no blank line. Throws "No text found." for a message of
  // size 0.
  virtual std::u16string GetHeaderText(uint32_t index);
  // The whole stored text of message `index`.
  virtual std::u16string GetMessageText(uint32_t index);
  virtual uint32_t MessageCount() const;
  // A copy of record `index`; an all-zero record for an index outside the records.
  virtual void GetMessageInfo(uint32_t index, TMessageInfo& info) const;
  // Opens the file and runs the type detection; derived readers check their header too.
  virtual void OpenFile(const std::u16string& AFileName);
  virtual void ReadMessages();
  void LoadFromFile(const std::u16string& AFileName) { OpenFile(AFileName); }

  // The message records, one per message, in index order.
  const TRecordStore& Messages() const { return FMI; }

 protected:
  // The stream of the open file; only valid while one is open.
  IReadStream& Content() { return *FContent; }
  uint64_t ContentSize() const { return FContent ? FContent->Size() : 0; }

  TOEFiles FFiles;
  std::unique_ptr<IReadStream> FContent;
  std::u16string FFilename;
  bool FLoaded = false;
  TOEFileType FFT = TOEFileType::oeUnknown;
  TRecordStore FMI;
  bool FCTTL = true;
};

// Opens the folder file, picks the .mbx or the .dbx reader by its first four bytes, loads the
// file and reads its messages. Throws EOEReaderException "File is not in supported format." for
// any other file, and every failure of the chosen reader's load.
std::unique_ptr<TOEReader> CreateOEReader(const TOEFiles& files, const std::u16string& AFileName);

// Helpers shared by the readers.
namespace oe_detail {
inline uint32_t U32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t U16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
// 8-bit text up to its first NUL byte, widened through the system's 8-bit code page.
std::u16string Text8(std::string_view bytes);
// The same into `out`, which keeps its storage.
void Text8(std::string_view bytes, std::u16string& out);
}  // namespace oe_detail

}  // namespace kv
