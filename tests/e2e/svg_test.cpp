// tests/e2e/svg_test.cpp - the picture of the levels.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

static const char *const names[] = {"random", "blue",   "red",   "yellow", "green",
                                    "purple", "orange", "black", "white",  "empty"};
static const char *const cell_names[] = {"[??]", "[bl]", "[rd]", "[ye]", "[gn]",
                                         "[pu]", "[or]", "[bk]", "[wh]", "...."};

// The cells of a level as printed, told by their places in long and short row lines.
static std::array<std::size_t, 10> cells_in_text(const std::string &level)
{
    std::array<std::size_t, 10> n{};
    int row = 0;
    for (std::size_t at = level.find("\n|"); at != std::string::npos;
         at = level.find("\n|", at + 1)) {
        for (int slot = 0; slot < (row % 2 ? 7 : 8); slot++)
            for (int code = 0; code <= 9; code++)
                if (level.compare(at + (row % 2 ? 4 : 2) + 4 * slot, 4, cell_names[code]) == 0)
                    n[code]++;
        row++;
    }
    EXPECT_EQ(11, row);
    return n;
}

static std::size_t count(const std::string &text, const std::string &what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

// Level n's part of a levels text or of the picture.
static std::string level_part(const std::string &text, const std::string &start, int n,
                              const std::string &next_start)
{
    std::size_t from = text.find(start);
    std::size_t to = n < 30 ? text.find(next_start, from) : text.size();
    EXPECT_NE(std::string::npos, from) << start;
    return text.substr(from, to - from);
}

static std::string level_label(int n)
{
    return (n < 10 ? "Level  " : "Level ") + std::to_string(n) + " ";
}

TEST(Picture, DrawsEveryCellOfTheLevelsAsEdited)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    std::string text = dir.read(lvl);
    const std::string row = "|[gn][gn][bl][bl][or][or][ye][ye]|";
    text.replace(text.find(row), row.size(), "|[wh][gn][bl][bl][or][or][ye][ye]|");
    dir.write(lvl, text);

    run_result r = run_tool(dir, {"/SaveSVG"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(load_report() +
                  eol("Copying PRG data to structure ... \nCopying text file to structure ... \n"
                      "Creating levels picture ... 'vellumix.svg' generated.\n"),
              r.err);
    EXPECT_EQ(0, std::system(("xmllint --noout " + dir.file("vellumix.svg")).c_str()));
    const std::string svg = dir.read("vellumix.svg");
    EXPECT_EQ(std::string::npos, svg.find("<script"));
    EXPECT_EQ(std::string::npos, svg.find("href"));

    const std::string shown = run_tool(dir, {"-loadlvl"}).out;
    for (int n = 1; n <= 30; n++) {
        SCOPED_TRACE(n);
        const std::string level = level_part(shown, level_label(n), n, level_label(n + 1));
        const std::string drawn =
            level_part(svg, "<g id=\"level-" + std::to_string(n) + "\">", n, "</g>");
        EXPECT_NE(std::string::npos, drawn.find("<title>Level " + std::to_string(n) + "</title>"));
        const std::array<std::size_t, 10> cells = cells_in_text(level);
        for (int code = 0; code <= 9; code++)
            EXPECT_EQ(cells[code],
                      count(drawn, "<circle class=\"" + std::string(names[code]) + "\""))
                << names[code];
        EXPECT_EQ(cells[0], count(drawn, ">?</text>"));
    }
    // the edit shows: level 1 has one white cell, and the image's level 1 has none
    EXPECT_EQ(1u, count(level_part(svg, "<g id=\"level-1\">", 1, "</g>"), "class=\"white\""));
}

TEST(Picture, WithoutATextFileShowsTheImageAndAFailureKeepsTheOldPicture)
{
    run_dir dir;
    dir.write(prg, sample_image());
    run_result r = run_tool(dir, {"-savesvg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(load_report() + eol("Copying PRG data to structure ... \n"
                                  "Creating levels picture ... 'vellumix.svg' generated.\n"),
              r.err);
    const std::string first = dir.read("vellumix.svg");
    EXPECT_NE(std::string::npos, first.find("<title>random color: orange</title>")); // level 21

    dir.write(lvl, "Random colors : blue.\n"); // a picture from this would differ
    fs::permissions(dir.file("vellumix.svg"), fs::perms::owner_read);
    r = run_tool(dir, {"-savesvg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(load_report() +
                  eol("Copying PRG data to structure ... \nCopying text file to structure ... \n"
                      "Creating levels picture ... "
                      "\nERROR ! Levels picture file 'vellumix.svg' could not be created !\n"),
              r.err);
    EXPECT_EQ(first, dir.read("vellumix.svg"));
    EXPECT_EQ((std::vector<std::string>{prg, lvl, "vellumix.svg"}), dir.names());
}
