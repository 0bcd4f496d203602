// Every fuzz harness run over its seeds and over every input that ever broke
// it, so that a fault found by fuzzing stays fixed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_target.h"

namespace tollvane::fuzz {
namespace {

namespace fs = std::filesystem;

const fs::path kFuzzDir = TOLLVANE_FUZZ_DATA;

std::vector<std::string> HarnessNames() {
    std::vector<std::string> names;
    for (const auto& [name, harness] : Harnesses()) names.push_back(name);
    return names;
}

class FuzzInputsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzInputsTest, SeedsAndKeptInputsKeepEveryInvariant) {
    EXPECT_TRUE(fs::is_directory(kFuzzDir / "corpus" / GetParam()))
        << "a harness without seeds: " << GetParam();
    for (const char* folder : {"corpus", "regressions"}) {
        if (!fs::is_directory(kFuzzDir / folder / GetParam())) continue;
        for (const auto& file : fs::directory_iterator(kFuzzDir / folder / GetParam())) {
            std::ifstream in(file.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            try {
                Harnesses().at(GetParam())(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           bytes.size());
            } catch (const std::logic_error& e) {
                ADD_FAILURE() << file.path().string() << ": " << e.what();
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Harnesses, FuzzInputsTest, ::testing::ValuesIn(HarnessNames()),
                         [](const auto& info) { return info.param; });

// A folder of kept inputs whose harness was renamed or removed would never run.
TEST(FuzzInputsFoldersTest, EveryKeptInputBelongsToAHarness) {
    for (const char* folder : {"corpus", "regressions"}) {
        for (const auto& entry : fs::directory_iterator(kFuzzDir / folder))
            EXPECT_EQ(Harnesses().count(entry.path().filename().string()), 1u)
                << entry.path().string();
    }
}

}  // namespace
}  // namespace tollvane::fuzz
