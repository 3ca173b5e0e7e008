#include "tests/support/PacedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
    // The request is read up to the end of its head; whatever body it has is not needed.
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) return;
        request.append(buffer, static_cast<size_t>(got));
    }
    const std::string head = script_.head + "\r\n";
    if (send(connection, head.data(), head.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(head.size())) return;
    const std::string chunk(script_.chunkLength, 'x');
    for (uint64_t sent = 0; sent < script_.bodyLength;) {
        if (sent > 0 && !pause()) return;
        const size_t length =
            static_cast<size_t>(std::min<uint64_t>(chunk.size(), script_.bodyLength - sent));
        const ssize_t put = send(connection, chunk.data(), length, MSG_NOSIGNAL);
        if (put <= 0) return;  // the client has gone
        sent += static_cast<uint64_t>(put);
        written_ += static_cast<uint64_t>(put);
    }
}

}  // namespace testsupport
