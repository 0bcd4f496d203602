// Tests of the simulated reader: framing, replies, virtual cards, faults and
// the control channel, driven in process on a made-up timeline, plus one run
// through a real pseudo-terminal and TCP socket.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "simreader/control.h"
#include "simreader/device.h"
#include "simreader/sim_crc.h"
#include "simreader/simulator.h"

namespace tollvane::sim {
namespace {

using namespace std::string_literals;

// The textbook reflected form of the checksum, kept apart from the
// simulator's mirrored form so each checks the other.
std::uint8_t ReferenceCrc(std::string_view bytes) {
  std::uint8_t crc = 0;
  for (char ch : bytes) {
    crc ^= static_cast<std::uint8_t>(ch);
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0x8C : crc >> 1;
  }
  return crc;
}

std::string Key(std::size_t n, std::uint8_t fill) { return std::string(n, static_cast<char>(fill)); }

struct FrameFields {
  char role = 'M';
  char op = 'r';
  char type = 's';
  char aes_auth = 'X';
  std::string crypto1 = Key(6, 0);
  std::string aes = Key(16, 0);
  std::string settings;  // 15 bytes; the checksum is added; empty for none
};

std::string Settings(char role, char mode, std::uint8_t sector, std::uint8_t block,
                     const std::string& tail) {
  std::string s(15, '\0');
  s[0] = role;
  if (role == 'M') s.replace(1, 4, "dedd");
  s[5] = mode;
  s[6] = static_cast<char>(sector);
  s[7] = static_cast<char>(block);
  s.replace(8, tail.size(), tail);
  return s;
}

std::string BuildFrame(const FrameFields& f) {
  std::string frame = "AT+"s + f.role + f.op + f.type + f.aes_auth + f.crypto1 + f.aes;
  if (f.settings.empty()) {
    frame += Key(16, 0);
  } else {
    frame += f.settings + static_cast<char>(ReferenceCrc(f.settings));
  }
  frame += static_cast<char>(ReferenceCrc(frame));
  return frame;
}

FrameFields MasterWrite() {
  FrameFields f;
  f.op = 'w';
  f.settings = Settings('M', 'd', 1, 0, Key(6, 0xFF));
  return f;
}

TEST(SimCrc, MatchesKnownAnswers) {
  struct Case {
    std::string input;
    std::uint8_t crc;
  } cases[] = {{"", 0x00}, {"123456789", 0xA1}, {"abc", 0x42}, {"\xFF", ReferenceCrc("\xFF")}};
  for (const Case& c : cases) {
    EXPECT_EQ(SimCrc8(reinterpret_cast<const std::uint8_t*>(c.input.data()), c.input.size()), c.crc)
        << c.input;
  }
  // A block followed by its own checksum sums to zero.
  std::string block = "any block at all";
  block += static_cast<char>(ReferenceCrc(block));
  EXPECT_EQ(SimCrc8(reinterpret_cast<const std::uint8_t*>(block.data()), block.size()), 0);
}

// --- Through a real terminal and socket ------------------------------------

class Line {
 public:
  explicit Line(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    ok_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  }
  ~Line() { close(fd_); }
  bool ok() const { return ok_; }
  std::string Ask(const std::string& command) {
    std::string out = command + "\n";
    if (send(fd_, out.data(), out.size(), 0) < 0) return "send failed";
    std::string reply;
    char c;
    while (recv(fd_, &c, 1, 0) == 1 && c != '\n') reply += c;
    return reply;
  }

 private:
  int fd_;
  bool ok_ = false;
};

// Reads until `want` bytes came or the line stayed quiet for a while.
std::string ReadTerminal(int fd, std::size_t want) {
  std::string out;
  while (out.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 3000) <= 0) break;
    char buf[256];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

TEST(SimProcess, ServesTheTerminalAndTheControlChannel) {
  const std::string link =
      (std::filesystem::temp_directory_path() / ("simreader-test-" + std::to_string(getpid())))
          .string();
  SimulatorOptions options;
  options.link = link;
  options.control_port = 0;
  Simulator sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  sim.device().SetCardDelay(50);
  std::thread loop([&] { sim.Run(); });

  EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.PortPath());
  int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  Line control(sim.control_port());
  ASSERT_TRUE(control.ok());

  const std::string version = VersionReply("2.01");
  EXPECT_EQ(control.Ask("version 2.01"), "OK version 2.01");
  ASSERT_EQ(write(fd, "AT+READS_USB", 12), 12);
  EXPECT_EQ(ReadTerminal(fd, version.size()), version);

  // A write's acknowledgement and result, with bytes that pass the terminal
  // untouched (CR and LF are not translated).
  const std::string frame = BuildFrame(MasterWrite());
  ASSERT_EQ(write(fd, frame.data(), frame.size()), static_cast<ssize_t>(frame.size()));
  const std::string expected = "\n\rAT+Mw - OK!\n\rAT+DAT_OK";
  EXPECT_EQ(ReadTerminal(fd, expected.size()), expected);
  EXPECT_EQ(control.Ask("sent"), "OK " + ToHex("AT+READS_USB" + frame));

  // Unplugging removes the link; plugging brings a new terminal behind it.
  EXPECT_EQ(control.Ask("unplug"), "OK unplugged");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  close(fd);
  std::string plugged = control.Ask("plug");
  EXPECT_EQ(plugged, "OK " + sim.PortPath());
  fd = open(link.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "AT+READS_IDS", 12), 12);
  EXPECT_EQ(ReadTerminal(fd, 40), CardIdReply(12345678, 3232235777u));
  close(fd);

  EXPECT_EQ(control.Ask("quit"), "OK bye");
  loop.join();
}

}  // namespace
}  // namespace tollvane::sim
