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

const std::string kUserData = "\x11\x22\x33\x44\x55\x66\x77";

FrameFields Fields(char role, char op, std::string crypto1 = Key(6, 0)) {
  FrameFields f;
  f.role = role;
  f.op = op;
  f.crypto1 = std::move(crypto1);
  return f;
}

FrameFields MasterWrite() {
  FrameFields f = Fields('M', 'w');
  f.settings = Settings('M', 'd', 1, 0, Key(6, 0xFF));
  return f;
}
FrameFields MasterRead() { return Fields('M', 'r'); }
FrameFields MasterClear() { return Fields('M', 'c'); }
FrameFields UserWrite(std::string key = Key(6, 0xA0)) {
  FrameFields f = Fields('U', 'w', key);
  f.settings = Settings('U', 'f', 2, 1, kUserData);
  return f;
}
FrameFields UserRead(std::string key = Key(6, 0xA0), std::uint8_t sector = 2) {
  FrameFields f = Fields('U', 'r', key);
  f.settings = Settings('U', 0, sector, 1, "");
  return f;
}
FrameFields UserClear(std::string key = Key(6, 0xA0)) {
  FrameFields f = UserRead(key);
  f.op = 'c';
  return f;
}

// Sends a command at `now` and returns everything the device says within
// `window` milliseconds, as one string.
std::string Exchange(Device& d, const std::string& command, Millis now = 0, Millis window = 5000) {
  d.Receive(command, now);
  std::string out;
  for (Millis t = now; t <= now + window; ++t) {
    d.Tick(t);
    out += d.TakeDue(t);
  }
  return out;
}

// The result line that follows the acknowledgement of a card command.
std::string Result(Device& d, const FrameFields& f, Millis now = 0) {
  std::string reply = Exchange(d, BuildFrame(f), now);
  std::string ack = AckReply(f.role, f.op);
  if (reply.compare(0, ack.size(), ack) != 0) return "no ack: " + reply;
  return reply.substr(ack.size());
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

TEST(CommandFramer, EndsCommandsByContentOrQuiet) {
  const std::string frame = BuildFrame(MasterRead());
  struct Step {
    std::string bytes;
    Millis at;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    Millis flush_at;
    std::vector<std::string> expected;
  } cases[] = {
      {"text commands back to back", {{"AT+READS_USBAT+READS_IDS", 0}}, 0, {"AT+READS_USB", "AT+READS_IDS"}},
      {"frame ends at 46 bytes", {{frame + "AT+READS_USB", 0}}, 0, {frame, "AT+READS_USB"}},
      {"frame in pieces", {{frame.substr(0, 10), 0}, {frame.substr(10), 15}}, 15, {frame}},
      {"short frame ends on quiet", {{frame.substr(0, 45), 0}}, 20, {frame.substr(0, 45)}},
      {"not before 20 ms of quiet", {{"AT+READS", 0}}, 19, {}},
      {"unknown text on quiet", {{"AT+", 0}, {"HELLO", 10}}, 30, {"AT+HELLO"}},
      {"flood is cut", {{std::string(300, 'x'), 0}}, 0, {std::string(256, 'x')}},
  };
  for (const Case& c : cases) {
    CommandFramer framer;
    std::vector<std::string> got;
    for (const Step& s : c.steps) {
      for (auto& cmd : framer.Push(s.bytes, s.at)) got.push_back(cmd);
    }
    if (auto rest = framer.Flush(c.flush_at)) got.push_back(*rest);
    EXPECT_EQ(got, c.expected) << c.name;
  }
}

TEST(SimDevice, TextCommandsGetTheirReplies) {
  struct Case {
    const char* name;
    std::string command;
    std::string reply;
  } cases[] = {
      {"version", "AT+READS_USB", "\n\rAT+USB - OK! >> 2.00"},
      {"card id", "AT+READS_IDS", "\n\rAT+IDS - OK! >> 0012345678 3232235777."},
      {"unknown text", "AT+HELLO", "\n\rAT+CMD - UNKNOWN CMD!"},
      {"line end after a command", "AT+READS_USB\r\n", "\n\rAT+USB - OK! >> 2.00\n\rAT+CMD - UNKNOWN CMD!"},
  };
  for (const Case& c : cases) {
    Device d;
    EXPECT_EQ(Exchange(d, c.command), c.reply) << c.name;
  }
}

TEST(SimDevice, CardIdFollowsTheCardInFront) {
  Device d;
  d.PresentCard(7, 4294967295u, 0);
  EXPECT_EQ(Exchange(d, "AT+READS_IDS"), "\n\rAT+IDS - OK! >> 0000000007 4294967295.");
  d.SelectCard(0, 0);
  EXPECT_EQ(Exchange(d, "AT+READS_IDS"), "\n\rAT+IDS - OK! >> 0012345678 3232235777.");
  d.RemoveCard();
  EXPECT_EQ(Exchange(d, "AT+READS_IDS"), "\n\rAT+ERR_04");
}

TEST(SimDevice, AcknowledgesAtOnceAndAnswersAfterTheCardDelay) {
  Device d;
  d.SetCardDelay(400);
  d.Receive(BuildFrame(MasterClear()), 1000);
  EXPECT_EQ(d.TakeDue(1000), "\n\rAT+Mc - OK!");
  EXPECT_EQ(d.NextDeadline(), 1400);
  EXPECT_EQ(d.TakeDue(1399), "");
  EXPECT_EQ(d.TakeDue(1400), "\n\rAT+DAT_OK");
  EXPECT_EQ(d.NextDeadline(), std::nullopt);
}

TEST(SimDevice, WaitsForACardThenDoesTheWork) {
  Device d;
  d.SetCardDelay(100);
  d.RemoveCard();
  EXPECT_EQ(Exchange(d, BuildFrame(MasterWrite()), 0, 2000), "\n\rAT+Mw - OK!");
  EXPECT_TRUE(d.waiting_for_card());
  d.SelectCard(1, 5000);
  EXPECT_EQ(d.TakeDue(5099), "");
  EXPECT_EQ(d.TakeDue(5100), "\n\rAT+DAT_OK");
  EXPECT_EQ(d.card().role, 'M');
  EXPECT_EQ(d.selected(), 1u);
}

TEST(SimDevice, AWaitForACardEndsWithTheNextCommandOrAfterTheLimit) {
  Device d;
  d.RemoveCard();
  d.Receive(BuildFrame(MasterWrite()), 0);
  d.Receive("AT+READS_USB", 10);
  EXPECT_FALSE(d.waiting_for_card());

  d.Receive(BuildFrame(MasterWrite()), 1000);
  d.Tick(1000 + kCardWaitLimit - 1);
  EXPECT_TRUE(d.waiting_for_card());
  d.Tick(1000 + kCardWaitLimit);
  EXPECT_FALSE(d.waiting_for_card());
  // A card presented afterwards does not bring a late result.
  d.SelectCard(0, 20000);
  d.TakeDue(20000);  // drop the earlier replies
  EXPECT_EQ(d.TakeDue(30000), "");
  EXPECT_EQ(d.card().role, 0);
}

TEST(SimDevice, MasterWriteThenReadReturnsWhatWasWritten) {
  Device d;
  FrameFields write = MasterWrite();
  write.type = '3';
  write.aes = Key(16, 0x5C);
  d.card().chip = Chip::Plus;
  d.card().level = 0;
  ASSERT_EQ(Result(d, write), "\n\rAT+DAT_OK");
  FrameFields read = MasterRead();
  read.type = '3';
  std::string reply = Result(d, read);
  ASSERT_EQ(reply.size(), 48u);
  ASSERT_EQ(reply.substr(0, 7), "\n\rAT+ms");
  std::string frame = reply.substr(2);
  EXPECT_EQ(ReferenceCrc(frame), 0) << "frame checksum";
  EXPECT_EQ(ReferenceCrc(frame.substr(29, 16)), 0) << "settings checksum";
  EXPECT_EQ(frame[5], '3');
  EXPECT_EQ(frame[6], 'X');
  EXPECT_EQ(frame.substr(13, 16), Key(16, 0x5C));
  EXPECT_EQ(frame.substr(29, 16), BuildFrame(write).substr(29, 16));
  EXPECT_EQ(d.card().level, 3);
}

TEST(SimDevice, UserWriteKeysTheCardAndReadNeedsThatKey) {
  Device d;
  ASSERT_EQ(Result(d, UserWrite()), "\n\rAT+DAT_OK");
  EXPECT_EQ(d.card().crypto1, (std::array<std::uint8_t, 6>{0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0}));
  std::string reply = Result(d, UserRead());
  ASSERT_EQ(reply.size(), 48u);
  EXPECT_EQ(ReferenceCrc(reply.substr(2)), 0);
  EXPECT_EQ(reply.substr(2 + 29 + 8, 7), kUserData);
  EXPECT_EQ(Result(d, UserRead(Key(6, 0xFF))), "\n\rAT+ERR_11");
  // Once keyed, the card no longer takes a write with another key.
  EXPECT_EQ(Result(d, UserWrite(Key(6, 0xB0))), "\n\rAT+ERR_11");
}

TEST(SimDevice, ClearEmptiesTheCard) {
  Device d;
  ASSERT_EQ(Result(d, MasterWrite()), "\n\rAT+DAT_OK");
  EXPECT_EQ(Result(d, MasterClear()), "\n\rAT+DAT_OK");
  EXPECT_EQ(d.card().role, 0);
  EXPECT_EQ(Result(d, MasterRead()), "\n\rAT+ERR_16");
  // Clearing an empty card is not an error.
  EXPECT_EQ(Result(d, UserClear()), "\n\rAT+DAT_OK");
}

TEST(SimDevice, MismatchesGiveTheirErrorCodes) {
  struct Case {
    const char* name;
    std::vector<FrameFields> before;  // each must succeed
    Chip chip;
    int level;
    FrameFields command;
    std::string result;
  };
  FrameFields bad_settings = MasterWrite();
  FrameFields no_type = MasterRead();
  no_type.type = '\0';
  FrameFields sl1_read = MasterRead();
  sl1_read.type = '1';
  FrameFields sl3_read = MasterRead();
  sl3_read.type = '3';
  FrameFields sl1_write = MasterWrite();
  sl1_write.type = '1';
  Case cases[] = {
      {"user card read as master", {UserWrite()}, Chip::Classic, 1, MasterRead(), "\n\rAT+ERR_16"},
      {"user card cleared as master", {UserWrite()}, Chip::Classic, 1, MasterClear(), "\n\rAT+ERR_16"},
      {"master card read as user", {MasterWrite()}, Chip::Classic, 1, UserRead(), "\n\rAT+ERR_18"},
      {"master card cleared as user", {MasterWrite()}, Chip::Classic, 1, UserClear(), "\n\rAT+ERR_18"},
      {"empty card read as user", {}, Chip::Classic, 1, UserRead(Key(6, 0xFF)), "\n\rAT+ERR_18"},
      {"wrong user key", {UserWrite()}, Chip::Classic, 1, UserRead(Key(6, 0x01)), "\n\rAT+ERR_11"},
      {"other sector", {UserWrite()}, Chip::Classic, 1, UserRead(Key(6, 0xA0), 5), "\n\rAT+ERR_14"},
      {"no card type", {}, Chip::Classic, 1, no_type, "\n\rAT+ERR_06"},
      {"classic frame on plus sl3", {}, Chip::Plus, 3, MasterRead(), "\n\rAT+ERR_06"},
      {"sl1 frame on classic", {}, Chip::Classic, 1, sl1_read, "\n\rAT+ERR_17"},
      {"sl1 write on plus sl3", {}, Chip::Plus, 3, sl1_write, "\n\rAT+ERR_17"},
      {"sl3 read on classic", {}, Chip::Classic, 1, sl3_read, "\n\rAT+ERR_09"},
      {"sl3 read on plus sl1", {}, Chip::Plus, 1, sl3_read, "\n\rAT+ERR_09"},
  };
  for (const Case& c : cases) {
    Device d;
    d.card().chip = c.chip;
    d.card().level = c.level;
    for (const FrameFields& f : c.before) ASSERT_EQ(Result(d, f), "\n\rAT+DAT_OK") << c.name;
    EXPECT_EQ(Result(d, c.command), c.result) << c.name;
  }

  // A settings block whose checksum is wrong is refused by the card work.
  Device d;
  std::string frame = BuildFrame(bad_settings);
  frame[44] ^= 1;
  frame[45] = static_cast<char>(ReferenceCrc(frame.substr(0, 45)));
  EXPECT_EQ(Exchange(d, frame), "\n\rAT+Mw - OK!\n\rAT+ERR_15");
  EXPECT_EQ(d.card().role, 0);
}

TEST(SimDevice, MalformedFramesAreUnknownCommands) {
  std::string good = BuildFrame(MasterRead());
  std::string bad_crc = good;
  bad_crc[45] ^= 0x01;
  std::string bad_op = good;
  bad_op[4] = 'x';
  bad_op[45] = static_cast<char>(ReferenceCrc(bad_op.substr(0, 45)));
  for (const std::string& frame : {bad_crc, bad_op, good.substr(0, 40)}) {
    Device d;
    EXPECT_EQ(Exchange(d, frame), UnknownReply()) << ToHex(frame);
  }
}

TEST(SimDevice, FaultsShapeTheNextFittingReply) {
  const std::string read = BuildFrame(MasterRead());
  struct Case {
    const char* name;
    void (*arm)(Faults&);
    std::string command;
    std::string expected;  // whole output; empty for none
  } cases[] = {
      {"err", [](Faults& f) { f.err = 7; }, BuildFrame(MasterClear()), "\n\rAT+Mc - OK!\n\rAT+ERR_07"},
      {"silent", [](Faults& f) { f.silent = true; }, "AT+READS_USB", ""},
      {"no ack", [](Faults& f) { f.no_ack = true; }, BuildFrame(MasterClear()), "\n\rAT+DAT_OK"},
      {"no result", [](Faults& f) { f.no_result = true; }, BuildFrame(MasterClear()), "\n\rAT+Mc - OK!"},
      {"unknown", [](Faults& f) { f.unknown = true; }, "AT+READS_USB", UnknownReply()},
      {"cut", [](Faults& f) { f.cut = 10; }, "AT+READS_USB", "\n\rAT+USB -"},
      {"err waits for a frame", [](Faults& f) { f.err = 5; }, "AT+READS_USB", VersionReply("2.00")},
  };
  for (const Case& c : cases) {
    Device d;
    c.arm(d.armed());
    EXPECT_EQ(Exchange(d, c.command), c.expected) << c.name;
  }

  Device d;
  d.armed().garbage = true;
  std::string noise = Exchange(d, "AT+READS_USB");
  EXPECT_GE(noise.size(), 12u);
  EXPECT_EQ(noise.find(" - "), std::string::npos);
  // Used up: the next reply is normal again.
  EXPECT_EQ(Exchange(d, "AT+READS_USB"), VersionReply("2.00"));

  d.armed().long_reply = true;
  EXPECT_GT(Exchange(d, "AT+READS_USB").size(), 64u);
}

TEST(SimDevice, BadChecksumFaultsBreakOnlyTheNamedChecksum) {
  for (char which : {'f', 's'}) {
    Device d;
    ASSERT_EQ(Result(d, MasterWrite()), "\n\rAT+DAT_OK");
    d.armed().bad_crc = which;
    ASSERT_EQ(Result(d, MasterClear(), 10000), "\n\rAT+DAT_OK") << "a clear leaves it armed";
    ASSERT_EQ(Result(d, MasterWrite(), 20000), "\n\rAT+DAT_OK");
    std::string frame = Result(d, MasterRead(), 30000).substr(2);
    ASSERT_EQ(frame.size(), kFrameSize);
    EXPECT_EQ(ReferenceCrc(frame) != 0, which == 'f');
    EXPECT_EQ(ReferenceCrc(frame.substr(29, 16)) != 0, which == 's');
  }
}

TEST(SimDevice, SplitReplyPausesHalfway) {
  Device d;
  d.armed().split_ms = 150;
  d.Receive("AT+READS_USB", 0);
  std::string first = d.TakeDue(0);
  EXPECT_EQ(d.TakeDue(149), "");
  std::string second = d.TakeDue(150);
  EXPECT_FALSE(first.empty());
  EXPECT_FALSE(second.empty());
  EXPECT_EQ(first + second, VersionReply("2.00"));
}

TEST(SimDevice, AckWithResultArrivesInOneBurst) {
  Device d;
  d.armed().ack_with_result = true;
  d.Receive(BuildFrame(MasterClear()), 0);
  EXPECT_EQ(d.TakeDue(0), "\n\rAT+Mc - OK!\n\rAT+DAT_OK");
}

// Every acknowledgement form the control line can set, as written on the
// line: (time, bytes) of each write; the card delay is 400 ms.
TEST(SimDevice, AckFormsShapeTheAnswerToACardCommand) {
  struct Case {
    const char* setting;
    std::vector<std::pair<Millis, std::string>> writes;
  };
  const Case cases[] = {
      {"default", {{0, "\n\rAT+Mc - OK!"}, {400, "\n\rAT+DAT_OK"}}},
      {"tail \\r\\n", {{0, "\n\rAT+Mc - OK!\r\n"}, {400, "\n\rAT+DAT_OK"}}},
      {"tail  ready\\r\\n", {{0, "\n\rAT+Mc - OK! ready\r\n"}, {400, "\n\rAT+DAT_OK"}}},
      {"prefix Varnel\\x3A write", {{0, "Varnel: write - OK!"}, {400, "\n\rAT+DAT_OK"}}},
      {"same on", {{0, "\n\rAT+Mc - OK!\n\rAT+DAT_OK"}}},
      {"split 30", {{0, "\n\rAT+M"}, {30, "c - OK!"}, {400, "\n\rAT+"}, {430, "DAT_OK"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.setting);
    Device d;
    d.SetCardDelay(400);
    ASSERT_EQ(ConfigureAck(c.setting, d).rfind("OK ack", 0), 0u);
    d.Receive(BuildFrame(MasterClear()), 0);
    std::vector<std::pair<Millis, std::string>> writes;
    for (Millis t = 0; t <= 1000; ++t) {
      std::string due = d.TakeDue(t);
      if (!due.empty()) writes.emplace_back(t, due);
    }
    EXPECT_EQ(writes, c.writes);
  }
  Device d;
  EXPECT_EQ(ConfigureAck("tail \\q", d).rfind("ERR", 0), 0u);
  EXPECT_EQ(ConfigureAck("split -1", d).rfind("ERR", 0), 0u);
  EXPECT_EQ(ConfigureAck("same on", d), "OK ack prefix=default tail=hex: same=on split=0");
  d.Reset();
  EXPECT_FALSE(d.ack_form().with_result);
}

class NoHost : public ControlHost {
 public:
  bool Unplug() override {
    if (!plugged) return false;
    plugged = false;
    return true;
  }
  bool Plug() override { return plugged = true; }
  void Quit() override { quit = true; }
  std::string PortPath() const override { return "/dev/pts/99"; }
  bool plugged = true;
  bool quit = false;
};

TEST(SimControl, CommandsAndReplies) {
  Device d;
  NoHost host;
  struct Case {
    std::string line;
    std::string reply;
  } cases[] = {
      {"version 2.01", "OK version 2.01"},
      {"version 2.00 beta\r", "OK version 2.00 beta"},
      {"delay 0", "OK delay 0"},
      {"delay -5", "ERR usage: delay <ms>"},
      {"delay", "OK delay 0"},
      {"next err 04", "OK next err 04"},
      {"next err 4", "ERR usage: next err <two digits>"},
      {"next badcrc crc", "ERR usage: next badcrc frame|settings"},
      {"next split 100", "OK next split 100"},
      {"next none", "OK next none"},
      {"next sideways", "ERR unknown fault"},
      {"card select 2", "OK card 2 present"},
      {"card present 1 2", "OK card 3 present"},
      {"card present x 2", "ERR card present needs two decimal numbers"},
      {"card absent", "OK card absent"},
      {"card chip plus0", "OK chip plus0"},
      {"card chip ultralight", "ERR usage: card chip classic|plus0|plus1|plus3"},
      {"card keys A0A1A2A3A4A5", "OK keys set"},
      {"card keys A0A1", "ERR crypto1 key needs 12 hex digits"},
      {"pty", "OK /dev/pts/99"},
      {"unplug", "OK unplugged"},
      {"unplug", "ERR not plugged"},
      {"plug", "OK /dev/pts/99"},
      {"", "ERR empty command"},
      {"dance", "ERR unknown command"},
  };
  for (const Case& c : cases) EXPECT_EQ(RunControlCommand(c.line, d, host, 0), c.reply) << c.line;

  EXPECT_EQ(d.version(), "2.00 beta");
  EXPECT_EQ(d.selected(), 3u);
  EXPECT_FALSE(d.card_present());
  EXPECT_EQ(d.card().chip, Chip::Plus);
  EXPECT_EQ(d.card().level, 0);
  EXPECT_EQ(d.card().crypto1, (std::array<std::uint8_t, 6>{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5}));
  EXPECT_FALSE(d.armed().split_ms.has_value()) << "next none disarms";

  EXPECT_EQ(RunControlCommand("quit", d, host, 0), "OK bye");
  EXPECT_TRUE(host.quit);
}

TEST(SimControl, SentReportsAndClearsTheCapture) {
  Device d;
  NoHost host;
  EXPECT_EQ(RunControlCommand("sent", d, host, 0), "OK");
  d.Receive("AT+READS_USB", 0);
  d.Receive("\x01\xFE"s, 1);
  EXPECT_EQ(RunControlCommand("peek", d, host, 2), "OK 41542B52454144535F55534201FE");
  EXPECT_EQ(RunControlCommand("sent", d, host, 2), "OK 41542B52454144535F55534201FE");
  EXPECT_EQ(RunControlCommand("sent", d, host, 2), "OK");
}

TEST(SimControl, CardMemoryShowsWhatAWriteLeft) {
  Device d;
  NoHost host;
  Exchange(d, BuildFrame(MasterWrite()));
  std::string mem = RunControlCommand("cardmem", d, host, 10000);
  EXPECT_NE(mem.find("role=M type=s aesauth=X"), std::string::npos) << mem;
  EXPECT_NE(mem.find("block=" + ToHex(BuildFrame(MasterWrite()).substr(29, 16))), std::string::npos)
      << mem;
  EXPECT_EQ(RunControlCommand("reset", d, host, 0), "OK reset");
  EXPECT_EQ(d.card().role, 0);
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

TEST(SimProcess, VanishesByItselfAndStopsOnRequest) {
  const std::string link =
      (std::filesystem::temp_directory_path() / ("simreader-vanish-" + std::to_string(getpid())))
          .string();
  SimulatorOptions options;
  options.link = link;
  options.control_port = 0;
  options.vanish_after = 0;
  Simulator sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  std::thread loop([&] { sim.Run(); });
  Line control(sim.control_port());
  ASSERT_TRUE(control.ok());
  // Once the control channel answers, the loop has run and unplugged.
  EXPECT_EQ(control.Ask("unplug"), "ERR not plugged");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  EXPECT_EQ(control.Ask("plug").substr(0, 3), "OK ");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  sim.Stop();
  loop.join();
}

}  // namespace
}  // namespace tollvane::sim
