#include "installer/held_archive.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "base/file_util.h"

namespace installer {
namespace {

TEST(IsFileInFolderTest, AcceptsOnlyAFileDirectlyInTheFolderWhateverTheCase) {
  const wchar_t kTemp[] = L"C:\\Users\\u\\Temp\\";
  EXPECT_TRUE(IsFileInFolder(L"C:\\Users\\u\\Temp\\vb1.tmp", kTemp));
  EXPECT_TRUE(IsFileInFolder(L"c:\\users\\U\\TEMP\\vb1.tmp", L"C:\\Users\\u\\Temp"));
  EXPECT_FALSE(IsFileInFolder(L"C:\\Users\\u\\Temp\\vb1.tmp", L""));
  for (const wchar_t* outside :
       {L"C:\\Users\\u\\evil.exe", L"C:\\Users\\u\\Temp\\sub\\vb1.tmp",
        L"C:\\Users\\u\\TempEvil\\vb1.tmp", L"C:\\Users\\u\\Temp", L"C:\\Users\\u\\Temp\\",
        L"C:\\Users\\u\\Temp\\..", L"C:\\Users\\u\\Temp\\vb1.tmp:payload", L"fake_browser_arc"}) {
    EXPECT_FALSE(IsFileInFolder(outside, kTemp)) << outside;
  }
}

class HeldArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(base::WriteDataToFile(path_, "MZ archive")); }
  void TearDown() override { ::DeleteFileW(path_.c_str()); }

  const std::wstring temp_ = base::GetTempFolder();
  const std::wstring path_ = temp_ + L"held_archive_test.tmp";
};

TEST_F(HeldArchiveTest, HeldArchiveCanBeReadButNotWrittenRenamedOrDeleted) {
  base::ScopedHandle hold = HoldArchive(path_);
  ASSERT_TRUE(hold.IsValid());
  base::ScopedHandle reader(::CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(reader.IsValid());
  base::ScopedHandle writer(::CreateFileW(path_.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(writer.IsValid());
  EXPECT_FALSE(::DeleteFileW(path_.c_str()));
  const std::wstring moved = path_ + L".moved";
  EXPECT_FALSE(::MoveFileW(path_.c_str(), moved.c_str()));
  ::DeleteFileW(moved.c_str());
  EXPECT_FALSE(HoldArchive(path_ + L".missing").IsValid());
}

// Refusals of paths outside the folder are seen in the end-to-end hand-off tests.
TEST_F(HeldArchiveTest, ArchiveInTheTemporaryFolderIsHeldUnderItsFullPath) {
  base::ScopedHandle hold;
  std::wstring held_path;
  const std::wstring roundabout = temp_ + L"..\\" +
                                  base::BaseName(temp_.substr(0, temp_.size() - 1)) + L"\\" +
                                  base::BaseName(path_);
  ASSERT_TRUE(HoldArchiveInFolder(roundabout, temp_, &hold, &held_path));
  EXPECT_TRUE(hold.IsValid());
  EXPECT_EQ(::lstrcmpiW(held_path.c_str(), path_.c_str()), 0) << held_path.c_str();
}

}  // namespace
}  // namespace installer
