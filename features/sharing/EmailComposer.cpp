#include "features/sharing/EmailComposer.h"

#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/store/DataManager.h"
#include "app/support/Common.h"
#include "app/support/KSUrlManager.h"
#include "app/support/StringAddition.h"
#include "app/support/Utilities.h"
#include "platform/base/Strings.h"

namespace kestrune {

namespace {
constexpr const char* kAsterisks = "***********************************************";
}  // namespace

std::string EmailComposer::mailtoEscaped(const std::string& value) {
    static const char* kHex = "0123456789ABCDEF";
    // "=" too: a reader that splits a field at every "=" would cut the value short.
    static const std::string kReserved = "%&#?=\"<>\\^`{|}";
    std::string out;
    for (unsigned char c : value) {
        if (c > 0x20 && c < 0x7f && kReserved.find(static_cast<char>(c)) == std::string::npos) {
            out += static_cast<char>(c);
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

void EmailComposer::sendSupportEmail() {
    sendEmailWithMail_Address_Subject_Body(kSupportAddress, kSupportAddress, kSupportSubject,
                                           getEmailBodySignature());
}

void EmailComposer::sendFeedbackEmail() {
    sendEmailWithMail_Address_Subject_Body(kContactAddress, kContactAddress, kFeedbackSubject,
                                           getEmailBodySignature());
}

std::string EmailComposer::mailtoURL(const std::string& mail, const std::string& subject,
                                     const std::string& body) {
    // The body's values are escaped where it is built, and its line breaks are already in their escaped
    // form: only the blanks of its own words are left to escape.
    const std::string joined = "mailto:" + mail + "?Subject=" + mailtoEscaped(subject) + "&body=" + body;
    return platform::replaceAll(joined, " ", "%20");
}

void EmailComposer::sendEmailWithMail_Address_Subject_Body(const std::string& mail, const std::string&,
                                                           const std::string& subject,
                                                           const std::string& body) {
    KSUrlManager::openLink(mailtoURL(mail, subject, body));
}

std::string EmailComposer::newLines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += newLine();
    return lines;
}

std::string EmailComposer::getEmailBodySignature() {
    return newLines(3) + kAsterisks + newLines(2) + "Kestrune OSX Version " +
           mailtoEscaped(Common::getAppVersion()) + newLine() + "OSX " +
           mailtoEscaped(Utilities::systemVersionOSX()) + newLine() +
           "Device: " + mailtoEscaped(Utilities::machineModel()) + newLine() + mobileDeviceBody();
}

std::string EmailComposer::mobileDeviceBody() {
    auto& data = DataManager::shared();
    auto phone = data.getTrackingMobileDevice();
    if (!phone || !phone->unId() || !phone->mobileDeviceInfo() || !phone->mobileDeviceInfo()->deviceType())
        return "";
    std::string body =
        "---" + newLine() + "iOS Device: " + mailtoEscaped(*phone->mobileDeviceInfo()->deviceType());
    auto settings = data.settingsForDeviceId(phone->unId());
    auto preferences = settings ? settings->iOSSettings() : nullptr;
    if (preferences && preferences->iOSSystemVersion())
        body += newLine() + "iOS: " + mailtoEscaped(*preferences->iOSSystemVersion());
    if (preferences && preferences->iOSVersion())
        body += newLine() + "Kestrune iOS Version " + mailtoEscaped(*preferences->iOSVersion());
    return body + newLine();
}

}  // namespace kestrune
