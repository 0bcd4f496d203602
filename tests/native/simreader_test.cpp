// The simulated reader: its checksum against the published check value, and
// one run through a real pseudo-terminal and control socket. The end-to-end
// suite exercises the rest of it against the real program.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "protocol/crc8.h"
#include "simreader/sim_crc.h"
#include "simreader/simulator.h"

namespace tollvane::sim {
namespace {

const std::uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

TEST(SimCrc, GivesTheCatalogueCheckValueAndZeroOverABlockWithItsChecksum) {
    // CRC-8/MAXIM's check value over "123456789" is 0xA1.
    EXPECT_EQ(SimCrc8(Bytes("123456789"), 9), 0xA1);
    EXPECT_EQ(SimCrc8(Bytes(""), 0), 0x00);
    std::string block = "123456789";
    block += static_cast<char>(0xA1);
    EXPECT_EQ(SimCrc8(Bytes(block), block.size()), 0x00);
}

// One command line on the control channel; the reply line.
std::string Ask(int port, const std::string& command) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        send(fd, (command + "\n").data(), command.size() + 1, 0) > 0) {
        char c;
        while (recv(fd, &c, 1, 0) == 1 && c != '\n') reply += c;
    }
    close(fd);
    return reply;
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

// A Master write of a Classic card: settings block with the product's own
// checksum, which the simulator must accept.
std::string MasterWriteFrame() {
    std::string settings = std::string("Mdddd") + "d" + '\x01' + '\x00' + std::string(6, '\xFF') + '\x00';
    settings += static_cast<char>(Crc8(Bytes(settings), 15));
    std::string frame = "AT+MwsX" + std::string(22, '\0') + settings;
    frame += static_cast<char>(Crc8(Bytes(frame), 45));
    return frame;
}

TEST(SimProcess, AnswersOnItsTerminalAndIsScriptedOverItsControlChannel) {
    const std::string link = std::filesystem::temp_directory_path() / ("simreader-test-" + std::to_string(getpid()));
    Simulator sim(SimulatorOptions{link, 0});
    std::string error;
    ASSERT_TRUE(sim.Start(&error)) << error;
    sim.Reader().SetCardDelay(50);
    std::thread loop([&] { sim.Run(); });
    const int port = sim.ControlPort();

    int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    auto ExpectReply = [&](const std::string& want) { EXPECT_EQ(ReadTerminal(fd, want.size()), want); };
    EXPECT_EQ(Ask(port, "version 2.01"), "OK version 2.01");
    ASSERT_EQ(write(fd, "AT+READS_USB", 12), 12);
    ExpectReply("\n\rAT+USB - OK! >> 2.01");
    // CR and LF pass the terminal untouched in both directions.
    const std::string frame = MasterWriteFrame();
    ASSERT_EQ(write(fd, frame.data(), frame.size()), 46);
    ExpectReply("\n\rAT+Mw - OK!\n\rAT+DAT_OK");
    EXPECT_EQ(Ask(port, "sent"), "OK " + ToHex("AT+READS_USB" + frame));

    // Unplugged, the link goes; plugged again, a new terminal is behind it.
    EXPECT_EQ(Ask(port, "unplug"), "OK unplugged");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    close(fd);
    EXPECT_EQ(Ask(port, "plug"), "OK " + sim.PortPath());
    fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "AT+READS_IDS", 12), 12);
    ExpectReply("\n\rAT+IDS - OK! >> 0012345678 3232235777.");
    close(fd);

    EXPECT_EQ(Ask(port, "quit"), "OK bye");
    loop.join();
}

}  // namespace
}  // namespace tollvane::sim
