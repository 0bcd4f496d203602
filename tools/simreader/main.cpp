// simreader: a simulated Varnel card programmer on a pseudo-terminal.
// Usage and the control protocol are described in README.md next to this file.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "simreader/control.h"
#include "simreader/simulator.h"

namespace {

tollvane::sim::Simulator* g_simulator = nullptr;

void OnSignal(int) {
    if (g_simulator != nullptr) g_simulator->Stop();
}

int Usage(const char* why) {
    if (why != nullptr) std::fprintf(stderr, "simreader: %s\n", why);
    std::fprintf(
        stderr,
        "usage: simreader [--link PATH] [--control PORT] [--version TEXT] [--delay MS]\n"
        "                 [--no-card] [--vanish MS] [--verbose] [--ack 'tail \\r\\n'] ...\n"
        "                 [--noise 'result cut'] ... [--card-fault none|stale|byte|gone]\n");
    return 2;
}

bool ParseInt(const char* text, long min, long max, long* out) {
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < min || v > max) return false;
    *out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    tollvane::sim::SimulatorOptions options;
    std::string version;
    long delay = -1;
    bool noCard = false;
    std::optional<tollvane::sim::CardFault> cardFault;
    std::vector<std::string> ackSettings;
    std::vector<std::string> noiseSettings;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        long n = 0;
        if (arg == "--link") {
            const char* v = value();
            if (v == nullptr || *v == '\0') return Usage("--link needs a path");
            options.link = v;
        } else if (arg == "--control") {
            const char* v = value();
            if (v == nullptr || !ParseInt(v, 0, 65535, &n))
                return Usage("--control needs a port number");
            options.controlPort = static_cast<int>(n);
        } else if (arg == "--version") {
            const char* v = value();
            if (v == nullptr) return Usage("--version needs a text");
            version = v;
        } else if (arg == "--delay") {
            const char* v = value();
            if (v == nullptr || !ParseInt(v, 0, 600000, &delay))
                return Usage("--delay needs milliseconds");
        } else if (arg == "--vanish") {
            const char* v = value();
            if (v == nullptr || !ParseInt(v, 0, 86400000, &n))
                return Usage("--vanish needs milliseconds");
            options.vanishAfter = n;
        } else if (arg == "--ack") {
            // As the control command "ack": tail|prefix <text>, same on|off, split <ms>.
            const char* v = value();
            if (v == nullptr) return Usage("--ack needs a setting");
            ackSettings.push_back(v);
        } else if (arg == "--noise") {
            // As the control command "noise": POINT KIND, or seed N.
            const char* v = value();
            if (v == nullptr) return Usage("--noise needs a setting");
            noiseSettings.push_back(v);
        } else if (arg == "--card-fault") {
            // The first card's fault, as the control command "card fault".
            const char* v = value();
            if (v == nullptr || !(cardFault = tollvane::sim::CardFaultNamed(v))) {
                return Usage("--card-fault needs none, stale, byte or gone");
            }
        } else if (arg == "--no-card") {
            noCard = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--help" || arg == "-h") {
            Usage(nullptr);
            return 0;
        } else {
            return Usage(("unknown option " + arg).c_str());
        }
    }

    tollvane::sim::Simulator simulator(options);
    if (!version.empty()) simulator.Reader().SetVersion(version);
    if (delay >= 0) simulator.Reader().SetCardDelay(delay);
    if (cardFault) simulator.Reader().Card().fault = *cardFault;
    if (noCard) simulator.Reader().RemoveCard();
    for (const std::string& setting : ackSettings) {
        const std::string reply = tollvane::sim::ConfigureAck(setting, simulator.Reader());
        if (reply.rfind("OK", 0) != 0) return Usage(("--ack " + setting + ": " + reply).c_str());
    }
    for (const std::string& setting : noiseSettings) {
        const std::string reply =
            tollvane::sim::ConfigureNoise(setting, simulator.Reader().NoiseMode());
        if (reply.rfind("OK", 0) != 0) return Usage(("--noise " + setting + ": " + reply).c_str());
    }

    std::string error;
    if (!simulator.Start(&error)) {
        std::fprintf(stderr, "simreader: %s\n", error.c_str());
        return 1;
    }
    // The first lines on stdout tell a caller where to find the port and the
    // control channel; later "PTY" lines follow every plug.
    std::printf("PTY %s\n", simulator.PortPath().c_str());
    if (options.controlPort >= 0) std::printf("CONTROL %d\n", simulator.ControlPort());
    std::fflush(stdout);
    simulator.onPlug = [](const std::string& path) {
        std::printf("PTY %s\n", path.c_str());
        std::fflush(stdout);
    };

    g_simulator = &simulator;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    int rc = simulator.Run();
    g_simulator = nullptr;
    return rc;
}
