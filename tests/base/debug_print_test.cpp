#include "base/debug_print.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>
#include <vector>

#include "test_files.h"

namespace tolva {
namespace {

using testing::ReadBytes;
using testing::ReadUtf16Le;

class DebugPrintTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseConsoleWindow(); }
  std::string Open() {
    const std::string path = temp_.Path("save.log");
    EXPECT_TRUE(InitConsoleWindow(path));
    return path;
  }
  testing::TempDir temp_;
};

TEST_F(DebugPrintTest, LogStartsEmptyWithTheFirstLineInUtf16LeWithoutByteOrderMark) {
  const std::string path = temp_.Path("save.log");
  testing::WriteBytes(path, "old content of a previous run");
  ASSERT_TRUE(InitConsoleWindow(path));
  CloseConsoleWindow();
  const std::string bytes = ReadBytes(path);
  const std::string first = "InitConsoleWindow OK!\n";
  ASSERT_EQ(bytes.size(), first.size() * 2);
  for (std::size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(bytes[2 * i], first[i]) << i;
    EXPECT_EQ(bytes[2 * i + 1], '\0') << i;
  }
}

TEST_F(DebugPrintTest, BothFormsWriteTheSameTextAsUtf16CodeUnits) {
  const std::string path = Open();
  EXPECT_EQ(DebugPrint(L"ch %d gain %ls\n", 3, L"增益\U0001F50A"), 14);
  EXPECT_EQ(DebugPrint("scene %s %d\n", "场景", 2),
            static_cast<int>(std::strlen("scene 场景 2\n")));
  CloseConsoleWindow();
  const std::u16string log = ReadUtf16Le(path);
  EXPECT_EQ(log, u"InitConsoleWindow OK!\nch 3 gain 增益\U0001F50A\nscene 场景 2\n");
  // The line end is the single unit 0x000A; the file is binary, no CR pair.
  EXPECT_EQ(log.find(u'\r'), std::u16string::npos);
}

TEST_F(DebugPrintTest, OffLogReturnsZeroAndTouchesNoFile) {
  CloseConsoleWindow();
  EXPECT_FALSE(IsDebugLogOn());
  EXPECT_EQ(DebugPrint(L"dropped %d\n", 1), 0);
  EXPECT_EQ(DebugPrint("dropped %d\n", 2), 0);

  EXPECT_FALSE(InitConsoleWindow(temp_.Path("no/such/dir/save.log")));
  EXPECT_EQ(DebugPrint(L"dropped\n"), 0);
  EXPECT_FALSE(std::filesystem::exists(temp_.Path("no")));
}

TEST_F(DebugPrintTest, LongMessagesAreCutAtTheBufferWithoutBrokenCharacters) {
  const std::string path = Open();
  const std::wstring wide(3000, L'w');
  EXPECT_EQ(DebugPrint(L"%ls", wide.c_str()), 1023);
  const std::string narrow(3000, 'n');
  EXPECT_EQ(DebugPrint("%s", narrow.c_str()), 1023);
  // 1022 ASCII bytes, then a three-byte character that does not fit: it goes whole.
  const std::string tail = std::string(1022, 'x') + "相位";
  EXPECT_EQ(DebugPrint("%s", tail.c_str()), 1022);
  CloseConsoleWindow();

  const std::u16string log = ReadUtf16Le(path);
  const std::u16string expected = u"InitConsoleWindow OK!\n" + std::u16string(1023, u'w') +
                                  std::u16string(1023, u'n') + std::u16string(1022, u'x');
  EXPECT_EQ(log, expected);
}

TEST_F(DebugPrintTest, ReachesTheDiskOnlyAfterMoreThanTenMessages) {
  const std::string path = Open();  // message 1
  for (int i = 2; i <= 11; ++i) DebugPrint(L"message %d\n", i);
  EXPECT_EQ(std::filesystem::file_size(path), 0u) << "flushed too early";
  DebugPrint(L"message 12\n");
  const std::u16string log = ReadUtf16Le(path);
  EXPECT_NE(log.find(u"message 12\n"), std::u16string::npos);
  EXPECT_EQ(log.rfind(u"InitConsoleWindow OK!\n", 0), 0u);
}

TEST_F(DebugPrintTest, EightThreadsNeverInterleaveInsideAMessage) {
  const std::string path = Open();
  constexpr int kThreads = 8;
  constexpr int kMessages = 400;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      const std::wstring body(40, static_cast<wchar_t>(L'A' + t));
      const std::string narrow_body(40, static_cast<char>('a' + t));
      for (int i = 0; i < kMessages; ++i) {
        if (i % 2 == 0) {
          DebugPrint(L"%ls %04d\n", body.c_str(), i);
        } else {
          DebugPrint("%s %04d\n", narrow_body.c_str(), i);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  CloseConsoleWindow();

  const std::u16string log = ReadUtf16Le(path);
  std::vector<int> per_thread(kThreads, 0);
  std::set<std::u16string> seen;
  std::size_t start = log.find(u'\n') + 1;  // after the first line
  for (std::size_t end; (end = log.find(u'\n', start)) != std::u16string::npos; start = end + 1) {
    const std::u16string line = log.substr(start, end - start);
    ASSERT_EQ(line.size(), 45u) << "torn message";
    const char16_t c = line[0];
    const int t = (c >= u'a') ? c - u'a' : c - u'A';
    ASSERT_GE(t, 0);
    ASSERT_LT(t, kThreads);
    EXPECT_EQ(line.find_first_not_of(c), 40u);
    ++per_thread[static_cast<std::size_t>(t)];
    EXPECT_TRUE(seen.insert(line).second) << "duplicated message";
  }
  EXPECT_EQ(start, log.size());
  for (int count : per_thread) EXPECT_EQ(count, kMessages);
}

}  // namespace
}  // namespace tolva
