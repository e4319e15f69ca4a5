#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/update_host.h"

namespace velmora::test {

// Thrown where the program would have ended its process for the updater.
struct HandedOver {};

struct ShownBox {
    std::string title;
    std::string text;
    UpdateMessageIcon icon;
};

// The update check's host, noting what it was asked to do.
class RecordingUpdateHost final : public UpdateHost {
public:
    void showMessageBox(const std::string& title, const std::string& text, UpdateMessageIcon icon) override {
        boxes.push_back({title, text, icon});
    }
    void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) override {
        notices.push_back(text);
        EXPECT_FALSE(confirmation);
        EXPECT_TRUE(closeByItself);
    }
    void handingOver() override { ++handOvers; }
    void requestQuit() override { ++quitRequests; }
    [[noreturn]] void endProcess() override { throw HandedOver{}; }

    std::vector<ShownBox> boxes;
    std::vector<std::string> notices;
    int quitRequests = 0;
    int handOvers = 0;
};

}  // namespace velmora::test
