// The files the report writes: text fields a spreadsheet would run as a
// formula are guarded and read back as they were, and a file that cannot be
// written whole leaves the old one as it was.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "report/report_test_support.h"
#include "tools/report/csv.h"
#include "tools/report/report.h"
#include "tools/common/streamed_file.h"
#include "tools/common/atomic_file.h"

namespace trezik::report {
namespace {

namespace fs = std::filesystem;

TEST(ReportCsv, TextsThatWouldBeFormulasAreGuardedAndReadBackAsTheyWere) {
  const struct {
    const char* text;
    const char* field;  // as the CSV file holds it
  } cases[] = {
      {"Ring Road", R"("Ring Road")"},
      {R"x(=HYPERLINK("http://x.example","go"))x", R"x("'=HYPERLINK(""http://x.example"",""go"")")x"},
      {"-Ring road", R"("'-Ring road")"},
      {"+A1", R"("'+A1")"},
      {"@SUM(A1:A9)", R"x("'@SUM(A1:A9)")x"},
      {"\t=1+1", "\"'\t=1+1\""},
      {"-1+2", R"("'-1+2")"},
      {"-", R"("'-")"},
      {"'=x", R"("''=x")"},   // a text that starts with the guard keeps it
      {"'", R"("''")"},
      {"A=1", R"("A=1")"},    // only the first character counts
      {"-33.8688", R"("-33.8688")"},  // a latitude: a number, not a formula
      {"+52.1", R"("+52.1")"},
      {"-.5", R"("-.5")"},
      {"", R"("")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CsvText(c.text), c.field) << c.text;
    std::string why;
    const auto row = ReadCsvRow(std::string(c.field) + ",1", why);
    ASSERT_TRUE(row) << c.field << ": " << why;
    EXPECT_EQ(*row, (std::vector<std::string>{c.text, "1"})) << c.field;
  }
}

TEST(ReportCsv, APlaceFromTheLogIsGuardedInTheCsvAndShownAsItIsOnThePage) {
  testing::Scratch scratch;
  scratch.Write("plugin/tripmeter.log",
                "\"2026-12-07\",\"08:01:01\",-3.5,101.33,2.67,\"-33.8688\",\"-70.25\","
                "\"=HYPERLINK(\"\"http://x.example\"\")\"\r\n");
  WriteReport({scratch.Path("plugin")}, scratch.Path("out"), {});
  // Worked by hand: the negative numbers stay bare, the coordinates are
  // numbers in quotes, the place gets the quote in front.
  const std::string row =
      "\"2026-12-07\",\"08:01:01\",-3.5,101.33,2.67,2.67,-3.5,\"-33.8688\",\"-70.25\","
      "\"'=HYPERLINK(\"\"http://x.example\"\")\"";
  EXPECT_EQ(scratch.Read("out/trips.csv"),
            "date,time,trip,total,work,work_added,trip_added,latitude,longitude,place\r\n" + row + "\r\n");
  std::string why;
  const auto fields = ReadCsvRow(row, why);
  ASSERT_TRUE(fields) << why;
  EXPECT_EQ(fields->back(), "=HYPERLINK(\"http://x.example\")");
  const std::string page = scratch.Read("out/report.html");
  EXPECT_NE(page.find(">=HYPERLINK(&quot;http://x.example&quot;)<"), std::string::npos);
  EXPECT_EQ(page.find("'=HYPERLINK"), std::string::npos);
}

// A limit on the size of the files this process writes makes a write fail
// halfway, even for root; SIGXFSZ is ignored so that write() returns EFBIG.
void WithFileSizeLimit(rlim_t bytes, const std::function<void()>& run) {
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit limited = old;
  limited.rlim_cur = bytes;
  auto* const old_handler = ::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  run();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, old_handler);
}

// The two ways a file is written whole: at once, and piece by piece.
const std::pair<const char*, std::function<void(const std::string&, const std::string&)>> kWriters[] = {
    {"at once", [](const std::string& path, const std::string& content) { tools::ReplaceFileDurably(path, content); }},
    {"in pieces",
     [](const std::string& path, const std::string& content) {
       tools::StreamedFile file(path);
       for (std::size_t at = 0; at < content.size(); at += 1000) file.Write(std::string_view(content).substr(at, 1000));
       file.Commit();
     }},
};

TEST(WholeFile, AFailedWriteSaysWhyAndLeavesTheOldFileAndNoTemporary) {
  constexpr char kOld[] = "old content\r\n";
  const std::string kNew(4096, 'n');
  const struct {
    const char* name;
    const char* target;  // in the scratch folder, which holds the old file "folder/old.csv"
    const char* says;
    bool full_disk;
  } cases[] = {
      {"the target is a folder", "folder/sub", "rename: Is a directory", false},
      {"the folder is a file", "folder/old.csv/new.csv", "Not a directory", false},
      {"the folder is missing", "missing/new.csv", "No such file or directory", false},
      {"the write stops halfway", "folder/old.csv", "write: File too large", true},
      {"the folder is read-only", "folder/old.csv", "Permission denied", false},
  };
  for (const auto& [how, write_whole] : kWriters)
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + ", " + how);
    const bool read_only = std::string(c.name) == "the folder is read-only";
    if (read_only && ::geteuid() == 0) continue;  // root writes into any folder
    testing::Scratch scratch;
    scratch.Write("folder/old.csv", kOld);
    fs::create_directories(scratch.Path("folder/sub/inside"));
    if (read_only) fs::permissions(scratch.Path("folder"), fs::perms::owner_write, fs::perm_options::remove);

    std::string error;
    auto write = [&] {
      try {
        write_whole(scratch.Path(c.target), kNew);
      } catch (const std::runtime_error& e) {
        error = e.what();
      }
    };
    if (c.full_disk) {
      WithFileSizeLimit(kNew.size() / 2, write);
    } else {
      write();
    }
    fs::permissions(scratch.Path("folder"), fs::perms::owner_write, fs::perm_options::add);

    EXPECT_NE(error.find("cannot write " + scratch.Path(c.target)), std::string::npos) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(scratch.Read("folder/old.csv"), kOld);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(scratch.Path("folder"))) {
      left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"old.csv", "sub"}));
    EXPECT_TRUE(fs::exists(scratch.Path("folder/sub/inside")));
  }
}

TEST(WholeFile, KeepsTheOldFilesPermissionsAndGivesANewOneTheUsualOnes) {
  for (const auto& [how, write_whole] : kWriters) {
  SCOPED_TRACE(how);
  testing::Scratch scratch;
  const std::string old_file = scratch.Write("old.csv", "old");
  fs::permissions(old_file, fs::perms(0640));
  write_whole(old_file, "new");
  write_whole(scratch.Path("new.csv"), "new");

  const mode_t mask = ::umask(022);  // read the umask (and put it back)
  ::umask(mask);
  struct stat old_stat {}, new_stat {};
  ASSERT_EQ(::stat(old_file.c_str(), &old_stat), 0);
  ASSERT_EQ(::stat(scratch.Path("new.csv").c_str(), &new_stat), 0);
  EXPECT_EQ(old_stat.st_mode & 07777, 0640u);
  EXPECT_EQ(new_stat.st_mode & 07777, 0666u & ~mask);
  EXPECT_EQ(scratch.Read("old.csv"), "new");
  }
}

}  // namespace
}  // namespace trezik::report
