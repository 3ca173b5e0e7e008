#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/ScriptingBridge.h"
#include "platform/system/SystemCommands.h"

namespace platform {

// The simulated Mac's music players, installed in "/Applications/<name>.app", answering the scripting
// requests and the "osascript" commands the application sends them (the commands are answered here,
// never run). Four kinds of player:
// - PlayerState: property "playerState" ('kPSP' playing, 'kPSp' paused), commands
//   "play", "pause" and "playpause";
// - PlayingFlag: property "playing" (boolean); its script command "play" toggles playing;
// - Documents: elements "documents", each with "playing" (boolean) and "file" (a file URL text) and the
//   commands "play" and "pause"; the application plays while any document plays.
// A silent player answers nothing: every request to it waits out its timeout (in virtual time the clock
// moves on instead).
class SimulatedMusicPlayers : public ScriptingBackend,
                              public SystemCommands::Responder,
                              public std::enable_shared_from_this<SimulatedMusicPlayers> {
public:
    enum class Kind { PlayerState, PlayingFlag, Documents };

    static std::shared_ptr<SimulatedMusicPlayers> create();
    // With the four players of the desktop installed, none running: "iTunes" (PlayerState), "Spotify"
    // (PlayerState), "QuickTime Player" (Documents) and "VLC" (PlayingFlag).
    static std::shared_ptr<SimulatedMusicPlayers> createWithTheFourPlayers();
    // Installs it as the scripting backend (the command responder is installed by whoever owns the
    // chain of responders).
    void install();

    void addPlayer(const std::string& name, const std::string& bundleIdentifier, Kind kind);
    void setRunning(const std::string& name, bool running);
    // PlayerState and PlayingFlag players.
    void setPlaying(const std::string& name, bool playing);
    void setSilent(const std::string& name, bool silent);
    // Documents players: answers the new document's identifier.
    int64_t openDocument(const std::string& name, const std::string& fileURL, bool playing);
    void closeDocument(const std::string& name, int64_t document);
    void setDocumentPlaying(const std::string& name, int64_t document, bool playing);
    std::optional<bool> documentIsPlaying(const std::string& name, int64_t document) const;

    bool isRunning(const std::string& name) const;
    bool isPlaying(const std::string& name) const;
    // Every command taken, in order: "<player>: <command>" (a document's as "<player> document <id>: ...",
    // a script's as "<player> script: ...").
    std::vector<std::string> commandLog() const;
    void clearCommandLog();

    // ScriptingBackend
    std::optional<std::string> bundleIdentifierOfApplicationAtPath(const std::string& path) override;
    std::optional<Value> send(const ScriptingRequest& request, double timeoutSeconds) override;

    // SystemCommands::Responder: "osascript -e 'tell application \"<name>\" to <command>'" through /bin/sh.
    std::optional<Shell::Result> respond(const std::string& path, const std::vector<std::string>& arguments,
                                         const std::string& input) override;

private:
    struct Document {
        int64_t identifier = 0;
        std::string fileURL;
        bool playing = false;
    };
    struct Player {
        std::string name;
        std::string bundleIdentifier;
        Kind kind = Kind::PlayerState;
        bool running = false;
        bool silent = false;
        bool playing = false;
        std::vector<Document> documents;
    };

    SimulatedMusicPlayers() = default;
    Player* playerNamed(const std::string& name);
    const Player* playerNamed(const std::string& name) const;
    Player* playerWithIdentifier(const std::string& bundleIdentifier);
    static bool playing(const Player& player);
    std::optional<Value> answerLocked(Player& player, const ScriptingRequest& request);
    bool commandLocked(Player& player, Document* document, const std::string& command);

    mutable std::mutex mutex_;
    std::vector<Player> players_;
    std::vector<std::string> log_;
    int64_t nextDocument_ = 1;
};

}  // namespace platform
