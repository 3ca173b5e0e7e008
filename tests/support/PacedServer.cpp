#include "tests/support/PacedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace testsupport {

PacedServer::PacedServer(Script script) : script_(std::move(script)) {}

PacedServer::~PacedServer() {
    stop();
}

bool PacedServer::start() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(listener_);
        listener_ = -1;
        return false;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
    return true;
}

void PacedServer::stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        stopped_ = true;
    }
    stopping_.notify_all();
    if (listener_ >= 0) shutdown(listener_, SHUT_RDWR);  // wakes the accepting poll
    {
        std::lock_guard lock(mutex_);
        if (active_ >= 0) shutdown(active_, SHUT_RDWR);  // ends a read or write that waits on the client
    }
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
}

std::string PacedServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

bool PacedServer::pause() {
    std::unique_lock lock(mutex_);
    if (script_.pauseSeconds > 0)
        stopping_.wait_for(lock, std::chrono::duration<double>(script_.pauseSeconds),
                           [&] { return stopped_; });
    return !stopped_;
}

void PacedServer::serve() {
    for (;;) {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, -1) < 0) continue;
        {
            std::lock_guard lock(mutex_);
            if (stopped_) return;
        }
        const int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        {
            std::lock_guard lock(mutex_);
            active_ = stopped_ ? -1 : connection;
        }
        if (active_ >= 0) answer(connection);
        {
            std::lock_guard lock(mutex_);
            active_ = -1;
        }
        close(connection);
    }
}

void PacedServer::answer(int connection) {
    if (script_.reading == Reading::Slowly) {
        readSlowly(connection);
        return;
    }
    char buffer[4096];
    if (script_.reading == Reading::Head) {
        // The request is read up to the end of its head; whatever body it has is not needed.
        std::string request;
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            request.append(buffer, static_cast<size_t>(got));
        }
    }
    if (!script_.head.empty()) {
        const std::string head = script_.head + "\r\n";
        if (send(connection, head.data(), head.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(head.size()))
            return;
    }
    // The body's text repeated far enough that a chunk may start anywhere in it.
    const std::string unit = script_.bodyText.empty() ? std::string("x") : script_.bodyText;
    std::string text;
    while (text.size() < script_.chunkLength + unit.size()) text += unit;
    for (uint64_t sent = 0; sent < script_.bodyLength;) {
        if (sent > 0 && !pause()) return;
        const size_t length =
            static_cast<size_t>(std::min<uint64_t>(script_.chunkLength, script_.bodyLength - sent));
        const ssize_t put = send(connection, text.data() + sent % unit.size(), length, MSG_NOSIGNAL);
        if (put <= 0) return;  // the client has gone
        sent += static_cast<uint64_t>(put);
        written_ += static_cast<uint64_t>(put);
    }
    if (!script_.holdsOpen) return;
    // What the client still sends is let go; the connection ends when the client closes it or stop()
    // shuts it down.
    while (recv(connection, buffer, sizeof buffer, 0) > 0) {
    }
}

void PacedServer::readSlowly(int connection) {
    std::string buffer(std::max<size_t>(script_.chunkLength, 1), '\0');
    while (recv(connection, buffer.data(), buffer.size(), 0) > 0) {
        if (!pause()) return;
    }
}

}  // namespace testsupport
