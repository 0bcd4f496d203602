// Whole files, and a folder of the running test's own, for the platform and end-to-end tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/win/utf.h"

namespace tollvane::testing {

inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteAll(const std::filesystem::path& path, const std::string& data) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << data;
}

struct Scratch {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("tollvane-win-" + std::to_string(GetCurrentProcessId()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Scratch() {  // a run that was stopped leaves its folder behind, and process ids come again
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path operator/(const char* name) const { return path / name; }
    std::string operator[](const char* name) const { return Narrow((path / name).wstring()); }
    std::string Read(const std::string& name) const {
        return ReadAll(path / name);
    }  // "" if missing
    void Write(const std::string& name, const std::string& data) const {
        WriteAll(path / name, data);
    }
};

}  // namespace tollvane::testing
