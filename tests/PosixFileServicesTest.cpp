#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "installer/FileServices.h"
#include "installer/FolderCopy.h"
#include "installer/PathCalls.h"
#include "tests/SandboxDrives.h"

namespace {

namespace fs = std::filesystem;

// A listening Unix socket at `path`, as a Rock Ridge CD can show one.
class UnixSocket {
 public:
  explicit UnixSocket(const fs::path& path) : m_fd(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.native().copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  }
  UnixSocket(const UnixSocket&) = delete;
  UnixSocket& operator=(const UnixSocket&) = delete;
  ~UnixSocket() { close(m_fd); }

 private:
  int m_fd;
};

class PosixFileServices : public ::testing::Test {
 protected:
  // Every name a search yields, or the error that ended it early.
  static std::vector<std::string> SearchAll(const char* pattern) {
    std::vector<std::string> names;
    files::FoundEntry entry;
    files::SearchHandle search = files::FindFirst(pattern, entry);
    if (!search) return {"error " + std::to_string(files::LastError())};
    do names.push_back(entry.name + (entry.isFolder ? "/" : ""));
    while (files::FindNext(*search, entry));
    EXPECT_EQ(files::LastError(), files::kErrorNoMoreFiles);
    return names;
  }

  SandboxDrives drives;
};

TEST_F(PosixFileServices, SearchYieldsDotsFirstThenListingOrder) {
  const fs::path html = drives.DriveD() / "FP" / "HTML";
  for (const char* name : {"b.htm", "A_frame.htm", "a.htm", "Frame2.HTM", "with\\slash.htm"}) {
    SandboxDrives::WriteFile(html / name, "x");
  }
  fs::create_directories(html / "guide_img");
  fs::create_directory_symlink(html / "guide_img", html / "link");

  using Names = std::vector<std::string>;
  EXPECT_EQ(SearchAll("D:\\FP\\HTML\\\\*"),
            (Names{"./", "../", "a.htm", "A_frame.htm", "b.htm", "Frame2.HTM", "guide_img/", "link",
                   "with\\slash.htm"}));  // a link is no folder; a name no path can hold is yielded, to be reported
  EXPECT_EQ(SearchAll("D:\\fp\\html\\*FRAM*"), (Names{"A_frame.htm", "Frame2.HTM"}));
  EXPECT_EQ(SearchAll("D:\\FP\\HTML\\GUIDE_IMG"), (Names{"guide_img/"}));  // an exact name finds itself
  EXPECT_EQ(SearchAll("D:\\*"), (Names{"FP/"}));                            // a drive root has no dots
}

TEST_F(PosixFileServices, SearchFailuresCarryWindowsCodes) {
  SandboxDrives::WriteFile(drives.DriveD() / "FP" / "page.htm", "x");
  const struct {
    const char* pattern;
    unsigned long error;
  } cases[] = {
      {"D:\\FP\\*fram*", files::kErrorFileNotFound},        // folder there, nothing matches
      {"D:\\FP\\jpg\\*", files::kErrorPathNotFound},        // folder missing
      {"D:\\FP\\page.htm\\*", files::kErrorDirectory},      // below a plain file
      {"D:\\FP\\page.htm\\x\\*", files::kErrorPathNotFound},
      {"Q:\\FP\\*", files::kErrorPathNotFound},              // no such drive
      {"C:\\", files::kErrorFileNotFound},
      {"D:\\FP\\", files::kErrorFileNotFound},  // a separator at the end names no entry
  };
  for (const auto& c : cases) {
    files::FoundEntry entry;
    EXPECT_EQ(files::FindFirst(c.pattern, entry), nullptr) << c.pattern;
    EXPECT_EQ(files::LastError(), c.error) << c.pattern;
  }
}

TEST_F(PosixFileServices, CreateFolderMakesOneLevel) {
  SandboxDrives::WriteFile(drives.DriveC() / "Apache2" / "htdocs" / "file", "x");
  EXPECT_TRUE(files::CreateFolder("C:\\Apache2\\HTDOCS\\Catalogs"));
  EXPECT_TRUE(fs::is_directory(drives.DriveC() / "Apache2" / "htdocs" / "Catalogs"));

  const struct {
    const char* path;
    unsigned long error;
  } cases[] = {
      {"C:\\Apache2\\htdocs\\catalogs", files::kErrorAlreadyExists},  // any case
      {"C:\\Apache2\\htdocs\\file", files::kErrorAlreadyExists},      // a file counts
      {"C:\\Apache2\\missing\\Catalogs", files::kErrorPathNotFound},  // no parents made
      {"C:\\Apache2\\htdocs\\file\\x", files::kErrorPathNotFound},
      {"Q:\\x", files::kErrorPathNotFound},
      {"C:\\Apache2\\htdocs\\" "x234567890123456789012345678901234567890123456789012345678901234567890123456789"
       "0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789"
       "01234567890123456789012345678901234567890123456789012345678901234567890123456789",
       files::kErrorFilenameTooLong},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(CreateFolderAt(c.path)) << c.path;
    EXPECT_EQ(files::LastError(), c.error) << c.path;
  }
}

TEST_F(PosixFileServices, CopyReplacesTheDestinationWholeWithOrdinaryPermissions) {
  const fs::path source = drives.DriveD() / "FP" / "jpg" / "photo.jpg";
  SandboxDrives::WriteFile(source, "new photo");
  fs::permissions(source, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::last_write_time(source, fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  const fs::path destination = drives.DriveC() / "jpg" / "photo.jpg";
  SandboxDrives::WriteFile(destination, "old photo, longer than the new one");
  fs::permissions(destination, fs::perms::owner_read);  // marked read-only

  ASSERT_TRUE(CopyFileReplacing("D:\\FP\\\\jpg\\\\PHOTO.JPG", "C:\\jpg\\photo.jpg"));
  EXPECT_EQ(SandboxDrives::ReadFile(destination), "new photo");
  EXPECT_EQ(fs::last_write_time(destination), fs::last_write_time(source));
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(static_cast<mode_t>(fs::status(destination).permissions()), 0666 & ~mask);
  EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC()), "jpg/\njpg/photo.jpg\n");  // no temporary left

  // A second copy over a read-only copy works as well: the mark never travelled.
  EXPECT_TRUE(CopyFileReplacing("D:\\FP\\jpg\\photo.jpg", "C:\\JPG\\Photo.jpg"));
  EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC()), "jpg/\njpg/photo.jpg\n");  // the existing name is kept
}

TEST_F(PosixFileServices, AWatchedCopyReportsItsPiecesAndCanBeAbandonedWhole) {
  const std::string photo(10 << 20, 'p');  // three pieces
  SandboxDrives::WriteFile(drives.DriveD() / "big.jpg", photo);
  const fs::path destination = drives.DriveC() / "big.jpg";
  SandboxDrives::WriteFile(destination, "the old photo");

  std::vector<std::uint64_t> reported;
  const files::CopyWatch abandonAtSecond = [&](std::uint64_t bytes) {
    reported.push_back(bytes);
    return reported.size() < 2;
  };
  EXPECT_FALSE(CopyFileReplacing("D:\\big.jpg", "C:\\big.jpg", nullptr, &abandonAtSecond));
  EXPECT_EQ(files::LastError(), files::kErrorCancelled);
  ASSERT_EQ(reported.size(), 2U);
  EXPECT_TRUE(reported[0] > 0 && reported[0] < reported[1] && reported[1] < photo.size());
  EXPECT_EQ(SandboxDrives::ReadFile(destination), "the old photo");
  EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC()), "big.jpg\n");  // nothing part-written left

  const files::CopyWatch goOn = [](std::uint64_t) { return true; };
  EXPECT_TRUE(CopyFileReplacing("D:\\big.jpg", "C:\\big.jpg", nullptr, &goOn));
  EXPECT_EQ(SandboxDrives::ReadFile(destination), photo);
}

TEST_F(PosixFileServices, CopyReplacesALinkAtTheDestinationWithoutWritingThroughIt) {
  SandboxDrives::WriteFile(drives.DriveD() / "page.htm", "catalog page");
  const fs::path outside = drives.Root() / "outside.txt";
  SandboxDrives::WriteFile(outside, "precious");
  fs::create_directories(drives.DriveC() / "HTML");
  fs::create_symlink(outside, drives.DriveC() / "HTML" / "page.htm");

  ASSERT_TRUE(CopyFileReplacing("D:\\page.htm", "C:\\HTML\\page.htm"));
  EXPECT_FALSE(fs::is_symlink(drives.DriveC() / "HTML" / "page.htm"));
  EXPECT_EQ(SandboxDrives::ReadFile(drives.DriveC() / "HTML" / "page.htm"), "catalog page");
  EXPECT_EQ(SandboxDrives::ReadFile(outside), "precious");
}

TEST_F(PosixFileServices, CopyRefusesWhatIsNoRegularFile) {
  SandboxDrives::WriteFile(drives.Root() / "elsewhere.txt", "not on the CD");
  fs::create_directories(drives.DriveD() / "HTML" / "sub");
  fs::create_symlink(drives.Root() / "elsewhere.txt", drives.DriveD() / "HTML" / "link.htm");
  fs::create_directories(drives.DriveC() / "HTML");
  SandboxDrives::WriteFile(drives.DriveD() / "HTML" / "page.htm", "x");
  fs::create_directories(drives.DriveC() / "HTML" / "page.htm");
  ASSERT_EQ(mkfifo((drives.DriveD() / "HTML" / "pipe.htm").c_str(), 0644), 0);
  const UnixSocket socket(drives.DriveD() / "HTML" / "socket.htm");

  const struct {
    const char* source;
    const char* destination;
    unsigned long error;
  } cases[] = {
      {"D:\\HTML\\\\.", "C:\\HTML\\.", files::kErrorAccessDenied},
      {"D:\\HTML\\\\..", "C:\\HTML\\..", files::kErrorAccessDenied},
      {"D:\\HTML\\\\sub", "C:\\HTML\\sub", files::kErrorAccessDenied},
      {"D:\\HTML\\\\link.htm", "C:\\HTML\\link.htm", files::kErrorCantAccessFile},  // a link is not followed
      {"D:\\HTML\\\\pipe.htm", "C:\\HTML\\pipe.htm", files::kErrorInvalidParameter},  // never opened: it could wait
      {"D:\\HTML\\\\socket.htm", "C:\\HTML\\socket.htm", files::kErrorInvalidParameter},
      {"D:\\HTML\\\\page.htm", "C:\\HTML\\page.htm", files::kErrorAccessDenied},  // a folder is in the way
      {"D:\\HTML\\\\gone.htm", "C:\\HTML\\gone.htm", files::kErrorFileNotFound},
      {"D:\\NONE\\\\gone.htm", "C:\\HTML\\gone.htm", files::kErrorPathNotFound},
      {"D:\\HTML\\\\page.htm", "C:\\NONE\\page.htm", files::kErrorPathNotFound},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(CopyFileReplacing(c.source, c.destination)) << c.source;
    EXPECT_EQ(files::LastError(), c.error) << c.source;
  }
  EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC()), "HTML/\nHTML/page.htm/\n");
}

// What the port knows of the folders copied from and into holds from one search to the
// next, as a folder copy starts with the search of its source folder.
TEST_F(PosixFileServices, CopiesAfterASearchSeeFoldersChangedBeforeIt) {
  SandboxDrives::WriteFile(drives.DriveD() / "FP" / "a.htm", "a");
  SandboxDrives::WriteFile(drives.DriveD() / "FP" / "b.htm", "b");
  const fs::path c = drives.DriveC();
  fs::create_directories(c / "HTML");

  const struct {
    void (*change)(const fs::path& c, const fs::path& d);
    const char* name;     // copied from D:\FP to C:\HTML
    unsigned long error;  // 0: copied
    const char* tree;     // drive C afterwards
  } steps[] = {
      {[](const fs::path&, const fs::path&) {}, "a.htm", 0, "HTML/\nHTML/a.htm\n"},
      {[](const fs::path& c, const fs::path&) { fs::remove_all(c / "HTML"); }, "b.htm", files::kErrorPathNotFound,
       ""},
      // Recreated in another case, holding the name in another case: that entry is replaced.
      {[](const fs::path& c, const fs::path&) { SandboxDrives::WriteFile(c / "html" / "A.HTM", "old"); }, "a.htm", 0,
       "html/\nhtml/A.HTM\n"},
      // Renamed away, and a new folder takes the name: the copy goes into the new one.
      {[](const fs::path& c, const fs::path&) {
         fs::rename(c / "html", c / "old");
         fs::create_directory(c / "HTML");
       },
       "b.htm", 0, "HTML/\nHTML/b.htm\nold/\nold/A.HTM\n"},
      // The source folder renamed away, then back in another case.
      {[](const fs::path&, const fs::path& d) { fs::rename(d / "FP", d / "gone"); }, "a.htm",
       files::kErrorPathNotFound, "HTML/\nHTML/b.htm\nold/\nold/A.HTM\n"},
      {[](const fs::path&, const fs::path& d) { fs::rename(d / "gone", d / "fp"); }, "a.htm", 0,
       "HTML/\nHTML/a.htm\nHTML/b.htm\nold/\nold/A.HTM\n"},
  };
  for (const auto& step : steps) {
    step.change(c, drives.DriveD());
    files::FoundEntry entry;
    files::FindFirst("D:\\FP\\*", entry);
    const std::string source = std::string("D:\\FP\\") + step.name;
    const std::string destination = std::string("C:\\HTML\\") + step.name;
    EXPECT_EQ(CopyFileReplacing(source.c_str(), destination.c_str()), step.error == 0) << step.tree;
    if (step.error != 0) {
      EXPECT_EQ(files::LastError(), step.error) << step.tree;
    }
    EXPECT_EQ(SandboxDrives::ListTree(c), step.tree);
  }
  EXPECT_EQ(SandboxDrives::ReadFile(c / "old" / "A.HTM"), "a");
}

}  // namespace
