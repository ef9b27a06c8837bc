#include <cstdio>
#include <filesystem>
#include <memory>

#include "course/Complement.h"

namespace quillet
{
namespace
{
struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
}

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    contents.clear();
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;

    // The size is only a hint for the buffer: what the reads return counts.
    // A folder opens too, and has no size; its first read fails.
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error)
        contents.reserve(static_cast<std::size_t>(size));

    char buffer[1 << 16];
    for (;;)
    {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        contents.append(buffer, got);
        if (got < sizeof buffer)
            break;
    }
    if (std::ferror(file.get()))
    {
        contents.clear();
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, std::string_view contents)
{
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file)
        return false;
    if (std::fwrite(contents.data(), 1, contents.size(), file.get()) != contents.size())
        return false;
    return std::fclose(file.release()) == 0;
}
}
