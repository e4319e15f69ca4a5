#pragma once

#include <string>

namespace velmora {

// The maker's FTP account that receives the survey answers. The program's own values are fixed when it is
// built (SURVEY_FTP_HOST, SURVEY_FTP_PORT, SURVEY_FTP_USER, SURVEY_FTP_PASSWORD); tests bring their own server.
struct SurveyAccount {
    std::string host;
    int port = 21;
    std::string user;
    std::string password;
};

// The account this build was configured with.
SurveyAccount defaultSurveyAccount();

}  // namespace velmora
