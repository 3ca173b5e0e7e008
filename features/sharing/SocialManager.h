#pragma once

namespace kestrune {

// Recommending the application: the product's share pages, opened in the browser.
class SocialManager {
public:
    static void shareOnFacebook();
    static void shareOnTwitter();
};

}  // namespace kestrune
