// tests/e2e/image_test.cpp - saving files so that they change completely or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

// LeakSanitizer, in a sanitized build, cannot run under strace: it is off there
static const std::string strace = "ASAN_OPTIONS=detect_leaks=0 strace -f -o /dev/null -e inject=";

// The sample image with its first cell word 0x0012: read as empty, so any save writes 0xFFFE.
static std::string image_a_save_changes()
{
    std::string image = sample_image();
    set_word(image, 0x1E936, 0x0012);
    return image;
}

// A save through a link replaces the file it names; the backups are files of their own in the
// folder, never written through a link of their name, and the first original is never replaced.
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
    ASSERT_EQ(0, lstat(dir.file(prg + ".bak").c_str(), &st));
    EXPECT_EQ(old_file, st.st_ino);
    // no hard link (another file system): a copy, that replaces a link of the backup's name,
    // not the file it names; a dangling link of the original's name is left as it is
    const std::string saved = dir.read(prg);
    fs::rename(dir.file(prg + ".orig"), dir.file("game/orig"));
    fs::remove(dir.file(prg + ".bak"));
    fs::create_symlink("game/orig", dir.file(prg + ".bak"));
    fs::create_symlink("game/none", dir.file(prg + ".orig"));
    dir.edit("|[gn][gn][bl][bl][or]", "|[wh][gn][bl][bl][or]");
    ASSERT_EQ(0, run_tool(dir, {"-saveprg"}, strace + "link:error=EXDEV").status);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir.file(prg + ".bak"))));
    EXPECT_TRUE(same_bytes(saved, dir.read(prg + ".bak")));
    EXPECT_TRUE(same_bytes(image_a_save_changes(), dir.read("game/orig")));
    EXPECT_TRUE(fs::is_symlink(dir.file(prg + ".orig")));
}

// A backup is kept whenever a save changes its file, and the first file that the program file's
// saves replace is kept for good, unless something of that name is there already.
TEST(Image, AReplacedFileIsKeptAsItsBackupWhenItsContentChanges)
{
    const std::string orig = prg + ".orig";
    for (const std::string there : {"", "file", "folder"}) {
        run_dir dir(image_a_save_changes(), true);
        if (there == "file")
            dir.write(orig, "their own");
        else if (there == "folder")
            fs::create_directory(dir.file(orig));
        for (int n = 0; n < 2; n++) // the second changes nothing
            ASSERT_EQ(0, run_tool(dir, {"-saveprg"}).status) << n;
        EXPECT_TRUE(same_bytes(image_a_save_changes(), dir.read(prg + ".bak")));
        const std::string kept = there == "file" ? "their own"
                                 : there.empty() ? dir.read(prg + ".bak")
                                                 : "";
        EXPECT_TRUE(same_bytes(kept, dir.read(orig))) << there;
    }
}

// A save that may not replace its file, or cannot keep its backups, replaces nothing: a
// read-only file, a folder named as the backup, a first original that cannot be made.
TEST(Image, ASaveThatCannotKeepItsFilesReplacesNothing)
{
    const std::pair<std::string, std::string> rows[] = {
        {"read-only", "\nERROR ! File 'KR_PROG.PRG' not found or read protected !"},
        {"a folder", "\nERROR ! Backup file 'KR_PROG.PRG.bak' could not be written !\n"},
        {"strace", "\nERROR ! Backup file 'KR_PROG.PRG.orig' could not be written !\n"}};
    for (const auto &[what, err] : rows) {
        if (what == "strace" && windows_build())
            continue; // it fails Linux system calls: every link, and the first rename, the orig's
        run_dir dir(image_a_save_changes(), true);
        if (what == "read-only")
            fs::permissions(dir.file(prg), fs::perms::owner_read | fs::perms::group_read);
        else if (what == "a folder")
            fs::create_directory(dir.file(prg + ".bak"));
        run_result r = run_tool(
            dir, {"-saveprg"},
            what != "strace" ? "" : strace + "link:error=EXDEV -e inject=rename:error=EIO:when=1");
        EXPECT_EQ(1, r.status);
        EXPECT_EQ(eol("Writing PRG file ... " + err), r.err.substr(r.err.find("Writing")));
        EXPECT_TRUE(same_bytes(image_a_save_changes(), dir.read(prg))) << what;
        EXPECT_EQ(what == "a folder" ? 3u : 2u, dir.names().size()) << what; // no temporary file
    }
}

// A pipe, a device or a folder named as either file is neither read nor written through: each
// action ends at once, as if it could not be read or created, writing nothing, here or in /dev.
TEST(Image, APipeOrADeviceNamedAsAFileStopsNoAction)
{
    const std::string unread = eol("Copying text file to structure ... \nERROR ! Levels text file "
                                   "'vellumix.lvl' could not be read !\n"),
                      unopened = "Reading PRG file ... " +
                                 eol("\nERROR ! File 'KR_PROG.PRG' not found or read protected !");
    const std::pair<const char *, std::string> actions[] = {
        {"-loadlvl", unread},
        {"-saveprg", unread + written},
        {"-savesvg", unread},
        {"-savelvl", eol("Creating levels text file ... \nERROR ! Levels text file 'vellumix.lvl' "
                         "could not be created !\n")}};
    const auto nb_devices = std::distance(fs::directory_iterator("/dev"), {});
    for (int kind = 0; kind < 6; kind++) { // a pipe, a device, a folder: the text, the image
        const std::string file = kind < 3 ? lvl : prg;
        run_dir dir(sample_image(), true); // saved, it stays the same: no backup is made
        fs::remove(dir.file(file));
        if (kind % 3 == 0)
            mkfifo(dir.file(file).c_str(), 0644);
        else if (kind % 3 == 1)
            fs::create_symlink("/dev/zero", dir.file(file));
        else
            fs::create_directory(dir.file(file));
        for (const auto &[action, err] : actions) {
            SCOPED_TRACE(std::to_string(kind) + action); // a run cut by timeout ends with 124
            run_result r = run_tool(dir, {action}, windows_build() ? "timeout 5" : "timeout 1");
            EXPECT_EQ(kind < 3 ? decoded + err : unopened, r.err);
            EXPECT_EQ(kind < 3 && err.empty() ? 0 : 1, r.status);
            EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
        }
    }
    EXPECT_EQ(nb_devices, std::distance(fs::directory_iterator("/dev"), {}));
}

// Another program that reads KR_PROG.PRG just written, sharing reads only as a virus scanner
// does, is waited for up to 2 s: the save goes through, or fails leaving every file as it was.
TEST(Image, ASaveWaitsAMomentForAProgramThatHoldsTheFile)
{
    if (!windows_build())
        GTEST_SKIP() << "only Windows stops a replacement for a program that holds the file";
    run_dir dir(image_a_save_changes(), true);
    dir.write(prg + ".bak", "an older backup");
    for (const std::string ms : {"1500", "14000"}) {
        dir.edit("|[", ms == "1500" ? "|[bk]" : "|[wh]"); // each save changes the file
        const std::vector<std::string> names = dir.names();
        const std::string old = dir.read(prg), bak = dir.read(prg + ".bak");
        std::string hold = "cd " + shell_quoted(dir.path) + " && " + tool_command({prg, ms});
        std::system(
            (hold.replace(hold.rfind("vellumix.exe"), 12, "hold_file.exe") + " >held &").c_str());
        for (int n = 0; n < 200 && dir.read("held").empty(); n++)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        run_result r = run_tool(dir, {"-saveprg"}, "timeout 12"); // 124 when it takes longer
        EXPECT_EQ(ms == "1500" ? 0 : 1, r.status) << r.err;
        if (r.status) { // the folder as it was
            EXPECT_EQ(names, dir.names()) << ms;
            EXPECT_TRUE(same_bytes(old, dir.read(prg))) << ms;
            EXPECT_TRUE(same_bytes(bak, dir.read(prg + ".bak"))) << ms;
        } else {
            EXPECT_TRUE(same_bytes(old, dir.read(prg + ".bak"))) << ms;
            EXPECT_TRUE(same_bytes(old, dir.read(prg + ".orig"))) << ms;
        }
        for (int n = 0; n < 400 && dir.read("held").find("let go") == std::string::npos; n++)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

// Every system call of a save fails in turn: its files (the file, its backup and an older one, the
// first original) are then all old or all new, none left, and a failure on the new one reported.
TEST(Image, EveryFailedSystemCallOfASaveLeavesTheOldFileOrTheNew)
{
    if (windows_build())
        GTEST_SKIP() << "strace injects failures into Linux system calls only";
    for (const char *action : {"-saveprg", "-savelvl"}) {
        const std::string file = action[5] == 'p' ? prg : lvl, bak = file + ".bak";
        const std::string image = image_a_save_changes() + "and a tail to keep";
        run_dir done(image, true); // a longer image loads, and keeps its tail when saved
        ASSERT_EQ(0, run_tool(done, {action}).status);
        EXPECT_EQ(image.substr(0x38DB2), done.read(prg).substr(0x38DB2));
        const std::string old_bytes = file == prg ? image : "my own edits\n",
                          new_bytes = done.read(file);
        for (const char *call :
             {"openat", "fcntl", "read", "write", "fchmod", "fsync", "close", "link", "rename"}) {
            for (int n = 1;; n++) {
                SCOPED_TRACE(std::string(action) + " " + call + " " + std::to_string(n));
                run_dir dir(image), logs("");
                dir.write(lvl, done.read(lvl));
                dir.write(file, old_bytes);
                dir.write(bak, "an older backup");
                run_result r =
                    run_tool(dir, {action},
                             "ASAN_OPTIONS=detect_leaks=0 strace -f -y -o " + logs.file("trace") +
                                 " -e trace=" + call + " -e inject=" + call +
                                 ":error=EIO:when=" + std::to_string(n));
                const std::string trace = logs.read("trace"), now = dir.read(file);
                const bool saved = now == new_bytes && dir.read(bak) == old_bytes &&
                                   dir.names().size() == (file == prg ? 4u : 3u) &&
                                   (file == lvl || dir.read(prg + ".orig") == old_bytes),
                           kept = now == old_bytes && dir.read(bak) == "an older backup" &&
                                  dir.names().size() == 3u;
                std::size_t hit = trace.find("(INJECTED)"), from = trace.rfind('\n', hit) + 1;
                if (hit == std::string::npos) { // the save makes fewer such calls
                    EXPECT_TRUE(saved);
                    break;
                }
                EXPECT_TRUE(saved || kept);
                EXPECT_TRUE(r.status != 0 || saved);
                EXPECT_TRUE(std::string(call) != "link" || r.status == 0); // copied instead
                // a call that writes the new file; reading it back to compare may fail
                const std::string failed = trace.substr(from, hit - from);
                if (failed.find("/." + file + ".") != std::string::npos &&
                    failed.find(".bak") == std::string::npos &&
                    (std::string("write fsync fchmod rename").find(call) != std::string::npos ||
                     failed.find("O_CREAT") != std::string::npos)) {
                    EXPECT_EQ(1, r.status); // the new file failed: an error, and the old stays
                    EXPECT_TRUE(kept);
                    EXPECT_NE(std::string::npos, r.err.find("ERROR !"));
                    if (r.err.find("read protected") == std::string::npos) { // its own line
                        EXPECT_EQ(" !\n", r.err.substr(r.err.size() - 3)) << r.err;
                    }
                }
            }
        }
    }
}
