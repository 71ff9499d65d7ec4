// tests/e2e/image_test.cpp - saving files so that they change completely or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

// The sample image with its first cell word 0x0012: read as empty, so any save writes 0xFFFE.
static std::string image_a_save_changes()
{
    std::string image = sample_image();
    set_word(image, 0x1E936, 0x0012);
    return image;
}

TEST(Image, ReadOnlyFilesAreNotReplaced)
{
    run_dir dir(image_a_save_changes());
    dir.write(lvl, "my own edits\n");
    for (const std::string &file : {prg, lvl})
        fs::permissions(dir.file(file),
                        fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded + text_read +
                  eol("Copying structure to PRG file ... \nWriting PRG file ... ") +
                  eol("\nERROR ! File 'KR_PROG.PRG' not found or read protected !"),
              r.err);
    r = run_tool(dir, {"-savelvl"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded + "Creating levels text file ... " +
                  eol("\nERROR ! Levels text file 'vellumix.lvl' could not be created !\n"),
              r.err);
    EXPECT_EQ(image_a_save_changes() + "my own edits\n", dir.read(prg) + dir.read(lvl));
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}

TEST(Image, SaveFollowsASymbolicLinkAndKeepsPermissions)
{
    if (windows_build())
        GTEST_SKIP() << "symbolic links and POSIX permission bits do not reach a Windows program";
    run_dir dir("");
    fs::create_directory(dir.file("game"));
    dir.write("game/real.prg", image_a_save_changes());
    chmod(dir.file("game/real.prg").c_str(), 0640);
    fs::create_symlink("game/real.prg", dir.file(prg));
    struct stat st;
    ASSERT_EQ(0, stat(dir.file("game/real.prg").c_str(), &st));
    const ino_t old_file = st.st_ino;
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    ASSERT_EQ(0, run_tool(dir, {"-saveprg"}).status);
    EXPECT_TRUE(fs::is_symlink(dir.file(prg)));
    EXPECT_EQ("\xFF\xFE", dir.read(prg).substr(0x1E936, 2));
    ASSERT_EQ(0, stat(dir.file("game/real.prg").c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.file("game")), {}));
    // the backup is a file of its own here, beside the link: the old file, by a second name
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.file(prg + ".bak"))));
    EXPECT_TRUE(image_a_save_changes() == dir.read(prg + ".bak"));
    ASSERT_EQ(0, stat(dir.file(prg + ".bak").c_str(), &st));
    EXPECT_EQ(old_file, st.st_ino);
}

TEST(Image, AReplacedFileIsKeptAsItsBackupWhenItsContentChanges)
{
    run_dir dir(image_a_save_changes(), true);
    dir.write(lvl, "my own edits\n");
    for (const char *action : {"-savelvl", "-saveprg", "-saveprg", "-savelvl"}) // the same again
        ASSERT_EQ(0, run_tool(dir, {action}).status) << action;
    EXPECT_EQ("my own edits\n", dir.read(lvl + ".bak"));
    EXPECT_TRUE(image_a_save_changes() == dir.read(prg + ".bak"));
    const std::string saved = dir.read(prg);
    fs::remove(dir.file(prg + ".bak"));
    fs::create_directory(dir.file(prg + ".bak"));
    dir.edit("|[gn][gn][bl][bl][or]", "|[wh][gn][bl][bl][or]");
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(eol("Writing PRG file ... \nERROR ! Backup file 'KR_PROG.PRG.bak' could not be "
                  "written !\n"),
              r.err.substr(r.err.find("Writing")));
    EXPECT_TRUE(saved == dir.read(prg));
}

// Every system call of a save fails in turn: the file is then old or new byte for byte, never
// anything between, its backup absent or the old file, no temporary file is left, and a failure
// on the new file is reported.
TEST(Image, EveryFailedSystemCallOfASaveLeavesTheOldFileOrTheNew)
{
    if (windows_build())
        GTEST_SKIP() << "strace injects failures into Linux system calls only";
    for (const char *action : {"-saveprg", "-savelvl"}) {
        const std::string file = action[5] == 'p' ? prg : lvl;
        const std::string image = image_a_save_changes() + "and a tail to keep";
        run_dir done(image, true); // a longer image loads, and keeps its tail when saved
        ASSERT_EQ(0, run_tool(done, {action}).status);
        EXPECT_EQ(image.substr(0x38DB2), done.read(prg).substr(0x38DB2));
        const std::string old_bytes = file == prg ? image : "my own edits\n",
                          new_bytes = done.read(file);
        std::vector<std::string> with_backup = {prg, lvl, file + ".bak"};
        std::sort(with_backup.begin(), with_backup.end());
        for (const char *call :
             {"openat", "read", "write", "fchmod", "fsync", "close", "link", "rename"}) {
            for (int n = 1;; n++) {
                SCOPED_TRACE(std::string(action) + " " + call + " " + std::to_string(n));
                run_dir dir(image), logs("");
                dir.write(lvl, done.read(lvl));
                dir.write(file, old_bytes);
                run_result r =
                    run_tool(dir, {action},
                             "ASAN_OPTIONS=detect_leaks=0 strace -f -y -o " + logs.file("trace") +
                                 " -e trace=" + call + " -e inject=" + call +
                                 ":error=EIO:when=" + std::to_string(n));
                const std::string trace = logs.read("trace"), now = dir.read(file);
                const bool backed_up = dir.names() == with_backup;
                EXPECT_TRUE(backed_up ? dir.read(file + ".bak") == old_bytes
                                      : dir.names() == std::vector<std::string>({prg, lvl}));
                std::size_t hit = trace.find("(INJECTED)"), from = trace.rfind('\n', hit) + 1;
                if (hit == std::string::npos) { // the save makes fewer such calls
                    EXPECT_TRUE(new_bytes == now && backed_up);
                    break;
                }
                EXPECT_TRUE(now == old_bytes || (now == new_bytes && backed_up));
                EXPECT_TRUE(r.status != 0 || now == new_bytes);
                EXPECT_TRUE(std::string(call) != "link" || r.status == 0); // copied instead
                // a call that writes the new file; reading it back to compare may fail
                const std::string failed = trace.substr(from, hit - from);
                if (failed.find("/." + file + ".") != std::string::npos &&
                    failed.find(".bak") == std::string::npos &&
                    (std::string("write fsync fchmod rename").find(call) != std::string::npos ||
                     failed.find("O_CREAT") != std::string::npos)) {
                    EXPECT_EQ(1, r.status); // the new file failed: an error, and the old stays
                    EXPECT_TRUE(old_bytes == now);
                    EXPECT_NE(std::string::npos, r.err.find("ERROR !"));
                }
            }
        }
    }
    // -savesvg draws the text file's levels: a text file it cannot check or read is an error,
    // and the old picture stays, never one of the image's levels passed off as the edited ones
    run_dir edited(image_a_save_changes(), true);
    edited.edit("|[gn][gn][bl][bl][or]", "|[wh][gn][bl][bl][or]");
    ASSERT_EQ(0, run_tool(edited, {"-savesvg"}).status);
    const std::string picture = edited.read("vellumix.svg");
    for (const char *call : {"newfstatat", "openat", "read"}) {
        for (int n = 1;; n++) {
            SCOPED_TRACE(std::string("-savesvg ") + call + " " + std::to_string(n));
            run_dir dir(image_a_save_changes()), logs("");
            dir.write(lvl, edited.read(lvl));
            dir.write("vellumix.svg", "the old picture");
            run_result r =
                run_tool(dir, {"-savesvg"},
                         "ASAN_OPTIONS=detect_leaks=0 strace -f -o " + logs.file("trace") +
                             " -e trace=" + call + " -e inject=" + call +
                             ":error=EIO:when=" + std::to_string(n));
            const std::string now = dir.read("vellumix.svg"); // a sanitizer's exit may fail after
            EXPECT_TRUE(now == picture || (now == "the old picture" && r.status != 0));
            if (logs.read("trace").find("(INJECTED)") == std::string::npos)
                break;
        }
    }
}
