// One key list operation's hold on the key files, from taking the list to
// letting it go, so that every operation cleans up the same way on every
// path.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "keystore/key_list.h"

namespace tollvane {

// Taking the list holds keys.lock, which the stations sharing a folder take
// turns on (a station finds it held for at most one operation, and waits up
// to two seconds for it), then opens crkeys.data without sharing and
// decrypts it into keys.data. crkeys.data stays held until the new list
// moves onto it: the system does not replace a file that is open, so the
// lock, not crkeys.data, covers the move. Whichever way the operation ends,
// the destructor deletes the plain files, lets the list go and only then
// shows what the operation had to say, so that no station waits on another's
// message box.
class KeyList::Operation {
public:
    explicit Operation(KeyList& list) : list_(list) {}
    ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // Takes the list and decrypts it: Done, InUse or Failed.
    KeyListOutcome Begin();
    // Encrypts keys.data into TmpCrKeys.data, puts that in the place of
    // crkeys.data and copies it to zipkeys.data: Done or NotStored.
    KeyListOutcome Store();

    void Say(Msg text);
    void Say(Msg text, std::uint32_t code);

private:
    void Say(std::string text) { said_.push_back(std::move(text)); }

    KeyList& list_;
    bool taken_ = false;
    std::unique_ptr<File> lock_;
    std::unique_ptr<File> crkeys_;
    std::vector<std::string> said_;
};

}  // namespace tollvane
