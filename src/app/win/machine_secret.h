// The dialog's database password, protected with the system's data
// protection for this computer (any account of the computer can read it
// back, no other computer can): the station's program runs under whichever
// operator is signed in.
#pragma once

#include "app/database_config.h"

namespace tollvane {

class MachineSecret : public SecretProtector {
public:
    bool Protect(std::string_view plain, std::string& sealed) override;
    bool Unprotect(std::string_view sealed, std::string& plain) override;
};

}  // namespace tollvane
