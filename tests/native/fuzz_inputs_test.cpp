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

std::vector<fs::path> Inputs(const std::string& folder, const std::string& harness) {
    std::vector<fs::path> files;
    const fs::path dir = kFuzzDir / folder / harness;
    if (!fs::is_directory(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

class FuzzInputsTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FuzzInputsTest, SeedsAndKeptInputsKeepEveryInvariant) {
    const Harness harness = Harnesses().at(GetParam());
    const auto seeds = Inputs("corpus", GetParam());
    EXPECT_FALSE(seeds.empty()) << "a harness without seeds: fuzz/corpus/" << GetParam();
    auto inputs = seeds;
    const auto kept = Inputs("regressions", GetParam());
    inputs.insert(inputs.end(), kept.begin(), kept.end());
    for (const fs::path& file : inputs) {
        std::ifstream in(file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        try {
            harness(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        } catch (const std::logic_error& e) {
            ADD_FAILURE() << file.string() << ": " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Harnesses, FuzzInputsTest, ::testing::ValuesIn(HarnessNames()),
                         [](const auto& info) { return info.param; });

// A folder of kept inputs whose harness was renamed or removed would never run.
TEST(FuzzInputsFoldersTest, EveryKeptInputBelongsToAHarness) {
    for (const char* folder : {"corpus", "regressions"}) {
        if (!fs::is_directory(kFuzzDir / folder)) continue;
        for (const auto& entry : fs::directory_iterator(kFuzzDir / folder)) {
            EXPECT_EQ(Harnesses().count(entry.path().filename().string()), 1u) << entry.path().string();
        }
    }
}

}  // namespace
}  // namespace tollvane::fuzz
