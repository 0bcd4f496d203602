// Message boxes for the console tools: every text goes to the standard error
// stream and every question gets the answer the tool was made with.
#pragma once

#include <cstdio>
#include <string>

#include "base/ui.h"

namespace tollvane {

class ConsoleBoxes : public MessageBoxes {
public:
    explicit ConsoleBoxes(bool answer = false) : answer_(answer) {}
    void Show(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void ShowSystemError(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    bool AskYesNo(const std::string&) override { return answer_; }

private:
    bool answer_;
};

}  // namespace tollvane
