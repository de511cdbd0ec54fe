#pragma once
// Answers every message box with a fixed button and records what was shown; installed for its lifetime.
#include "framework/MessageBox.h"

#include <string>
#include <vector>

namespace fake {

class MessageBoxes : public fw::MessageBoxes {
public:
    struct Shown {
        std::string text, caption;
        UINT type;
        HWND owner;
    };

    explicit MessageBoxes(int answer = IDOK) : answer(answer), previous_(fw::setMessageBoxes(this)) {}
    ~MessageBoxes() override { fw::setMessageBoxes(previous_); }
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;

    int show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        shown.push_back({text, caption, type, owner});
        return answer;
    }

    int answer;
    std::vector<Shown> shown;

private:
    fw::MessageBoxes* previous_;
};

} // namespace fake
