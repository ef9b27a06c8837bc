#pragma once

// Runs a built tool on files written to a temporary folder.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "course/Complement.h"

struct ToolRun
{
    int exit = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

class ToolFixture : public testing::Test
{
  protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "quillet-tool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string PathOf(const std::string& name) const { return (m_dir / name).string(); }

    // Writes text as the tools store it: byte-complemented.
    std::string WriteStored(const std::string& name, const std::string& text) const
    {
        std::ofstream(PathOf(name), std::ios::binary) << quillet::Complemented(text);
        return PathOf(name);
    }

    // Arguments here hold no single quote; local times are UTC.
    ToolRun Run(const std::string& tool, const std::vector<std::string>& args) const
    {
        std::string command = "TZ=UTC " + tool;
        for (const std::string& arg : args)
            command += " '" + arg + "'";
        const int status = std::system((command + " >" + PathOf("out") + " 2>" + PathOf("err")).c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(PathOf("out")),
                ReadFile(PathOf("err"))};
    }

    std::filesystem::path m_dir;
};
