// Custom events from their producers to lines on disk, with rotation, compression and packaging on and
// uploads to a loopback server that answers 202: the cost of the analytics kit's event pipeline. The
// target is at least 20,000 events a second from one producer; four producers show the contention on
// the one serial queue.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Value.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/core/OperationQueue.h"

namespace {

// A plain HTTP server on 127.0.0.1 that reads each request (headers and Content-Length bytes) and
// answers 202 with no body, one connection at a time.
class AcceptingServer {
public:
    AcceptingServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(fd_, 64);
        thread_ = std::thread([this] { serve(); });
    }
    ~AcceptingServer() {
        stopping_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/spi/v2/events"; }
    size_t requests() const { return requests_.load(); }

private:
    void serve() {
        while (!stopping_) {
            const int client = ::accept(fd_, nullptr, nullptr);
            if (client < 0) continue;
            std::string buffer;
            char chunk[65536];
            while (true) {
                const size_t end = buffer.find("\r\n\r\n");
                if (end != std::string::npos) {
                    size_t length = 0;
                    const size_t at = buffer.find("Content-Length: ");
                    if (at != std::string::npos && at < end) length = std::stoul(buffer.substr(at + 16));
                    if (buffer.size() >= end + 4 + length) {
                        buffer.erase(0, end + 4 + length);
                        ++requests_;
                        const char* answer = "HTTP/1.1 202 Accepted\r\nContent-Length: 0\r\n\r\n";
                        if (::write(client, answer, std::strlen(answer)) < 0) break;
                        continue;
                    }
                }
                const ssize_t got = ::read(client, chunk, sizeof chunk);
                if (got <= 0) break;
                buffer.append(chunk, static_cast<size_t>(got));
            }
            ::close(client);
        }
    }
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> requests_{0};
    std::thread thread_;
};

std::string makeHome() {
    char pattern[] = "/tmp/kestrune-usage-bench-XXXXXX";
    std::string home = ::mkdtemp(pattern);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
    return home;
}

void BM_CustomEventsToDisk(benchmark::State& state) {
    const std::string home = makeHome();
    AcceptingServer server;
    auto controller =
        reporting::USKUsageKitController::controllerWithBetaToken_rootDirectory(std::nullopt, home + "/root");
    controller->initializeSettingsIfNeededWithReportKitSettings(platform::Value::Dictionary{
        {"analytics", platform::Value::Dictionary{{"url", platform::Value(server.url())}}}});
    controller->eventQueue()->waitUntilAllOperationsAreFinished();

    const int producers = static_cast<int>(state.range(0));
    constexpr int kBatch = 2000;  // events per iteration, shared among the producers
    for (auto _ : state) {
        std::vector<std::thread> threads;
        for (int p = 0; p < producers; ++p) {
            threads.emplace_back([&, p] {
                for (int i = p; i < kBatch; i += producers) {
                    controller->logEvent(std::make_shared<reporting::USKCustomEvent>(
                        "bench", platform::Value::Dictionary{{"i", platform::Value(i)},
                                                             {"screen", platform::Value("main")}}));
                }
            });
        }
        for (auto& t : threads) t.join();
        // Timed until every line is on disk and every rotated log compressed and packaged.
        controller->eventQueue()->waitUntilAllOperationsAreFinished();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    state.counters["uploads"] = static_cast<double>(server.requests());
    controller.reset();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
}

}  // namespace

BENCHMARK(BM_CustomEventsToDisk)
    ->ArgName("producers")
    ->Arg(1)
    ->Arg(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
