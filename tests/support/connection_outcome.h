#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/ftp_client.h"

namespace velmora::test {

// Connects with the client's settings: made when expected is null, else refused with a message that holds expected.
// The refusal's message, empty when the connection was made.
inline std::string expectConnection(FtpClient& ftp, const char* expected) {
    try {
        ftp.connect();
    } catch (const FtpError& error) {
        const std::string message = error.what();
        EXPECT_NE(expected, nullptr) << message;
        if (expected != nullptr) {
            EXPECT_NE(message.find(expected), std::string::npos) << message;
        }
        return message;
    }
    EXPECT_EQ(expected, nullptr);
    return {};
}

}  // namespace velmora::test
