#include "platform/sim/music/SimulatedMusicPlayers.h"

#include "platform/base/Strings.h"
#include "platform/system/ThreadPause.h"

namespace platform {

namespace {
constexpr const char* kPlaying = "kPSP";
constexpr const char* kPaused = "kPSp";

Shell::Result playerAnswered(std::string output, int status = 0, std::string error = {}) {
    Shell::Result result;
    result.launched = true;
    result.exitStatus = status;
    result.output = std::move(output);
    result.errorOutput = std::move(error);
    return result;
}
}  // namespace

std::shared_ptr<SimulatedMusicPlayers> SimulatedMusicPlayers::create() {
    return std::shared_ptr<SimulatedMusicPlayers>(new SimulatedMusicPlayers());
}

std::shared_ptr<SimulatedMusicPlayers> SimulatedMusicPlayers::createWithTheFourPlayers() {
    auto players = create();
    players->addPlayer("iTunes", "com.apple.iTunes", Kind::PlayerState);
    players->addPlayer("Spotify", "com.spotify.client", Kind::PlayerState);
    players->addPlayer("QuickTime Player", "com.apple.QuickTimePlayerX", Kind::Documents);
    players->addPlayer("VLC", "org.videolan.vlc", Kind::PlayingFlag);
    return players;
}

void SimulatedMusicPlayers::install() {
    ScriptingBackend::install(shared_from_this());
}

SimulatedMusicPlayers::Player* SimulatedMusicPlayers::playerNamed(const std::string& name) {
    for (auto& player : players_)
        if (player.name == name) return &player;
    return nullptr;
}

const SimulatedMusicPlayers::Player* SimulatedMusicPlayers::playerNamed(const std::string& name) const {
    for (const auto& player : players_)
        if (player.name == name) return &player;
    return nullptr;
}

SimulatedMusicPlayers::Player* SimulatedMusicPlayers::playerWithIdentifier(
    const std::string& bundleIdentifier) {
    for (auto& player : players_)
        if (player.bundleIdentifier == bundleIdentifier) return &player;
    return nullptr;
}

bool SimulatedMusicPlayers::playing(const Player& player) {
    if (!player.running) return false;
    if (player.kind != Kind::Documents) return player.playing;
    for (const auto& document : player.documents)
        if (document.playing) return true;
    return false;
}

void SimulatedMusicPlayers::addPlayer(const std::string& name, const std::string& bundleIdentifier,
                                      Kind kind) {
    std::lock_guard lock(mutex_);
    Player player;
    player.name = name;
    player.bundleIdentifier = bundleIdentifier;
    player.kind = kind;
    players_.push_back(std::move(player));
}

void SimulatedMusicPlayers::setRunning(const std::string& name, bool running) {
    std::lock_guard lock(mutex_);
    if (auto* player = playerNamed(name)) {
        player->running = running;
        if (!running) {
            player->playing = false;
            player->documents.clear();
        }
    }
}

void SimulatedMusicPlayers::setPlaying(const std::string& name, bool playing) {
    std::lock_guard lock(mutex_);
    if (auto* player = playerNamed(name)) {
        if (playing) player->running = true;
        player->playing = playing;
    }
}

void SimulatedMusicPlayers::setSilent(const std::string& name, bool silent) {
    std::lock_guard lock(mutex_);
    if (auto* player = playerNamed(name)) player->silent = silent;
}

int64_t SimulatedMusicPlayers::openDocument(const std::string& name, const std::string& fileURL,
                                            bool playing) {
    std::lock_guard lock(mutex_);
    auto* player = playerNamed(name);
    if (!player) return 0;
    player->running = true;
    player->documents.push_back({nextDocument_, fileURL, playing});
    return nextDocument_++;
}

void SimulatedMusicPlayers::closeDocument(const std::string& name, int64_t document) {
    std::lock_guard lock(mutex_);
    if (auto* player = playerNamed(name))
        std::erase_if(player->documents, [&](const Document& d) { return d.identifier == document; });
}

void SimulatedMusicPlayers::setDocumentPlaying(const std::string& name, int64_t document, bool playing) {
    std::lock_guard lock(mutex_);
    if (auto* player = playerNamed(name))
        for (auto& d : player->documents)
            if (d.identifier == document) d.playing = playing;
}

std::optional<bool> SimulatedMusicPlayers::documentIsPlaying(const std::string& name,
                                                             int64_t document) const {
    std::lock_guard lock(mutex_);
    if (const auto* player = playerNamed(name))
        for (const auto& d : player->documents)
            if (d.identifier == document) return d.playing;
    return std::nullopt;
}

bool SimulatedMusicPlayers::isRunning(const std::string& name) const {
    std::lock_guard lock(mutex_);
    const auto* player = playerNamed(name);
    return player && player->running;
}

bool SimulatedMusicPlayers::isPlaying(const std::string& name) const {
    std::lock_guard lock(mutex_);
    const auto* player = playerNamed(name);
    return player && playing(*player);
}

std::vector<std::string> SimulatedMusicPlayers::commandLog() const {
    std::lock_guard lock(mutex_);
    return log_;
}

void SimulatedMusicPlayers::clearCommandLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

std::optional<std::string> SimulatedMusicPlayers::bundleIdentifierOfApplicationAtPath(
    const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& player : players_)
        if (path == "/Applications/" + player.name + ".app") return player.bundleIdentifier;
    return std::nullopt;
}

std::optional<Value> SimulatedMusicPlayers::send(const ScriptingRequest& request, double timeoutSeconds) {
    {
        std::lock_guard lock(mutex_);
        Player* player = playerWithIdentifier(request.bundleIdentifier);
        if (!player) {
            // No such application: it neither runs nor has anything to say.
            if (request.kind == ScriptingRequest::Kind::IsRunning) return Value(false);
            return Value();
        }
        if (!player->silent) return answerLocked(*player, request);
    }
    sleepForTimeInterval(timeoutSeconds);
    return std::nullopt;
}

std::optional<Value> SimulatedMusicPlayers::answerLocked(Player& player, const ScriptingRequest& request) {
    using RequestKind = ScriptingRequest::Kind;
    if (request.kind == RequestKind::IsRunning) return Value(player.running);
    // Anything else is asked of a running player only; the scripting layer would start it otherwise.
    if (!player.running) return Value();

    Document* document = nullptr;
    if (!request.object.empty()) {
        if (player.kind != Kind::Documents || request.object.size() != 1 ||
            request.object[0].kind != "documents")
            return Value();
        for (auto& d : player.documents)
            if (d.identifier == request.object[0].identifier) document = &d;
        if (!document) return Value();  // closed since it was listed
    }

    switch (request.kind) {
        case RequestKind::IsRunning:
            break;
        case RequestKind::GetProperty:
            if (document) {
                if (request.name == "playing") return Value(document->playing);
                if (request.name == "file") return Value(document->fileURL);
                return Value();
            }
            if (player.kind == Kind::PlayerState && request.name == "playerState")
                return Value(player.playing ? kPlaying : kPaused);
            if (player.kind == Kind::PlayingFlag && request.name == "playing") return Value(player.playing);
            return Value();
        case RequestKind::SendCommand:
            return Value(commandLocked(player, document, request.name));
        case RequestKind::ListElements: {
            Value::Array ids;
            if (player.kind == Kind::Documents && request.name == "documents" && !document)
                for (const auto& d : player.documents) ids.emplace_back(static_cast<long long>(d.identifier));
            return Value(std::move(ids));
        }
    }
    return Value();
}

bool SimulatedMusicPlayers::commandLocked(Player& player, Document* document, const std::string& command) {
    bool taken = false;
    if (document) {
        if (command == "play" || command == "pause") {
            document->playing = command == "play";
            taken = true;
        }
    } else if (player.kind == Kind::PlayerState) {
        if (command == "play" || command == "pause" || command == "playpause") {
            player.playing = command == "playpause" ? !player.playing : command == "play";
            taken = true;
        }
    }
    if (taken)
        log_.push_back(document ? format("%s document %lld: %s", player.name.c_str(),
                                         static_cast<long long>(document->identifier), command.c_str())
                                : player.name + ": " + command);
    return taken;
}

std::optional<Shell::Result> SimulatedMusicPlayers::respond(const std::string& path,
                                                            const std::vector<std::string>& arguments,
                                                            const std::string&) {
    if (path != "/bin/sh" || arguments.size() != 2 || arguments[0] != "-c") return std::nullopt;
    static const std::string kPrefix = "osascript -e 'tell application \"";
    const std::string& line = arguments[1];
    if (!hasPrefix(line, kPrefix)) return std::nullopt;
    const size_t nameEnd = line.find("\" to ", kPrefix.size());
    if (nameEnd == std::string::npos || line.back() != '\'') return std::nullopt;
    const std::string name = line.substr(kPrefix.size(), nameEnd - kPrefix.size());
    const std::string command = line.substr(nameEnd + 5, line.size() - nameEnd - 6);

    std::lock_guard lock(mutex_);
    Player* player = playerNamed(name);
    if (!player) return std::nullopt;  // another application's script: not ours to answer
    if (!player->running)
        return playerAnswered("", 1,
                        "execution error: " + name + " got an error: Application isn't running. (-600)\n");
    log_.push_back(name + " script: " + command);
    if (player->kind == Kind::PlayingFlag && command == "play") player->playing = !player->playing;
    return playerAnswered("");
}

}  // namespace platform
