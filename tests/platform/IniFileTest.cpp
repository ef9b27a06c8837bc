#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

#include "platform/IniFile.h"

namespace fs = std::filesystem;
using quillet::ini::ReadValue;
using quillet::ini::WriteValue;

namespace
{
class IniFile : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quillet-ini-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        path = dir + "/tovrin.ini";
    }
    void TearDown() override { fs::remove_all(dir); }

    void Store(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
    std::string Stored() const
    {
        std::ostringstream text;
        text << std::ifstream(path, std::ios::binary).rdbuf();
        return text.str();
    }

    std::string dir;
    std::string path;
};
}

TEST_F(IniFile, ReadsTheKeyOfItsSectionIgnoringCaseAndBlanks)
{
    const struct
    {
        const char* text;
        const char* expected;
    } cases[] = {
        {"[New]\nCURRENT_TITLE=Tovrin\n", "Tovrin"},
        {"[new]\ncurrent_title = \t Tovrin Player \t\n", "Tovrin Player"},
        {"[New]\r\nCURRENT_TITLE=Tovrin\r\n", "Tovrin"},
        {"  [ NEW ]  \n  Current_Title=a=b", "a=b"},
        {"\xEF\xBB\xBF[New]\nCURRENT_TITLE=v\n", "v"},
        {"[New]\nCURRENT_TITLE=1\nCURRENT_TITLE=2\n", "1"},
        {"[New]\nCURRENT_TITLE_QUILLET=q\n", ""},
        {"[New]\n;CURRENT_TITLE=x\n", ""},
        {"[New]\nCURRENT_TITLE=\n", ""},
        {"CURRENT_TITLE=x\n[New]\n", ""},
        {"[Old]\nCURRENT_TITLE=x\n[New]\nOTHER=y\n", ""},
        {"[New]\nOTHER=1\n[New]\nCURRENT_TITLE=2\n", ""}, // the first section of a name is the one
    };
    EXPECT_EQ(ReadValue(path, "New", "CURRENT_TITLE"), "") << "no file";
    for (const auto& c : cases)
    {
        Store(c.text);
        EXPECT_EQ(ReadValue(path, "New", "CURRENT_TITLE"), c.expected) << c.text;
    }
}

TEST_F(IniFile, WritingChangesOneLineAndKeepsEveryOtherByteForByte)
{
    const struct
    {
        const char* before;
        const char* after;
    } cases[] = {
        {"; players\n[Other]\nK = 1\n\n[new]\n  k = Old \nX=1\n",
         "; players\n[Other]\nK = 1\n\n[new]\nK=v\nX=1\n"},
        {"[New]\nA=1\n\n[Next]\nB=2\n", "[New]\nA=1\nK=v\n\n[Next]\nB=2\n"},
        {"[New]\r\nk=old\r\nB=2\r\n", "[New]\r\nK=v\r\nB=2\r\n"},
        {"[New]\r\nA=1\r\n", "[New]\r\nA=1\r\nK=v\r\n"},
        {"[New]\nA=1", "[New]\nA=1\nK=v"},
        {"[New]\n;K=old\nKEY=2\n", "[New]\n;K=old\nKEY=2\nK=v\n"},
        {"[Old]\nK=1\n[New]\n", "[Old]\nK=1\n[New]\nK=v\n"},
        {"[Other]\nA=1", "[Other]\nA=1\n[New]\nK=v\n"},
        {"[Other]\r\nA=1\r\n", "[Other]\r\nA=1\r\n[New]\r\nK=v\r\n"},
        {"", "[New]\nK=v\n"},
    };
    for (const auto& c : cases)
    {
        Store(c.before);
        ASSERT_TRUE(WriteValue(path, "New", "K", "v")) << c.before;
        EXPECT_EQ(Stored(), c.after) << c.before;
        EXPECT_EQ(ReadValue(path, "New", "K"), "v") << c.before;
    }
}

TEST_F(IniFile, CreatesTheFileInOwnerOnlyFolders)
{
    const std::string nested = dir + "/a/b/tovrin.ini";
    ASSERT_TRUE(WriteValue(nested, "New", "CURRENT_TITLE", "Tovrin Video Player"));
    EXPECT_EQ(ReadValue(nested, "new", "current_title"), "Tovrin Video Player");
    for (const std::string& folder : {dir + "/a", dir + "/a/b"})
    {
        struct stat info = {};
        ASSERT_EQ(::stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
}

TEST_F(IniFile, RefusesWhatWouldBreakTheFileAndLeavesItAlone)
{
    const std::string before = "[New]\nK=1\n";
    const struct
    {
        std::string section, key, value;
    } cases[] = {
        {"New", "K", "a\nB=2"}, {"New", "K", "a\rb"}, {"New", "K", std::string("a\0b", 3)},
        {"New", "K\n", "v"},    {"New", "A=B", "v"},  {"New", "", "v"},
        {"New", ";K", "v"},     {"New", " K", "v"},   {"", "K", "v"},
        {"Ne]w", "K", "v"},     {"New\n", "K", "v"},
    };
    for (const auto& c : cases)
    {
        Store(before);
        EXPECT_FALSE(WriteValue(path, c.section, c.key, c.value))
            << c.section << "/" << c.key << "/" << c.value;
        EXPECT_EQ(Stored(), before);
    }
}

TEST_F(IniFile, TwoWritersLoseNothingAndLeaveNoTemporaryFiles)
{
    // The player and the test program write their own keys of one section;
    // each key written once, so any lost update stays lost.
    const auto writer = [this](const std::string& prefix)
    {
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(WriteValue(path, "New", prefix + std::to_string(i), "v"));
    };
    std::thread first(writer, "PLAYER_");
    std::thread second(writer, "TEST_");
    first.join();
    second.join();
    for (int i = 0; i < 40; ++i)
    {
        EXPECT_EQ(ReadValue(path, "New", "PLAYER_" + std::to_string(i)), "v") << i;
        EXPECT_EQ(ReadValue(path, "New", "TEST_" + std::to_string(i)), "v") << i;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(IniFile, PlayerIniLivesInTheConfigFolder)
{
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", dir.c_str(), 1);
    const struct
    {
        const char* config; // nullptr: unset
        std::string expected;
    } cases[] = {
        {"/srv/lab/config", "/srv/lab/config/tovrin.ini"},
        {nullptr, dir + "/.config/tovrin.ini"},
        {"", dir + "/.config/tovrin.ini"},
        {"relative/config", dir + "/.config/tovrin.ini"}, // not absolute: ignored
    };
    for (const auto& c : cases)
    {
        c.config ? ::setenv("XDG_CONFIG_HOME", c.config, 1) : ::unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(quillet::ini::PlayerIniPath(), c.expected) << (c.config ? c.config : "(unset)");
    }
    ::setenv("HOME", home.c_str(), 1);
}
