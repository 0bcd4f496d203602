// The simulated reader: its checksum against the published check value, and
// one run through a real pseudo-terminal. The end-to-end suite exercises the
// rest of it, its control channel included, against the real program, whose
// checksum is computed another way.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "simreader/sim_crc.h"
#include "simreader/simulator.h"

namespace tollvane::sim {
namespace {

TEST(SimCrc, GivesTheCatalogueCheckValueAndZeroOverABlockWithItsChecksum) {
    // CRC-8/MAXIM's check value over "123456789" is 0xA1.
    const std::uint8_t block[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0xA1};
    EXPECT_EQ(SimCrc8(block, 9), 0xA1);
    EXPECT_EQ(SimCrc8(block, 10), 0x00);
    EXPECT_EQ(SimCrc8(block, 0), 0x00);
}

// Reads until `want` bytes came or the line stayed quiet for 3 s.
std::string ReadTerminal(int fd, std::size_t want) {
    std::string out;
    pollfd p{fd, POLLIN, 0};
    char buf[256];
    while (out.size() < want && poll(&p, 1, 3000) > 0) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

TEST(SimProcess, AnswersCommandsSentBackToBackOnItsTerminalUntouched) {
    const std::string link = std::filesystem::temp_directory_path() / ("simreader-test-" + std::to_string(getpid()));
    {
        Simulator sim(SimulatorOptions{link});
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
        sim.Reader().SetVersion("2.01");
        std::thread loop([&] { sim.Run(); });
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
        EXPECT_GE(fd, 0);
        // No terminators between the commands; CR and LF come back as they were.
        EXPECT_EQ(write(fd, "AT+READS_USBAT+READS_IDSAT+READS_USB", 36), 36);
        const std::string version = "\n\rAT+USB - OK! >> 2.01";
        const std::string replies = version + "\n\rAT+IDS - OK! >> 0012345678 3232235777." + version;
        EXPECT_EQ(ReadTerminal(fd, replies.size()), replies);
        close(fd);
        sim.Stop();
        loop.join();
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "the link outlives the simulator";
}

}  // namespace
}  // namespace tollvane::sim
