#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

// A bare HTTP server on 127.0.0.1 for clients facing a server that sends too much or too slowly. Each
// connection gets the scripted head at once, then a body of 'x's written a chunk at a time with a pause
// between chunks. Writing stops when the body is done, when the client goes away or when the server
// stops; pauses are cut short by stop(), so a test never waits on a pause it no longer cares about.
class PacedServer {
public:
    struct Script {
        std::string head;         // status line and header fields, each ending in CRLF
        uint64_t bodyLength = 0;  // bytes of body in all
        size_t chunkLength = 1;   // bytes per write
        double pauseSeconds = 0;  // real time between two chunks
    };

    explicit PacedServer(Script script);
    ~PacedServer();
    PacedServer(const PacedServer&) = delete;
    PacedServer& operator=(const PacedServer&) = delete;

    // False when no port could be bound.
    bool start();
    void stop();

    std::string url(const std::string& path) const;
    // Body bytes the connections have written so far (taken by the socket, not necessarily read).
    uint64_t bodyBytesWritten() const { return written_.load(); }

private:
    void serve();
    void answer(int connection);
    bool pause();

    const Script script_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<uint64_t> written_{0};
    std::mutex mutex_;
    std::condition_variable stopping_;
    bool stopped_ = false;
    int active_ = -1;  // the connection being answered
};

}  // namespace testsupport
