#pragma once

namespace kestrune {

class NotSupportedViewController;

// Hears the not-supported page's quit button.
class NotSupportedViewControllerDelegate {
public:
    virtual ~NotSupportedViewControllerDelegate() = default;
    virtual void notSupportedViewControllerDidSelectQuit(NotSupportedViewController& page) = 0;
};

}  // namespace kestrune
