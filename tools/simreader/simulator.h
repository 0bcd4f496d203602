// The simulator process around the device: a pseudo-terminal that plays the
// reader's serial port, an optional symbolic link to it, and the TCP control
// channel on 127.0.0.1. Everything runs on one thread in a poll loop.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "simreader/control.h"
#include "simreader/device.h"

namespace tollvane::sim {

struct SimulatorOptions {
    std::string link;         // symbolic link to the terminal; empty for none
    int controlPort = -1;     // -1 no control channel, 0 any free port
    Millis vanishAfter = -1;  // unplug this long after the start; -1 never
    bool verbose = false;     // log commands and control lines on stderr
};

class Simulator : public ControlHost {
public:
    explicit Simulator(SimulatorOptions options);
    ~Simulator() override;
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the terminal, the link and the control socket.
    bool Start(std::string* error);
    // Serves until "quit" or Stop(); returns 0, or 1 when waiting on the descriptors fails.
    int Run();
    // Safe from another thread and from a signal handler.
    void Stop();

    int ControlPort() const { return controlPort_; }
    Device& Reader() { return device_; }
    // Called with the new terminal path after every successful plug.
    std::function<void(const std::string&)> onPlug;

    // ControlHost
    bool Unplug() override;
    bool Plug() override;
    void Quit() override { quit_ = true; }
    std::string PortPath() const override { return slavePath_; }

private:
    struct Client {
        int fd = -1;
        std::string pending;
    };

    Millis Now() const;
    bool OpenTerminal(std::string* error);
    void CloseTerminal();
    bool OpenControl(std::string* error);
    void ReadTerminal();
    void WriteTerminal(const std::string& bytes);
    void ServeClient(Client& client);
    void Log(const std::string& text) const;

    SimulatorOptions options_;
    Device device_;
    std::chrono::steady_clock::time_point start_;
    int master_ = -1;
    int slave_ = -1;  // kept open so the terminal never hangs up between users
    std::string slavePath_;
    std::string unsent_;
    int listen_ = -1;
    int controlPort_ = 0;
    std::vector<Client> clients_;
    int wake_[2] = {-1, -1};
    std::atomic<bool> quit_{false};
    bool vanished_ = false;
};

}  // namespace tollvane::sim
