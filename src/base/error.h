// Failures are exceptions carrying a message text. what() is UTF-8; Message() the UTF-16 text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

class EKolvaneError : public std::runtime_error {
 public:
  explicit EKolvaneError(std::u16string_view message);
  explicit EKolvaneError(const std::string& utf8Message) : std::runtime_error(utf8Message) {}
  std::u16string Message() const;
};

// Status codes of storage failures, the values the Windows structured-storage calls return.
enum class TStorageStatus : uint32_t {
  Ok = 0,
  FileNotFound = 0x80030002,   // STG_E_FILENOTFOUND
  PathNotFound = 0x80030003,   // STG_E_PATHNOTFOUND
  AccessDenied = 0x80030005,   // STG_E_ACCESSDENIED
  InvalidHandle = 0x80030006,  // STG_E_INVALIDHANDLE
  InsufficientMemory = 0x80030008,
  WriteFault = 0x8003001D,         // STG_E_WRITEFAULT
  ReadFault = 0x8003001E,          // STG_E_READFAULT
  ShareViolation = 0x80030020,     // STG_E_SHAREVIOLATION
  LockViolation = 0x80030021,      // STG_E_LOCKVIOLATION
  FileAlreadyExists = 0x80030050,  // STG_E_FILEALREADYEXISTS
  InvalidParameter = 0x80030057,   // STG_E_INVALIDPARAMETER
  MediumFull = 0x80030070,         // STG_E_MEDIUMFULL
  InvalidHeader = 0x800300FB,      // STG_E_INVALIDHEADER
  InvalidName = 0x800300FC,        // STG_E_INVALIDNAME
  Unimplemented = 0x800300FE,      // STG_E_UNIMPLEMENTEDFUNCTION
  DocFileCorrupt = 0x80030109,     // STG_E_DOCFILECORRUPT
  NotStorageFile = 0x800300FB,     // same code as InvalidHeader: STG_E_INVALIDHEADER
  Fail = 0x80004005,               // E_FAIL
};

class EStorageError : public EKolvaneError {
 public:
  EStorageError(TStorageStatus status, std::u16string_view message)
      : EKolvaneError(message), FStatus(status) {}
  TStorageStatus Status() const { return FStatus; }

 private:
  TStorageStatus FStatus;
};

}  // namespace kv
