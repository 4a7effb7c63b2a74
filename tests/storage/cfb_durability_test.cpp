// A failure never leaves the data file half-written: faults injected at every write, a writer
// that dies half-way, and exclusive opening across opens and processes.
#include <gtest/gtest.h>

#include "base/codepage.h"
#include "base/error.h"
#include "storage/cfb/compound_file.h"
#include "storage/cfb/file_handle.h"
#include "storage/cfb/journal.h"
#include "storage/storage_test_util.h"
#include "support/child_process.h"

namespace kv::cfb {
namespace {

using test::TScratchDir;

// Another process opens the file for reading: 0 when it is refused at once as in use.
KOLVANE_TEST_CHILD(OpenHeldFile) {
  try {
    TCompoundFile::OpenForReading(Utf8ToUtf16(args.at(0)));
    return 1;
  } catch (const EStorageError& e) {
    return e.Status() == TStorageStatus::ShareViolation ? 0 : 2;
  }
}

struct TInjectedFault {};

// Fails the n-th write that reaches the hook (1-based); 0 never fails.
class TFaultPlan {
 public:
  explicit TFaultPlan(int failAt) : FFailAt(failAt) {
    SetWriteFaultHook([this] {
      if (++FCount == FFailAt) throw TInjectedFault{};
    });
  }
  ~TFaultPlan() { SetWriteFaultHook(nullptr); }
  int Count() const { return FCount; }

 private:
  int FFailAt;
  int FCount = 0;
};

void MakeStateA(const std::string& path) {
  auto f = TCompoundFile::OpenForWriting(Utf8ToUtf16(path));
  uint32_t oe = f->Create(TCompoundFile::kRoot, u"OE", TEntryType::Storage);
  for (int i = 0; i < 6; ++i) {
    uint32_t id =
        f->Create(oe, u"Folder" + std::u16string(1, char16_t(u'0' + i)), TEntryType::Stream);
    std::string data(i % 2 ? 9000 : 700, char('a' + i));
    f->WriteStream(id, 0, data.data(), data.size());
  }
}

// One append's worth of change: replace two folders with larger ones and add a third.
void ChangeToStateB(TCompoundFile& f) {
  uint32_t oe = f.Find(TCompoundFile::kRoot, u"OE");
  for (const char16_t* name : {u"Folder1", u"Folder2"}) {
    f.Destroy(oe, f.Find(oe, name));
    uint32_t id = f.Create(oe, name, TEntryType::Stream);
    std::string data(30000, 'B');
    f.WriteStream(id, 0, data.data(), data.size());
  }
  uint32_t id = f.Create(oe, u"Folder9", TEntryType::Stream);
  f.WriteStream(id, 0, "new", 3);
}

// Makes the change to state B once without faults and counts the sector writes it takes.
int WritesOfChangeToStateB(const std::string& path) {
  TFaultPlan count(0);
  auto f = TCompoundFile::OpenForWriting(Utf8ToUtf16(path));
  ChangeToStateB(*f);
  f->Commit();
  return count.Count();
}

TEST(CfbDurability, AFaultAtAnyWriteLeavesTheFileAsItWas) {
  TScratchDir dir;
  std::string path = dir.Path("history.qmr");
  MakeStateA(path);
  std::string stateA = test::ReadFileBytes(path);
  const int writes = WritesOfChangeToStateB(path);
  ASSERT_GT(writes, 20);
  std::string stateB = test::ReadFileBytes(path);
  for (int failAt = 1; failAt <= writes; ++failAt) {
    test::WriteFileBytes(path, stateA);
    {
      TFaultPlan plan(failAt);
      try {
        auto f = TCompoundFile::OpenForWriting(Utf8ToUtf16(path));
        ChangeToStateB(*f);
        f->Commit();
        ADD_FAILURE() << "no fault at write " << failAt;
      } catch (const TInjectedFault&) {}
    }
    EXPECT_EQ(test::ReadFileBytes(path), stateA) << "fault at write " << failAt;
    EXPECT_FALSE(JournalIsHot(Utf8ToUtf16(path)));
  }
  // Without a fault the change goes through, exactly as in the first run.
  test::WriteFileBytes(path, stateA);
  {
    auto f = TCompoundFile::OpenForWriting(Utf8ToUtf16(path));
    ChangeToStateB(*f);
  }
  EXPECT_EQ(test::ReadFileBytes(path), stateB);
  auto f = TCompoundFile::OpenForReading(Utf8ToUtf16(path));
  uint32_t oe = f->Find(TCompoundFile::kRoot, u"OE");
  EXPECT_EQ(f->ReadWholeStream(f->Find(oe, u"Folder9")), "new");
}

TEST(CfbDurability, AWriterThatDiesHalfWayIsUndoneByTheNextOpen) {
  TScratchDir dir;
  std::string path = dir.Path("history.qmr");
  MakeStateA(path);
  std::string stateA = test::ReadFileBytes(path);
  const int writes = WritesOfChangeToStateB(path);
  for (int failAt = 1; failAt <= writes; ++failAt) {
    test::WriteFileBytes(path, stateA);
    {
      TFaultPlan plan(failAt);
      auto f = TCompoundFile::OpenForWriting(Utf8ToUtf16(path));
      try {
        ChangeToStateB(*f);
        f->Commit();
      } catch (const TInjectedFault&) {}
      f->Abandon();  // the process "dies": no rollback, the journal stays
    }
    // Readers and writers alike restore the file first.
    auto f = TCompoundFile::OpenForReading(Utf8ToUtf16(path));
    f.reset();
    EXPECT_EQ(test::ReadFileBytes(path), stateA) << "died at write " << failAt;
  }
}

TEST(CfbDurability, AnExceptionOutsideTheEngineRollsTheOpenBack) {
  TScratchDir dir;
  std::string path = dir.Path("history.qmr");
  MakeStateA(path);
  std::string stateA = test::ReadFileBytes(path);
  try {
    auto f = TCompoundFile::OpenForWriting(Utf8ToUtf16(path));
    uint32_t oe = f->Find(TCompoundFile::kRoot, u"OE");
    f->Destroy(oe, f->Find(oe, u"Folder3"));         // the old stream is gone ...
    throw std::runtime_error("compression failed");  // ... and the new one never comes
  } catch (const std::runtime_error&) {}
  EXPECT_EQ(test::ReadFileBytes(path), stateA);
}

TEST(CfbDurability, AFileOpenForWritingCannotBeOpenedAgain) {
  TScratchDir dir;
  std::u16string path = dir.Path16("history.qmr");
  auto writer = TCompoundFile::OpenForWriting(path);
  for (auto open : {&TCompoundFile::OpenForWriting, &TCompoundFile::OpenForReading}) {
    try {
      open(path);
      ADD_FAILURE() << "second open succeeded";
    } catch (const EStorageError& e) {
      EXPECT_EQ(e.Status(), TStorageStatus::ShareViolation);
      EXPECT_NE(e.Message().find(u"history.qmr"), std::u16string::npos);
    }
  }
  // Another process fails at once as well.
  EXPECT_EQ(test::RunChild("OpenHeldFile", {Utf16ToUtf8(path)}), 0);
  writer.reset();

  // Readers share the file with each other, and keep writers out.
  auto r1 = TCompoundFile::OpenForReading(path);
  auto r2 = TCompoundFile::OpenForReading(path);
  EXPECT_THROW(TCompoundFile::OpenForWriting(path), EStorageError);
  r1.reset();
  r2.reset();
  EXPECT_NO_THROW(TCompoundFile::OpenForWriting(path));
}

}  // namespace
}  // namespace kv::cfb
