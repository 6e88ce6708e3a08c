// zandrel2-install run as a user runs it, under faults: a disk that fills up, folders
// and files it may not touch, links, awkward names, paths at their length limits, an
// install killed halfway and a CD that cannot be read to the end. Each case checks
// the exact trace, the notices, the exit status and the tree left behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/UniqueFd.h"
#include "tests/SandboxDrives.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// What one run of zandrel2-install left behind.
struct InstallRun {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string trace;
  std::string notices;  // the notice lines of standard error
  std::string why;      // its lines that explain a failure ("zandrel2-install: ...")
};

// One plan step's folders as the trace writes them: the source plan path (with its
// final separator) and the destination plan path.
struct Step {
  std::string from;
  std::string to;
};

// An entry of a folder copy and the ERR-05 code its copy fails with, if any.
struct Entry {
  std::string name;
  unsigned long error = 0;
};

const std::string kFolderExists = "ERR-01 Fial to Create Derectory.";
const std::string kNoSourceFolder = "ERR-03(3)  Source Derectory is Empty. :0\r\n";
const std::string kInstalled = "Start to Install.\n";
const std::string kCopyFailed = "Start to Install.\nERR-05 File Copy Error.\n";

// The five steps for the CD root D:\ and a catalog root and ID.
std::vector<Step> PlanSteps(const std::string& catalogRoot, const std::string& id) {
  const std::string idFolder = catalogRoot + "\\" + id;
  return {{"D:\\\\INST_FP\\", catalogRoot},
          {"D:\\\\FP\\HTML\\", idFolder + "\\HTML"},
          {"D:\\\\FP\\HTML\\guide_img\\", idFolder + "\\HTML\\guide_img"},
          {"D:\\\\FP\\HTML\\QXT905_app_jpeg\\", idFolder + "\\HTML\\QXT905_app_jpeg"},
          {"D:\\\\FP\\jpg\\", idFolder + "\\jpg"}};
}

const std::vector<Step> kSteps = PlanSteps("C:\\Apache2\\htdocs\\Catalogs", "QXT905");
enum StepIndex { kRootStep, kHtmlStep, kGuideStep, kAppStep, kJpgStep };

// A folder copy's lines: "." and "..", then each entry, with its ERR-05 line if any.
std::string CopyLines(const Step& step, std::initializer_list<Entry> entries) {
  std::string lines;
  auto add = [&](const Entry& entry) {
    lines += "copy " + step.from + "\\" + entry.name + " to " + step.to + "\\" + entry.name + ". \r\n";
    if (entry.error != 0) {
      lines += "ERR-05(" + std::to_string(entry.error) + ")  File Copy Error. :" + step.from + "\\" + entry.name + "\r\n";
    }
  };
  add({"."});
  add({".."});
  for (const Entry& entry : entries) add(entry);
  return lines;
}

std::string Bytes(std::size_t count, char fill) { return std::string(count, fill); }

// A tmpfs of `bytes` over `folder`, mounted in a mount namespace of this test process
// alone, so that it goes away with the process whatever happens to the test.
class SmallDisk {
 public:
  SmallDisk(const fs::path& folder, std::size_t bytes) : m_folder(folder) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return;
    const std::string options = "size=" + std::to_string(bytes);
    m_mounted = mount("tmpfs", m_folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk() {
    if (m_mounted) umount2(m_folder.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return m_mounted; }

 private:
  fs::path m_folder;
  bool m_mounted = false;
};

bool HaveProgram(const char* name) {
  const char* path = getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
  while (!folders.empty()) {
    const std::size_t end = std::min(folders.find(':'), folders.size());
    if (access((fs::path(folders.substr(0, end)) / name).c_str(), X_OK) == 0) return true;
    folders.remove_prefix(std::min(end + 1, folders.size()));
  }
  return false;
}

// A wrapper that runs the install under strace with these options, every thread followed
// (the copy runs on a thread of its own). LeakSanitizer cannot work under a tracer, so a
// sanitizer build leaves leaks to the other runs.
std::vector<std::string> UnderStrace(std::initializer_list<std::string> options) {
  std::vector<std::string> wrapper = {"env", "ASAN_OPTIONS=detect_leaks=0", "strace", "-f", "-qq", "-o", "/dev/null"};
  wrapper.insert(wrapper.end(), options.begin(), options.end());
  return wrapper;
}

class Faults : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(drives.DriveC() / "Apache2" / "htdocs"); }

  fs::path Catalogs() const { return drives.DriveC() / "Apache2" / "htdocs" / "Catalogs"; }
  fs::path Cd() const { return drives.DriveD(); }

  // A CD with the index page, the frame page and these files in FP\jpg.
  void MakeCd(std::initializer_list<std::pair<const char*, std::string>> photos) const {
    SandboxDrives::WriteFile(Cd() / "INST_FP" / "index.htm", "index");
    SandboxDrives::WriteFile(Cd() / "FP" / "HTML" / "QXT905_frame.htm", "frame");
    for (const auto& [name, content] : photos) SandboxDrives::WriteFile(Cd() / "FP" / "jpg" / name, content);
  }

  // Root passes every permission check: as root, the wrapper that runs the install as
  // nobody, who then owns drive C:; nothing otherwise.
  std::vector<std::string> AsOrdinaryUser() const {
    if (geteuid() != 0) return {};
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) {
      ADD_FAILURE() << "no user nobody";
      return {};
    }
    fs::permissions(drives.Root(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    for (const auto& entry : fs::recursive_directory_iterator(drives.DriveC())) {
      EXPECT_EQ(lchown(entry.path().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    EXPECT_EQ(lchown(drives.DriveC().c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    return {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid), "--regid=" + std::to_string(nobody->pw_gid),
            "--clear-groups"};
  }

  // An install started and not yet waited for, with its trace and notices going to
  // files of its own.
  struct StartedInstall {
    pid_t pid = -1;
    fs::path traceFile;
    fs::path noticesFile;
  };

  // Starts zandrel2-install with `arguments`, behind `wrapper` (a program and its
  // options that run it, or nothing); `slot` keeps concurrent installs' files apart.
  StartedInstall StartInstall(const std::vector<std::string>& arguments = {},
                              const std::vector<std::string>& wrapper = {}, int slot = 0) const {
    std::vector<std::string> command = wrapper;
    command.emplace_back(ZANDREL2_INSTALL_TOOL);
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);

    StartedInstall started{-1, drives.Root() / ("trace" + std::to_string(slot) + ".out"),
                           drives.Root() / ("notices" + std::to_string(slot) + ".out")};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, started.traceFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, started.noticesFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawnp(&started.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
      ADD_FAILURE() << "cannot run " << argv[0];
      started.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return started;
  }

  // Waits for a started install and collects what it left.
  static InstallRun Finish(const StartedInstall& started) {
    InstallRun run;
    if (started.pid < 0) return run;
    int status = 0;
    waitpid(started.pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.trace = SandboxDrives::ReadFile(started.traceFile);
    std::istringstream errors(SandboxDrives::ReadFile(started.noticesFile));
    for (std::string line; std::getline(errors, line);) {
      (line.starts_with("zandrel2-install: ") ? run.why : run.notices) += line + '\n';
    }
    fs::remove(started.traceFile);
    fs::remove(started.noticesFile);
    return run;
  }

  // Runs zandrel2-install with `arguments`, behind `wrapper`, to its end.
  InstallRun Install(const std::vector<std::string>& arguments = {}, const std::vector<std::string>& wrapper = {}) const {
    return Finish(StartInstall(arguments, wrapper));
  }

  SandboxDrives drives;
};

TEST_F(Faults, AFullDiskFailsEachFileThatDoesNotFitAndKeepsTheEarlierInstall) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  const SmallDisk disk(drives.DriveC(), std::size_t{512} << 10);
  ASSERT_TRUE(disk.Mounted()) << "cannot mount a tmpfs";
  fs::create_directories(drives.DriveC() / "Apache2" / "htdocs");

  MakeCd({{"p1.jpg", Bytes(8 << 10, '1')}, {"p2.jpg", Bytes(100 << 10, '2')},
          {"p3.jpg", Bytes(8 << 10, '3')}, {"p4.jpg", Bytes(8 << 10, '4')}});
  const InstallRun earlier = Install();
  ASSERT_EQ(earlier.status, 0) << earlier.trace;

  // 132 KB are in use. The new p2 does not fit beside the old one, nor does p4; the
  // small p3 between them still does.
  MakeCd({{"p1.jpg", Bytes(150 << 10, 'a')}, {"p2.jpg", Bytes(300 << 10, 'b')},
          {"p3.jpg", Bytes(4 << 10, 'c')}, {"p4.jpg", Bytes(400 << 10, 'd')}});
  const InstallRun full = Install();
  EXPECT_EQ(full.status, 2);
  EXPECT_EQ(full.notices, kCopyFailed);
  EXPECT_EQ(full.trace,
            kFolderExists + CopyLines(kSteps[kRootStep], {{"index.htm"}}) +
            kFolderExists + CopyLines(kSteps[kHtmlStep], {{"QXT905_frame.htm"}}) +
            kFolderExists + kNoSourceFolder + kFolderExists + kNoSourceFolder +
            kFolderExists + CopyLines(kSteps[kJpgStep], {{"p1.jpg"}, {"p2.jpg", 112}, {"p3.jpg"}, {"p4.jpg", 112}}));
  EXPECT_EQ(SandboxDrives::ListTree(Catalogs()),
            "QXT905/\nQXT905/HTML/\nQXT905/HTML/QXT905_app_jpeg/\nQXT905/HTML/QXT905_frame.htm\n"
            "QXT905/HTML/guide_img/\nQXT905/jpg/\nQXT905/jpg/p1.jpg\nQXT905/jpg/p2.jpg\nQXT905/jpg/p3.jpg\n"
            "QXT905/jpg/p4.jpg\nindex.htm\n");
  const fs::path jpg = Catalogs() / "QXT905" / "jpg";
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p1.jpg"), Bytes(150 << 10, 'a'));
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p2.jpg"), Bytes(100 << 10, '2'));  // whole and unchanged
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p3.jpg"), Bytes(4 << 10, 'c'));
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p4.jpg"), Bytes(8 << 10, '4'));
}

TEST_F(Faults, PermissionsAndLinksFailOrReplaceWithoutTouchingAnythingElse) {
  const fs::path html = Cd() / "FP" / "HTML";
  MakeCd({{"p1.jpg", "new photo 1"}, {"p2.jpg", "new photo 2"}});
  SandboxDrives::WriteFile(html / "page.htm", "new page");
  SandboxDrives::WriteFile(html / "linked.htm", "new linked page");
  SandboxDrives::WriteFile(html / "locked.htm", "unreadable");
  fs::permissions(html / "locked.htm", fs::perms::none);
  SandboxDrives::WriteFile(drives.Root() / "secret.txt", "not on the CD");
  fs::create_symlink(drives.Root() / "secret.txt", html / "on_cd_link.htm");

  // What an earlier install left, with a read-only page, a link to a file outside
  // the tree, and a photo folder without write permission.
  const fs::path installed = Catalogs() / "QXT905";
  SandboxDrives::WriteFile(installed / "HTML" / "page.htm", "old page");
  fs::permissions(installed / "HTML" / "page.htm", fs::perms::owner_read);
  SandboxDrives::WriteFile(drives.Root() / "outside.txt", "precious");
  fs::create_symlink(drives.Root() / "outside.txt", installed / "HTML" / "linked.htm");
  SandboxDrives::WriteFile(installed / "jpg" / "p1.jpg", "old photo 1");

  const std::vector<std::string> asUser = AsOrdinaryUser();
  fs::permissions(installed / "jpg", fs::perms::owner_read | fs::perms::owner_exec);

  const InstallRun run = Install({}, asUser);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.notices, kCopyFailed);
  EXPECT_EQ(run.trace,
            kFolderExists + CopyLines(kSteps[kRootStep], {{"index.htm"}}) +
            kFolderExists + CopyLines(kSteps[kHtmlStep], {{"linked.htm"}, {"locked.htm", 5}, {"on_cd_link.htm", 1920},
                                                          {"page.htm"}, {"QXT905_frame.htm"}}) +
            kNoSourceFolder + kNoSourceFolder +
            kFolderExists + CopyLines(kSteps[kJpgStep], {{"p1.jpg", 5}, {"p2.jpg", 5}}));
  EXPECT_EQ(SandboxDrives::ListTree(Catalogs()),
            "QXT905/\nQXT905/HTML/\nQXT905/HTML/QXT905_app_jpeg/\nQXT905/HTML/QXT905_frame.htm\n"
            "QXT905/HTML/guide_img/\nQXT905/HTML/linked.htm\nQXT905/HTML/page.htm\nQXT905/jpg/\n"
            "QXT905/jpg/p1.jpg\nindex.htm\n");
  EXPECT_EQ(SandboxDrives::ReadFile(installed / "HTML" / "page.htm"), "new page");
  EXPECT_FALSE(fs::is_symlink(installed / "HTML" / "linked.htm"));
  EXPECT_EQ(SandboxDrives::ReadFile(installed / "HTML" / "linked.htm"), "new linked page");
  EXPECT_EQ(SandboxDrives::ReadFile(drives.Root() / "outside.txt"), "precious");
  EXPECT_EQ(SandboxDrives::ReadFile(installed / "jpg" / "p1.jpg"), "old photo 1");
}

TEST_F(Faults, WhatIsLeftOutOfTheCatalogFailsTheInstall) {
  // A CD folder that cannot be read, and special files that are never opened (a FIFO
  // would keep the install waiting) beside a photo that copies.
  MakeCd({{"p1.jpg", "photo 1"}});
  SandboxDrives::WriteFile(Cd() / "FP" / "HTML" / "guide_img" / "logo.jpg", "logo");
  fs::permissions(Cd() / "FP" / "HTML" / "guide_img", fs::perms::none);
  ASSERT_EQ(mkfifo((Cd() / "FP" / "jpg" / "p2.jpg").c_str(), 0644), 0);
  ASSERT_EQ(mknod((Cd() / "FP" / "jpg" / "p3.jpg").c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0, geteuid() == 0);

  const InstallRun run = Install({}, AsOrdinaryUser());
  fs::permissions(Cd() / "FP" / "HTML" / "guide_img", fs::perms::owner_all);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.notices, kCopyFailed);
  const bool haveDevice = fs::exists(Cd() / "FP" / "jpg" / "p3.jpg");
  EXPECT_EQ(run.trace, kFolderExists + CopyLines(kSteps[kRootStep], {{"index.htm"}}) +
                           CopyLines(kSteps[kHtmlStep], {{"guide_img"}, {"QXT905_frame.htm"}}) +
                           "ERR-03(5)  Source Derectory is Empty. :0\r\n" + kNoSourceFolder +
                           (haveDevice ? CopyLines(kSteps[kJpgStep], {{"p1.jpg"}, {"p2.jpg", 87}, {"p3.jpg", 87}})
                                       : CopyLines(kSteps[kJpgStep], {{"p1.jpg"}, {"p2.jpg", 87}})));
  EXPECT_EQ(SandboxDrives::ListTree(Catalogs() / "QXT905" / "jpg"), "p1.jpg\n");
}

TEST_F(Faults, TheFramePageNamesTheCatalogFolder) {
  const struct {
    std::vector<std::string> frameNames;  // besides the frame pages, FP\HTML is empty
    std::string htmlListing;              // what the search yields, '|' between names
    std::string id;                       // empty: no frame page is found
    std::string folder;                   // the ID folder's name on Linux
  } cases[] = {
      {{"fram"}, "fram", "fram", "fram"},                                       // shorter than six bytes
      {{"a_fram"}, "a_fram", "a_fram", "a_fram"},                               // exactly six
      {{"abcde\xC3\xA9_fram.htm"}, "abcde\xC3\xA9_fram.htm", "abcde", "abcde"},  // a character across byte 6
      {{"frame.htm"}, "frame.htm", "frame.", "frame"},                           // Windows drops a final dot
      {{"A\\fram.htm"}, "", "", ""},  // no path names it: never the frame page
      {{"A\\fram.htm", "b_fram.htm"}, "A\\fram.htm|b_fram.htm", "b_fram", "b_fram"},  // and its copy is reported
      {{"Cfram_c.htm", "bFRAM_b.htm", "_fram_u.htm"}, "bFRAM_b.htm|Cfram_c.htm|_fram_u.htm", "bFRAM_",
       "bFRAM_"},  // letters compared in upper case
  };
  for (const auto& c : cases) {
    fs::remove_all(Cd());
    fs::remove_all(Catalogs());
    SandboxDrives::WriteFile(Cd() / "INST_FP" / "index.htm", "index");
    for (const std::string& name : c.frameNames) SandboxDrives::WriteFile(Cd() / "FP" / "HTML" / name, name);

    const InstallRun run = Install();
    if (c.id.empty()) {
      EXPECT_EQ(run.status, 1) << c.frameNames[0];
      EXPECT_EQ(run.notices, "ERR-01 Fial to Create Derectory.\n");
      EXPECT_EQ(run.trace, "");
      EXPECT_EQ(SandboxDrives::ListTree(Catalogs()), "");
      continue;
    }
    const std::vector<Step> steps = PlanSteps("C:\\Apache2\\htdocs\\Catalogs", c.id);
    std::string htmlLines = CopyLines(steps[kHtmlStep], {});
    bool leftOut = false;
    std::set<std::string> tree = {c.folder + "/", c.folder + "/HTML/", c.folder + "/HTML/QXT905_app_jpeg/",
                                  c.folder + "/HTML/guide_img/", c.folder + "/jpg/", "index.htm"};
    for (std::size_t start = 0; start <= c.htmlListing.size();) {
      const std::size_t end = std::min(c.htmlListing.find('|', start), c.htmlListing.size());
      const std::string name = c.htmlListing.substr(start, end - start);
      htmlLines += "copy " + steps[kHtmlStep].from + "\\" + name + " to " + steps[kHtmlStep].to + "\\" + name + ". \r\n";
      if (name.find('\\') != std::string::npos) {
        htmlLines += "ERR-05(123)  File Copy Error. :" + steps[kHtmlStep].from + "\\" + name + "\r\n";
        leftOut = true;
      } else {
        tree.insert(c.folder + "/HTML/" + name);
      }
      start = end + 1;
    }
    EXPECT_EQ(run.status, leftOut ? 2 : 0) << c.id;
    EXPECT_EQ(run.notices, leftOut ? kCopyFailed : kInstalled) << c.id;
    EXPECT_EQ(run.trace, kFolderExists + CopyLines(steps[kRootStep], {{"index.htm"}}) + htmlLines +
                             kNoSourceFolder + kNoSourceFolder + kNoSourceFolder)
        << c.id;
    std::string listing;
    for (const std::string& entry : tree) listing += entry + "\n";
    EXPECT_EQ(SandboxDrives::ListTree(Catalogs()), listing) << c.id;
  }
}

TEST_F(Faults, FileNamesTravelAsTheyAre) {
  const std::vector<std::string> names = {"with space.jpg", "caf\xC3\xA9.jpg", "\xE3\x82\xAB\xE3\x82\xBF.jpg",
                                          "bad\xFF\xFE.jpg"};
  MakeCd({});
  for (const std::string& name : names) SandboxDrives::WriteFile(Cd() / "FP" / "jpg" / name, "photo " + name);

  const InstallRun run = Install();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.notices, kInstalled);
  EXPECT_EQ(run.trace,
            kFolderExists + CopyLines(kSteps[kRootStep], {{"index.htm"}}) +
            CopyLines(kSteps[kHtmlStep], {{"QXT905_frame.htm"}}) + kNoSourceFolder + kNoSourceFolder +
            CopyLines(kSteps[kJpgStep], {{"bad\xFF\xFE.jpg"}, {"caf\xC3\xA9.jpg"}, {"with space.jpg"},
                                         {"\xE3\x82\xAB\xE3\x82\xBF.jpg"}}));
  for (const std::string& name : names) {
    EXPECT_EQ(SandboxDrives::ReadFile(Catalogs() / "QXT905" / "jpg" / name), "photo " + name) << name;
  }
}

TEST_F(Faults, ACdRootOfTheLongestLengthWorksAndOneByteMoreIsRefused) {
  // The frame page's search pattern is the CD root and 15 bytes: 244 bytes make it
  // the longest path a file call takes (259).
  const std::string first(200, 'a');
  const std::string second(244 - 3 - 200 - 1, 'b');
  const std::string cdRoot = "D:\\" + first + "\\" + second;
  ASSERT_EQ(cdRoot.size(), 244u);
  SandboxDrives::WriteFile(Cd() / first / second / "INST_FP" / "index.htm", "index");
  SandboxDrives::WriteFile(Cd() / first / second / "FP" / "HTML" / "QXT905_frame.htm", "frame");

  // The ID comes from the frame page. The first two folders are searched, but their
  // files' paths are too long for their 256-byte buffer; the next two folders' search
  // patterns are too long themselves; the shortest, FP\jpg's, fits and finds no folder.
  const std::string tooLong = "ERR-03(206)  Source Derectory is Empty. :0\r\n";
  const Step root{cdRoot + "\\INST_FP\\", kSteps[kRootStep].to};
  const Step html{cdRoot + "\\FP\\HTML\\", kSteps[kHtmlStep].to};
  const InstallRun fits = Install({"--cd", cdRoot});
  EXPECT_EQ(fits.status, 2);  // files could not be copied: they are missing
  EXPECT_EQ(fits.notices, kCopyFailed);
  EXPECT_EQ(fits.trace, kFolderExists + CopyLines(root, {{"index.htm", 206}}) +
                            CopyLines(html, {{"QXT905_frame.htm", 206}}) + tooLong + tooLong + kNoSourceFolder);
  EXPECT_EQ(SandboxDrives::ListTree(Catalogs()),
            "QXT905/\nQXT905/HTML/\nQXT905/HTML/QXT905_app_jpeg/\nQXT905/HTML/guide_img/\nQXT905/jpg/\n");

  fs::remove_all(Catalogs());
  const InstallRun refused = Install({"--cd", cdRoot + "b"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.notices, "ERR-01 Fial to Create Derectory.\n");
  EXPECT_EQ(refused.trace, "");
  EXPECT_EQ(SandboxDrives::ListTree(Catalogs()), "");
}

TEST_F(Faults, APlanPathOfTheLongestLengthIsCreatedAndOneByteMoreIsRefused) {
  SandboxDrives::WriteFile(Cd() / "INST_FP" / "index.htm", "index");
  SandboxDrives::WriteFile(Cd() / "FP" / "HTML" / "QXT905_frame.htm", "frame");
  SandboxDrives::WriteFile(Cd() / "FP" / "HTML" / "QXT905_app_jpeg" / "a1.jpg", "app");
  // The catalog root is the install directory and 16 bytes, the application image
  // folder 28 more: an install directory of 203 bytes makes that folder 247 bytes, the
  // longest folder path CreateDirectory takes.
  for (const std::size_t installDirBytes : {203u, 204u}) {
    const std::string first(180, 'i');
    const std::string second(installDirBytes - 3 - 180 - 1, 'j');
    const std::string installDir = "C:\\" + first + "\\" + second;
    fs::create_directories(drives.DriveC() / first / second / "htdocs");
    const std::vector<Step> steps = PlanSteps(installDir + "\\htdocs\\Catalogs", "QXT905");
    ASSERT_EQ(steps[kAppStep].to.size(), installDirBytes + 44);

    // The files' paths all fit; only the folder differs, and with it its file.
    const InstallRun run = Install({"--install-dir", installDir});
    const bool fits = installDirBytes == 203;
    EXPECT_EQ(run.status, fits ? 0 : 2);
    EXPECT_EQ(run.notices, fits ? kInstalled : kCopyFailed);
    EXPECT_EQ(run.trace,
              kFolderExists + CopyLines(steps[kRootStep], {{"index.htm"}}) +
              CopyLines(steps[kHtmlStep], {{"QXT905_app_jpeg"}, {"QXT905_frame.htm"}}) + kNoSourceFolder +
              (fits ? "" : kFolderExists) +
              CopyLines(steps[kAppStep], {{"a1.jpg", fits ? 0ul : 3ul}}) + kNoSourceFolder)
        << installDirBytes;
    EXPECT_EQ(SandboxDrives::ListTree(drives.DriveC() / first / second / "htdocs" / "Catalogs"),
              std::string("QXT905/\nQXT905/HTML/\n") +
                  (fits ? "QXT905/HTML/QXT905_app_jpeg/\nQXT905/HTML/QXT905_app_jpeg/a1.jpg\n" : "") +
                  "QXT905/HTML/QXT905_frame.htm\nQXT905/HTML/guide_img/\nQXT905/jpg/\nindex.htm\n")
        << installDirBytes;
  }
}

TEST_F(Faults, AFilePathOfTheLongestLengthIsCopiedAndOneByteMoreIsRefused) {
  // C:\Apache2\htdocs\Catalogs\QXT905\jpg\ is 38 bytes.
  const std::string fitting = std::string(255 - 38 - 4, 'n') + ".jpg";
  const std::string tooLong = "n" + fitting;
  MakeCd({{fitting.c_str(), "fits"}, {tooLong.c_str(), "does not fit"}});

  const InstallRun run = Install();
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.notices, kCopyFailed);
  EXPECT_EQ(run.trace,
            kFolderExists + CopyLines(kSteps[kRootStep], {{"index.htm"}}) +
            CopyLines(kSteps[kHtmlStep], {{"QXT905_frame.htm"}}) + kNoSourceFolder + kNoSourceFolder +
            CopyLines(kSteps[kJpgStep], {{fitting}, {tooLong, 206}}));
  EXPECT_EQ(SandboxDrives::ListTree(Catalogs() / "QXT905" / "jpg"), fitting + "\n");
  EXPECT_EQ(SandboxDrives::ReadFile(Catalogs() / "QXT905" / "jpg" / fitting), "fits");
}

TEST_F(Faults, AnInstallKilledHalfwayLeavesNoPartFileAndTheNextOneCompletes) {
  if (!HaveProgram("strace")) GTEST_SKIP() << "strace is needed to stop the install at a chosen point";
  MakeCd({{"p1.jpg", Bytes(64 << 10, '1')}, {"p2.jpg", Bytes(64 << 10, '2')}, {"p3.jpg", Bytes(64 << 10, '3')}});
  ASSERT_EQ(Install().status, 0);
  MakeCd({{"p1.jpg", Bytes(96 << 10, 'a')}, {"p2.jpg", Bytes(96 << 10, 'b')}, {"p3.jpg", Bytes(96 << 10, 'c')}});

  // Killed as it is about to give p2's new copy its name: the fourth rename, after
  // index.htm, the frame page and p1.
  const InstallRun killed = Install({}, UnderStrace({"-e", "trace=renameat", "-e", "inject=renameat:signal=SIGKILL:when=4"}));
  EXPECT_EQ(killed.status, 128 + SIGKILL);
  EXPECT_EQ(killed.trace, "");  // still in its buffer
  const fs::path jpg = Catalogs() / "QXT905" / "jpg";
  std::vector<std::string> temporaries;
  for (const auto& entry : fs::directory_iterator(jpg)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".zandrel2-")) temporaries.push_back(name);
  }
  ASSERT_EQ(temporaries.size(), 1u);
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / temporaries[0]), Bytes(96 << 10, 'b'));
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p1.jpg"), Bytes(96 << 10, 'a'));
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p2.jpg"), Bytes(64 << 10, '2'));
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p3.jpg"), Bytes(64 << 10, '3'));

  // The next install completes the catalog and takes the abandoned file away.
  const InstallRun next = Install();
  EXPECT_EQ(next.status, 0);
  EXPECT_EQ(next.notices, kInstalled);
  EXPECT_EQ(next.trace,
            kFolderExists + CopyLines(kSteps[kRootStep], {{"index.htm"}}) +
            kFolderExists + CopyLines(kSteps[kHtmlStep], {{"QXT905_frame.htm"}}) +
            kFolderExists + kNoSourceFolder + kFolderExists + kNoSourceFolder +
            kFolderExists + CopyLines(kSteps[kJpgStep], {{"p1.jpg"}, {"p2.jpg"}, {"p3.jpg"}}));
  EXPECT_EQ(SandboxDrives::ListTree(jpg), "p1.jpg\np2.jpg\np3.jpg\n");
  EXPECT_EQ(SandboxDrives::ReadFile(jpg / "p2.jpg"), Bytes(96 << 10, 'b'));
}

TEST_F(Faults, TheSweepLeavesARunningCopysFileAndEverythingElseAlone) {
  MakeCd({{"p1.jpg", "photo"}});
  const fs::path jpg = Catalogs() / "QXT905" / "jpg";
  SandboxDrives::WriteFile(jpg / ".zandrel2-Abandn", "left by a killed install");
  SandboxDrives::WriteFile(jpg / ".zandrel2-Runnin", "being written");
  SandboxDrives::WriteFile(jpg / ".zandrel2-longer-name", "not ours");
  fs::create_directories(jpg / ".zandrel2-Folder");
  fs::create_symlink(drives.Root() / "elsewhere", jpg / ".zandrel2-Linkxx");
  const posix::UniqueFd running(open((jpg / ".zandrel2-Runnin").c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(flock(running.Get(), LOCK_EX), 0);

  const InstallRun run = Install();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(SandboxDrives::ListTree(jpg),
            ".zandrel2-Folder/\n.zandrel2-Linkxx\n.zandrel2-Runnin\n.zandrel2-longer-name\np1.jpg\n");
}

TEST_F(Faults, ConcurrentInstallsNeverMakeEachOtherFail) {
  // Enough photos that installs started together overlap in the folder, each replacing
  // the others' copies while its sweep looks at their temporary files.
  MakeCd({});
  const fs::path cdJpg = Cd() / "FP" / "jpg";
  for (std::size_t i = 0; i < 400; ++i) {
    SandboxDrives::WriteFile(cdJpg / ("p" + std::to_string(1000 + i) + ".jpg"),
                             Bytes(2000 + 37 * i, static_cast<char>('a' + i % 26)));
  }
  // The folders exist beforehand: creating one at the same moment is another matter,
  // the check-then-create of the catalog folders, which may report ERR-01.
  ASSERT_EQ(Install().status, 0);

  const fs::path jpg = Catalogs() / "QXT905" / "jpg";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int overlapped = 0;  // rounds whose first install still ran when the last one started
  for (int round = 0; round < 15 && std::chrono::steady_clock::now() < deadline; ++round) {
    const int installs = 2 + round % 2;
    std::vector<StartedInstall> started;
    for (int slot = 0; slot < installs; ++slot) started.push_back(StartInstall({}, {}, slot));
    siginfo_t first{};
    if (waitid(P_PID, static_cast<id_t>(started.front().pid), &first, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        first.si_pid == 0) {
      ++overlapped;
    }
    for (const StartedInstall& install : started) {
      const InstallRun run = Finish(install);
      EXPECT_EQ(run.status, 0) << "round " << round << ": " << run.notices;
      EXPECT_EQ(run.trace.find("ERR-05"), std::string::npos) << "round " << round;
    }
    // Whole and the same as on the CD, with nothing temporary left.
    EXPECT_EQ(SandboxDrives::ListTree(jpg), SandboxDrives::ListTree(cdJpg)) << "round " << round;
    for (const auto& photo : fs::directory_iterator(cdJpg)) {
      EXPECT_EQ(SandboxDrives::ReadFile(jpg / photo.path().filename()), SandboxDrives::ReadFile(photo.path()))
          << photo.path().filename();
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(overlapped, 0) << "the installs never ran at the same time";
}

TEST_F(Faults, AFolderThatCannotBeReadToItsEndIsReported) {
  if (!HaveProgram("strace")) GTEST_SKIP() << "strace is needed to fail a folder read";
  MakeCd({{"p1.jpg", "photo 1"}, {"p2.jpg", "photo 2"}});
  const std::string before = kFolderExists + CopyLines(kSteps[kRootStep], {{"index.htm"}}) +
                             CopyLines(kSteps[kHtmlStep], {{"QXT905_frame.htm"}}) + kNoSourceFolder + kNoSourceFolder;
  const struct {
    const char* when;  // which read of the CD's jpg folder fails
    std::string jpgLines;
    std::string jpgTree;
  } cases[] = {
      {"1", "ERR-03(1117)  Source Derectory is Empty. :0\r\n", ""},
      {"2", CopyLines(kSteps[kJpgStep], {{"p1.jpg"}, {"p2.jpg"}}) + "ERR-04(1117)  File Copy Error. :0\r\n",
       "p1.jpg\np2.jpg\n"},
  };
  for (const auto& c : cases) {
    fs::remove_all(Catalogs());
    const InstallRun run = Install({}, UnderStrace({"-P", fs::canonical(Cd() / "FP" / "jpg").string(), "-e", "trace=getdents64",
                                                    "-e", std::string("inject=getdents64:error=EIO:when=") + c.when}));
    // Files left out of the catalog: the install failed, whatever was copied.
    EXPECT_EQ(run.status, 2) << c.when;
    EXPECT_EQ(run.notices, kCopyFailed) << c.when;
    EXPECT_EQ(run.trace, before + c.jpgLines) << c.when;
    EXPECT_EQ(SandboxDrives::ListTree(Catalogs() / "QXT905" / "jpg"), c.jpgTree) << c.when;
  }
}

}  // namespace
