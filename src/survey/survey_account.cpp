#include "survey/survey_account.h"

#include "survey_account_defaults.h"

namespace velmora {

SurveyAccount defaultSurveyAccount() {
    return SurveyAccount{kSurveyFtpHost, kSurveyFtpPort, kSurveyFtpUser, kSurveyFtpPassword};
}

}  // namespace velmora
