#pragma once

#include <string>

namespace kestrune {

// The support and feedback e-mails: a mailto address with the subject and a diagnostic body (this
// application's and system's versions, the Mac's model, the tracked phone's model and versions),
// opened in the user's mail application.
class EmailComposer {
public:
    static constexpr const char* kSupportAddress = "support@kestrune.com";
    static constexpr const char* kContactAddress = "contact@kestrune.com";
    static constexpr const char* kSupportSubject = "Kestrune OSX Issues";
    static constexpr const char* kFeedbackSubject = "Kestrune OSX Feedback";

    static void sendSupportEmail();
    static void sendFeedbackEmail();
    // The address is given twice, as the mail application's callers always did; the first is used.
    static void sendEmailWithMail_Address_Subject_Body(const std::string& mail, const std::string& address,
                                                       const std::string& subject, const std::string& body);
    // The whole address that sendEmailWithMail_Address_Subject_Body opens.
    static std::string mailtoURL(const std::string& mail, const std::string& subject,
                                 const std::string& body);
    static std::string getEmailBodySignature();
    static std::string newLines(int count);
    static std::string mobileDeviceBody();
    // A value as it may stand inside a mailto address: "%", "&", "#", "?", "=", the characters no address
    // may hold, controls and everything beyond ASCII (as UTF-8 bytes) percent-encoded, blanks as "%20".
    static std::string mailtoEscaped(const std::string& value);
};

}  // namespace kestrune
