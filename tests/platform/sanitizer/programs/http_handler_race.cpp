// A race the thread sanitizer must report under the project's suppressions: our request handler, run on
// a worker thread of the packaged cpp-httplib server, writes a counter that a reader thread of ours
// reads without a lock. A suppression naming the library as a whole hides it, since the handler's stack
// passes through the library's dispatch.
#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {
int requestsHandled;
std::atomic<bool> handled{false};
}  // namespace

// Named, so that the test finds the racing write in the report.
extern "C" __attribute__((noinline)) void kestruneRaceCountRequest() {
    requestsHandled += 1;
}

int main() {
    httplib::Server server;
    server.Get("/ping", [](const httplib::Request&, httplib::Response& response) {
        kestruneRaceCountRequest();
        handled.store(true, std::memory_order_relaxed);
        response.set_content("pong", "text/plain");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        fprintf(stderr, "cannot bind a port on 127.0.0.1\n");
        return 2;
    }
    std::thread serving([&] { server.listen_after_bind(); });
    // The flag is relaxed, so it orders nothing for the sanitizer: the reader waits for the handler only
    // so that the race is there on every run.
    std::thread reader([] {
        while (!handled.load(std::memory_order_relaxed)) {
        }
        printf("requests handled: %d\n", requestsHandled);
    });
    httplib::Client client("127.0.0.1", port);
    const auto result = client.Get("/ping");
    if (!result) handled.store(true, std::memory_order_relaxed);  // the reader must not wait forever
    reader.join();
    server.stop();
    serving.join();
    return result && result->status == 200 ? 0 : 2;
}
