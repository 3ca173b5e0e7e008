#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/system/ScriptingBridge.h"

namespace kestrune {

// One music player, reached through its scripting interface by the bundle identifier of the
// application installed as "/Applications/<appName>.app". A player elsewhere, not running or not
// answering counts as not running. The base answers "no player"; each player's class overrides the
// five questions below.
class AbstractMusicController {
public:
    // Player types.
    static constexpr int32_t kTypeNone = 0;
    static constexpr int32_t kTypeITunes = 1;
    static constexpr int32_t kTypeVLC = 2;
    static constexpr int32_t kTypeQuickTime = 3;
    static constexpr int32_t kTypeSpotify = 4;

    virtual ~AbstractMusicController() = default;

    virtual int32_t type() const { return kTypeNone; }
    virtual bool isRunningAndPlaying() { return false; }
    virtual bool playIfRunningAndNotPlaying() { return false; }
    virtual bool pauseIfPlaying() { return false; }
    virtual std::optional<std::string> appName() const { return std::nullopt; }

    std::optional<std::string> bundleIdentifier() const;
    static std::optional<std::string> bundleIdentiferForAppWithName(const std::string& name);
    // Null without a bundle identifier.
    std::shared_ptr<platform::ScriptableApplication> currentApplication() const;
    bool applicationIsRunning() const;
    // Runs "osascript -e 'tell application "<appName>" to <command>'" through the shell; the output and
    // any failure are dropped.
    void tellCurrentAppToExecuteTerminalCommand(const std::string& command) const;

protected:
    // The player state of a playing iTunes or Spotify.
    static constexpr const char* kPlayerStatePlaying = "kPSP";
};

}  // namespace kestrune
