#include "simreader/simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tollvane::sim {
namespace {

// Output that nobody reads piles up in the terminal; beyond this much it is
// dropped rather than kept forever.
constexpr std::size_t kMaxUnsent = 64 * 1024;
constexpr int kIdlePollMs = 1000;

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

std::string Errno(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

Simulator::Simulator(SimulatorOptions options)
    : options_(std::move(options)), start_(std::chrono::steady_clock::now()) {}

Simulator::~Simulator() {
    CloseTerminal();
    for (Client& c : clients_) close(c.fd);
    if (listen_ >= 0) close(listen_);
    if (wake_[0] >= 0) close(wake_[0]);
    if (wake_[1] >= 0) close(wake_[1]);
}

Millis Simulator::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start_)
        .count();
}

void Simulator::Log(const std::string& text) const {
    if (options_.verbose) std::fprintf(stderr, "simreader: %s\n", text.c_str());
}

bool Simulator::Start(std::string* error) {
    if (pipe(wake_) != 0) {
        *error = Errno("pipe");
        return false;
    }
    SetNonBlocking(wake_[0]);
    SetNonBlocking(wake_[1]);
    if (!OpenTerminal(error)) return false;
    if (options_.controlPort >= 0 && !OpenControl(error)) return false;
    return true;
}

bool Simulator::OpenTerminal(std::string* error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        *error = Errno("posix_openpt");
        CloseTerminal();
        return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        *error = Errno("ptsname");
        CloseTerminal();
        return false;
    }
    slavePath_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        *error = Errno("open terminal");
        CloseTerminal();
        return false;
    }
    // Raw mode: no echo, no line editing, no translation of CR and LF. The
    // program under Wine sets the line up itself, but the bytes must already
    // pass untouched before it does.
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    SetNonBlocking(master_);
    if (!options_.link.empty()) {
        // Replace the link in one step, so that a reader of the link never sees
        // it missing while it moves to a new terminal.
        std::string temp = options_.link + ".new";
        unlink(temp.c_str());
        if (symlink(slavePath_.c_str(), temp.c_str()) != 0 ||
            rename(temp.c_str(), options_.link.c_str()) != 0) {
            *error = Errno(("link " + options_.link).c_str());
            unlink(temp.c_str());
            CloseTerminal();
            return false;
        }
    }
    unsent_.clear();
    return true;
}

void Simulator::CloseTerminal() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
    // A stale link could later point at another program's terminal that got
    // the same number, so it goes away with the terminal.
    if (!options_.link.empty()) unlink(options_.link.c_str());
}

bool Simulator::OpenControl(std::string* error) {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_ < 0) {
        *error = Errno("socket");
        return false;
    }
    int one = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(options_.controlPort));
    if (bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listen_, 8) != 0) {
        *error = Errno("control port");
        return false;
    }
    socklen_t len = sizeof addr;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
    controlPort_ = ntohs(addr.sin_port);
    SetNonBlocking(listen_);
    return true;
}

bool Simulator::Unplug() {
    if (master_ < 0) return false;
    Log("unplugged " + slavePath_);
    CloseTerminal();
    device_.DropLine();
    return true;
}

bool Simulator::Plug() {
    if (master_ >= 0) CloseTerminal();
    std::string error;
    if (!OpenTerminal(&error)) {
        Log(error);
        return false;
    }
    Log("plugged " + slavePath_);
    if (onPlug) onPlug(slavePath_);
    return true;
}

void Simulator::Stop() {
    quit_ = true;
    if (wake_[1] >= 0) {
        char b = 1;
        ssize_t ignored = write(wake_[1], &b, 1);
        (void)ignored;
    }
}

void Simulator::ReadTerminal() {
    char buf[4096];
    for (;;) {
        ssize_t n = read(master_, buf, sizeof buf);
        if (n <= 0) return;
        std::string_view bytes(buf, static_cast<std::size_t>(n));
        Log("received " + ToHex(bytes));
        device_.Receive(bytes, Now());
    }
}

void Simulator::WriteTerminal(const std::string& bytes) {
    if (master_ < 0) return;  // unplugged: the reply goes nowhere
    unsent_ += bytes;
    while (!unsent_.empty()) {
        ssize_t n = write(master_, unsent_.data(), unsent_.size());
        if (n <= 0) break;
        unsent_.erase(0, static_cast<std::size_t>(n));
    }
    if (unsent_.size() > kMaxUnsent) unsent_.clear();
}

void Simulator::ServeClient(Client& client) {
    char buf[1024];
    ssize_t n = recv(client.fd, buf, sizeof buf, 0);
    if (n <= 0) {
        close(client.fd);
        client.fd = -1;
        return;
    }
    client.pending.append(buf, static_cast<std::size_t>(n));
    std::size_t eol;
    while ((eol = client.pending.find('\n')) != std::string::npos) {
        std::string line = client.pending.substr(0, eol);
        client.pending.erase(0, eol + 1);
        std::string reply = RunControlCommand(line, device_, *this, Now());
        Log("control: " + line + " -> " + reply);
        reply += '\n';
        // Replies are short; a client that does not read them is dropped.
        if (send(client.fd, reply.data(), reply.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(reply.size())) {
            close(client.fd);
            client.fd = -1;
            return;
        }
    }
}

int Simulator::Run() {
    while (!quit_) {
        Millis now = Now();
        if (options_.vanishAfter >= 0 && !vanished_ && now >= options_.vanishAfter) {
            vanished_ = true;
            Unplug();
        }
        device_.Tick(now);
        std::string due = device_.TakeDue(now);
        if (!due.empty()) {
            Log("reply " + ToHex(due));
            WriteTerminal(due);
        }

        int timeout = kIdlePollMs;
        if (auto next = device_.NextDeadline()) {
            timeout = static_cast<int>(std::clamp<Millis>(*next - Now(), 0, kIdlePollMs));
        }
        if (options_.vanishAfter >= 0 && !vanished_) {
            timeout =
                static_cast<int>(std::clamp<Millis>(options_.vanishAfter - Now(), 0, timeout));
        }

        std::vector<pollfd> fds;
        fds.push_back({wake_[0], POLLIN, 0});
        const std::size_t terminalAt = fds.size();
        if (master_ >= 0) {
            fds.push_back(
                {master_, static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT)), 0});
        }
        const std::size_t listenAt = fds.size();
        if (listen_ >= 0) fds.push_back({listen_, POLLIN, 0});
        const std::size_t clientsAt = fds.size();
        for (const Client& c : clients_) fds.push_back({c.fd, POLLIN, 0});

        if (poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) continue;
            Log(Errno("poll"));
            return 1;
        }
        if (fds[0].revents) {
            char drain[16];
            while (read(wake_[0], drain, sizeof drain) > 0) {}
        }
        if (master_ >= 0 && terminalAt < listenAt) {
            if (fds[terminalAt].revents & POLLIN) ReadTerminal();
            if (master_ >= 0 && (fds[terminalAt].revents & POLLOUT)) WriteTerminal({});
        }
        if (listen_ >= 0 && (fds[listenAt].revents & POLLIN)) {
            int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) clients_.push_back({fd, {}});
        }
        for (std::size_t i = 0; i + clientsAt < fds.size() && i < clients_.size(); ++i) {
            if (fds[clientsAt + i].revents & (POLLIN | POLLHUP | POLLERR)) ServeClient(clients_[i]);
            if (quit_) break;
        }
        std::erase_if(clients_, [](const Client& c) { return c.fd < 0; });
    }
    return 0;
}

}  // namespace tollvane::sim
