#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

// Properties whose setters announce each change under the property's name, so that others can follow
// them (and bind their own properties to them).
class PropertyObservers {
public:
    using Observer = std::function<void(const std::string& key)>;

    // Answers an identifier for removing the observer.
    uint64_t addObserver(Observer observer);
    void removeObserver(uint64_t identifier);

protected:
    ~PropertyObservers() = default;
    void didChangeValueForKey(const std::string& key);

private:
    std::vector<std::pair<uint64_t, Observer>> observers_;
    uint64_t next_ = 1;
};

}  // namespace kestrune
