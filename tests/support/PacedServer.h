#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace testsupport {

// A bare HTTP server on 127.0.0.1 for clients facing a server that sends too much or too slowly, or
// takes their request slowly. Each connection gets the scripted head at once, then a body of 'x's (or
// of the script's text) written a chunk at a time with a pause between chunks. Writing stops when the
// body is done, when the client goes away or when the server stops; pauses are cut short by stop(), so
// a test never waits on a pause it no longer cares about.
class PacedServer {
public:
    // What the server reads of a connection.
    enum class Reading {
        Head,    // the request up to the end of its head (its body is not needed), then the answer goes out
        None,    // nothing: the answer goes out as soon as the connection is accepted (a TLS client's
                 // hello is never read, let alone answered)
        Slowly,  // the request, chunkLength bytes a pause, for as long as the client sends; no answer
    };
    struct Script {
        // Status line and header fields, each ending in CRLF; the server adds the empty line that ends
        // the head. A head whose last line lacks its CRLF gets just that line's end: the head is left
        // open and the body goes on with it (header lines without end). Empty: nothing goes before the body.
        std::string head;
        uint64_t bodyLength = 0;  // bytes of body in all
        size_t chunkLength = 1;   // bytes per write
        double pauseSeconds = 0;  // real time between two chunks
        Reading reading = Reading::Head;
        std::string bodyText = "x";  // repeated for as long as the body goes on
        // Once the body is out the connection stays open until the client goes away or the server
        // stops: with neither head nor body, a server that accepts and then says nothing.
        bool holdsOpen = false;
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
    void readSlowly(int connection);
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
