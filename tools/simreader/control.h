// The line protocol of the simulator's control channel: one command per line
// in, one line "OK ..." or "ERR ..." out. See README.md for the commands.
#pragma once

#include <string>
#include <string_view>

#include "simreader/device.h"

namespace tollvane::sim {

// What a control command can ask of the process around the device.
class ControlHost {
public:
    virtual ~ControlHost() = default;
    // Closes the pseudo-terminal so that the port disappears.
    virtual bool Unplug() = 0;
    // Opens a fresh pseudo-terminal and points the link at it.
    virtual bool Plug() = 0;
    virtual void Quit() = 0;
    virtual std::string PortPath() const = 0;
};

// Sets how the reader answers card commands; args is what follows "ack " on
// a control line (also given by --ack on the command line). Returns the
// reply line.
std::string ConfigureAck(std::string_view args, Device& device);

// Runs one control line against the device; returns the reply line without
// its line end.
std::string RunControlCommand(std::string_view line, Device& device, ControlHost& host, Millis now);

}  // namespace tollvane::sim
