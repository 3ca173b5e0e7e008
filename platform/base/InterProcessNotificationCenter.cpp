#include "platform/base/InterProcessNotificationCenter.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/ThreadSignalStack.h"
#include "platform/base/ValueJSON.h"

namespace platform {

namespace {

constexpr size_t kMaximumDatagram = 64 * 1024;

bool fillAddress(const std::string& path, sockaddr_un& address) {
    if (path.size() >= sizeof address.sun_path) return false;
    memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool ensureFolder(const std::string& path) {
    // Each level made private; an existing folder is used as it is.
    for (size_t slash = 1; slash != std::string::npos;) {
        slash = path.find('/', slash + 1);
        const std::string part = path.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::atomic<uint64_t> gSocketCounter{0};

}  // namespace

InterProcessNotificationCenter& InterProcessNotificationCenter::defaultCenter() {
    static InterProcessNotificationCenter* center = new InterProcessNotificationCenter();  // lives to the end
    return *center;
}

InterProcessNotificationCenter::~InterProcessNotificationCenter() {
    stopListening();
}

std::string InterProcessNotificationCenter::rendezvousFolder() {
    if (const char* runtime = getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/kestrune-notifications";
    if (const char* state = getenv("XDG_STATE_HOME"); state && *state)
        return std::string(state) + "/Kestrune/notifications";
    const char* home = getenv("HOME");
    return std::string(home ? home : "/tmp") + "/.local/state/Kestrune/notifications";
}

std::string InterProcessNotificationCenter::encodeMessage(const std::string& name, const Value& userInfo) {
    return nlohmann::json{{"name", name}, {"userInfo", JSONFromValue(userInfo)}}.dump(
        -1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::optional<std::pair<std::string, Value>> InterProcessNotificationCenter::decodeMessage(
    const std::string& datagram) {
    nlohmann::json message = nlohmann::json::parse(datagram, nullptr, false);
    if (!message.is_object()) return std::nullopt;
    auto name = message.find("name");
    if (name == message.end() || !name->is_string()) return std::nullopt;
    auto userInfo = message.find("userInfo");
    Value info = userInfo == message.end() ? Value() : valueFromJSON(*userInfo, 32);
    return std::make_pair(name->get<std::string>(), std::move(info));
}

NotificationCenter::Observation InterProcessNotificationCenter::addObserver(
    std::string name, NotificationCenter::Handler handler) {
    {
        std::lock_guard lock(mutex_);
        if (socket_ < 0 && !startListening())
            logf("Inter-process notifications: cannot listen in %s", rendezvousFolder().c_str());
    }
    return local_.addObserver(std::move(name), nullptr, std::move(handler));
}

bool InterProcessNotificationCenter::startListening() {
    const std::string folder = rendezvousFolder();
    if (!ensureFolder(folder)) return false;
    socketPath_ = folder + "/" + std::to_string(getpid()) + "-" + std::to_string(gSocketCounter++) + ".sock";
    sockaddr_un address;
    if (!fillAddress(socketPath_, address)) return false;
    unlink(socketPath_.c_str());
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        pipe2(wake_, O_CLOEXEC) != 0) {
        close(fd);
        return false;
    }
    chmod(socketPath_.c_str(), 0600);
    socket_ = fd;
    thread_ = startThread([this, fd, wake = wake_[0]] { listen(fd, wake); });
    return true;
}

void InterProcessNotificationCenter::listen(int socket, int wake) {
    std::vector<char> buffer(kMaximumDatagram);
    for (;;) {
        pollfd fds[2] = {{socket, POLLIN, 0}, {wake, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        const ssize_t length = recv(socket, buffer.data(), buffer.size(), 0);
        if (length <= 0) continue;
        auto message = decodeMessage(std::string(buffer.data(), static_cast<size_t>(length)));
        if (!message) {
            logf("Inter-process notifications: ignored a datagram that is no notification (%zd bytes)",
                 length);
            continue;
        }
        RunLoop::main().post(
            [this, message = std::move(*message)] { local_.post(message.first, nullptr, message.second); });
    }
}

void InterProcessNotificationCenter::postNotificationName_object_userInfo_deliverImmediately(
    const std::string& name, const Value& userInfo, bool) {
    const std::string folder = rendezvousFolder();
    const std::string datagram = encodeMessage(name, userInfo);
    if (datagram.size() > kMaximumDatagram) {
        logf("Inter-process notifications: %s is too large to send", name.c_str());
        return;
    }
    DIR* directory = opendir(folder.c_str());
    if (!directory) return;  // nobody listens
    std::vector<std::string> sockets;
    while (dirent* entry = readdir(directory)) {
        const std::string file = entry->d_name;
        if (file.size() > 5 && file.compare(file.size() - 5, 5, ".sock") == 0)
            sockets.push_back(folder + "/" + file);
    }
    closedir(directory);
    int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    for (const auto& path : sockets) {
        sockaddr_un address;
        if (!fillAddress(path, address)) continue;
        if (sendto(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&address),
                   sizeof address) < 0 &&
            errno == ECONNREFUSED)
            unlink(path.c_str());  // its process has gone
    }
    close(fd);
}

void InterProcessNotificationCenter::stopListening() {
    std::thread thread;
    {
        std::lock_guard lock(mutex_);
        if (socket_ < 0) return;
        (void)!write(wake_[1], "x", 1);
        thread.swap(thread_);
    }
    if (thread.joinable()) thread.join();
    std::lock_guard lock(mutex_);
    close(socket_);
    close(wake_[0]);
    close(wake_[1]);
    socket_ = wake_[0] = wake_[1] = -1;
    unlink(socketPath_.c_str());
    socketPath_.clear();
}

void InterProcessNotificationCenter::resetForTesting() {
    stopListening();
    local_.removeAllObservers();
}

}  // namespace platform
