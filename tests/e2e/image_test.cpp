// tests/e2e/image_test.cpp - loading the program image, and saving it so that it changes
// completely or not at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

static const std::string decoded = "Copying PRG data to structure ... " + eol("\n");

// The sample image with its first cell word 0x0012: read as empty, so any save writes 0xFFFE.
static const std::size_t first_cell = 0x1E934 + 2;
static std::string image_a_save_changes()
{
    std::string image = sample_image();
    image[first_cell] = 0x00;
    image[first_cell + 1] = 0x12;
    return image;
}

TEST(Image, LoadReportsSizeTableAndLevels)
{
    run_dir dir;
    dir.write(prg, sample_image() + "a tail that is not part of the image");
    run_result r = run_tool(dir, {"-infos"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(load_report() + decoded, r.err);
    EXPECT_EQ("", r.out);
}

TEST(Image, MissingEmptyOrShortImageIsReportedAndNothingRuns)
{
    struct row {
        const char *what;
        bool present;
        std::size_t size;
        std::string err;
    };
    const row rows[] = {
        {"missing", false, 0, eol("\nERROR ! File 'KR_PROG.PRG' not found !")},
        {"empty", true, 0, eol("\nERROR ! Only 0x00000000 bytes were read !\n")},
        {"short", true, 0x38DB1, eol("\nERROR ! Only 0x00038DB1 bytes were read !\n")},
    };
    for (const row &w : rows) {
        SCOPED_TRACE(w.what);
        run_dir dir;
        if (w.present)
            dir.write(prg, sample_image().substr(0, w.size));
        run_result r = run_tool(dir, {"-savelvl"});
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("Reading PRG file ... " + w.err, r.err);
        EXPECT_EQ(w.present ? 1u : 0u, dir.names().size()); // no text file
        r = run_tool(dir, {"-loadprg", "-quiet"});
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("", r.err + r.out);
    }
}

TEST(Image, SaveKeepsTheTailOfALongerImage)
{
    run_dir dir;
    const std::string image = sample_image() + std::string(70000, 'T') + "end";
    dir.write(prg, image);
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(load_report() + decoded + eol("Copying text file to structure ... \n") +
                  eol("Copying structure to PRG file ... \n") +
                  eol("Writing PRG file ... 0x00038DB2 bytes written.\n"),
              r.err);
    EXPECT_EQ(image, dir.read(prg));
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}

// The save is refused up front, before anything is written: the old image and no stray file.
static void expect_refused_save(const run_dir &dir, const std::string &image)
{
    run_result r = run_tool(dir, {"-saveprg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(
        load_report() + decoded + eol("Copying text file to structure ... \n") +
            eol("Copying structure to PRG file ... \n") +
            eol("Writing PRG file ... \nERROR ! File 'KR_PROG.PRG' not found or read protected !"),
        r.err);
    EXPECT_EQ(image, dir.read(prg));
}

TEST(Image, ReadOnlyImageIsNotReplaced)
{
    run_dir dir;
    dir.write(prg, image_a_save_changes());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    fs::permissions(dir.file(prg), fs::perms::owner_read | fs::perms::group_read);
    expect_refused_save(dir, image_a_save_changes());
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}

TEST(Image, FailedWriteLeavesTheOldImage)
{
    if (windows_build())
        GTEST_SKIP() << "a file-size limit is a POSIX resource limit";
    run_dir dir;
    const std::string image = image_a_save_changes();
    dir.write(prg, image);
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    run_result r = run_tool(dir, {"-saveprg"}, "ulimit -f 100; trap '' XFSZ");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(load_report() + decoded + "Copying text file to structure ... \n" +
                  "Copying structure to PRG file ... \n" +
                  "Writing PRG file ... \nERROR ! Only 0x0000C800 bytes were written !\n",
              r.err);
    EXPECT_EQ(image, dir.read(prg));
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}

TEST(Image, SaveFollowsASymbolicLinkAndKeepsPermissions)
{
    if (windows_build())
        GTEST_SKIP() << "symbolic links and POSIX permission bits do not reach a Windows program";
    run_dir dir;
    fs::create_directory(dir.file("game"));
    dir.write("game/real.prg", image_a_save_changes());
    chmod(dir.file("game/real.prg").c_str(), 0640);
    fs::create_symlink("game/real.prg", dir.file(prg));
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    ASSERT_EQ(0, run_tool(dir, {"-saveprg"}).status);
    EXPECT_TRUE(fs::is_symlink(dir.file(prg)));
    EXPECT_EQ("\xFF\xFE", dir.read(prg).substr(first_cell, 2));
    struct stat st;
    ASSERT_EQ(0, stat(dir.file("game/real.prg").c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);
    EXPECT_EQ(1, std::distance(fs::directory_iterator(dir.file("game")), {}));
}

TEST(Image, FolderThatTakesNoNewFileKeepsEverything)
{
    if (windows_build())
        GTEST_SKIP() << "POSIX permission bits do not reach a Windows program";
    run_dir dir;
    dir.write(prg, image_a_save_changes());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    const std::string text = dir.read(lvl);
    chmod(dir.file(prg).c_str(), 0666); // the file itself may be written: only the folder refuses
    chmod(dir.path.c_str(), 0555);
    // root creates files anywhere: run the tool as nobody then
    const std::string as =
        geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    run_result r = run_tool(dir, {"-saveprg"}, "", "", as);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(load_report() + decoded + "Copying text file to structure ... \n" +
                  "Copying structure to PRG file ... \n" +
                  "Writing PRG file ... \nERROR ! File 'KR_PROG.PRG' not found or read protected !",
              r.err);
    r = run_tool(dir, {"-savelvl"}, "", "", as);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(load_report() + decoded + "Creating levels text file ... " +
                  "\nERROR ! Levels text file 'vellumix.lvl' could not be created !\n",
              r.err);
    EXPECT_EQ(image_a_save_changes(), dir.read(prg));
    EXPECT_EQ(text, dir.read(lvl));
    EXPECT_EQ((std::vector<std::string>{prg, lvl}), dir.names());
}
