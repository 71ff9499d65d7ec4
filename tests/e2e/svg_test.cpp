// tests/e2e/svg_test.cpp - the picture of the levels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

static std::size_t count(const std::string &text, const std::string &what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

// The part of text from the first start on, up to the next end.
static std::string part(const std::string &text, const std::string &start, const std::string &end)
{
    std::size_t from = text.find(start);
    return from == std::string::npos ? "" : text.substr(from, text.find(end, from + 1) - from);
}

TEST(Picture, DrawsEveryCellOfTheLevelsAsEdited)
{
    run_dir dir;
    dir.write(prg, sample_image());
    ASSERT_EQ(0, run_tool(dir, {"-savelvl"}).status);
    std::string text = dir.read(lvl);
    dir.write(lvl, text.replace(text.find("|[gn][gn][bl]"), 5, "|[wh]"));
    run_result r = run_tool(dir, {"/SaveSVG"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(decoded() + eol("Copying text file to structure ... \n"
                              "Creating levels picture ... 'vellumix.svg' generated.\n"),
              r.err);
    EXPECT_EQ(0, std::system(("xmllint --noout " + dir.file("vellumix.svg")).c_str()));
    const std::string svg = dir.read("vellumix.svg");
    EXPECT_EQ(std::string::npos, svg.find("<script"));
    EXPECT_EQ(std::string::npos, svg.find("href"));

    const char *const names[] = {"random", "blue",   "red",   "yellow", "green",
                                 "purple", "orange", "black", "white"};
    const char *const cells[] = {"[??]", "[bl]", "[rd]", "[ye]", "[gn]",
                                 "[pu]", "[or]", "[bk]", "[wh]"};
    const std::string shown = run_tool(dir, {"-loadlvl"}).out;
    for (int n = 1; n <= 30; n++) {
        SCOPED_TRACE(n);
        const std::string id = std::to_string(n);
        const std::string level = part(shown, (n < 10 ? "Level  " : "Level ") + id + " ", "Level");
        const std::string drawn = part(svg, "<g id=\"level-" + id + "\">", "</g>");
        EXPECT_NE(std::string::npos, drawn.find("<title>Level " + id + "</title>"));
        std::size_t coloured = 0;
        for (int code = 0; code <= 8; code++) {
            coloured += count(level, cells[code]);
            EXPECT_EQ(count(level, cells[code]),
                      count(drawn, "<circle class=\"" + std::string(names[code]) + "\""));
        }
        EXPECT_EQ(count(level, "[??]"), count(drawn, ">?</text>"));
        EXPECT_EQ(83 - coloured, count(drawn, "<circle class=\"empty\"")); // 5 places are no slot
    }
    EXPECT_EQ(1u, count(part(svg, "<g id=\"level-1\">", "</g>"), "class=\"white\"")); // the edit
}

TEST(Picture, WithoutATextFileShowsTheImageAndAFailureKeepsTheOldPicture)
{
    run_dir dir;
    dir.write(prg, sample_image());
    run_result r = run_tool(dir, {"-savesvg"});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(decoded() + eol("Creating levels picture ... 'vellumix.svg' generated.\n"), r.err);
    const std::string first = dir.read("vellumix.svg");
    EXPECT_NE(std::string::npos, first.find("<title>random color: orange</title>")); // level 21

    dir.write(lvl, "Random colors : blue.\n"); // a picture from this would differ
    fs::permissions(dir.file("vellumix.svg"), fs::perms::owner_read);
    r = run_tool(dir, {"-savesvg"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(decoded() +
                  eol("Copying text file to structure ... \nCreating levels picture ... "
                      "\nERROR ! Levels picture file 'vellumix.svg' could not be created !\n"),
              r.err);
    EXPECT_EQ(first, dir.read("vellumix.svg"));
    EXPECT_EQ((std::vector<std::string>{prg, lvl, "vellumix.svg"}), dir.names());
}
