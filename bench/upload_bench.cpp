// HTTPS uploads: the processor time a client spends per upload, 200 uploads in a row to a loopback TLS
// server, each on a new connection as the kits' uploads go. The client is a process of its own (this
// program, started with --upload-client), so that only its time is counted, not the server's: user and
// system time of all its threads, from before its first upload to after its last, divided by their number.
//
// BM_PinnedUploads judges the server's chain as the kits' pinning does, by a root of its own alone;
// BM_UploadsLeftToTheSystem leaves it to the system's roots, which do not know the test root, so every
// handshake is refused once the system has been asked. BM_UploadsLeftToTheSystemBesideAFolderOfRoots does
// the same with SSL_CERT_DIR naming a folder of 2,000 distinct roots (made with one key, none the test
// root's), and BM_FirstUploadLeftToTheSystem/N gives the processor time of a client's one upload, the
// reading of the system's roots with it, beside a folder of N such roots (0: the system's own folder);
// ...WithABundleOfRoots/N the same with SSL_CERT_FILE naming a bundle of N such roots (30,000 come to
// some 16 MB, the most a bundle may hold).
//
// Set KESTRUNE_BASELINE_BINARY to another build's kestrune, as for the first-window benchmark (this
// benchmark is then taken from that build's bench folder), or to this benchmark built from another commit
// (the last one's, say; copy this file into that checkout's bench/ when it has none), and each iteration
// runs both clients, in turns, against the same server, so that the machine's load falls on both alike:
// the counters give the baseline's median and the ratio of the medians.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/URLConnection.h"
#include "platform/net/URLConnectionDelegate.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTCertificatePinner.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestRoots.h"

extern char** environ;

namespace {

constexpr int kUploads = 200;
constexpr size_t kBodyBytes = 16 * 1024;  // about a crash report

double processorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One upload's end, waited for on the thread that started it; the transfer runs on a worker.
class Upload : public platform::URLConnectionDelegate {
public:
    explicit Upload(const reporting::RKTCertificatePinner* pinner) : pinner_(pinner) {}

    platform::AuthChallengeDisposition connection_didReceiveServerTrust(
        platform::URLConnection&, const platform::ServerTrust& trust) override {
        if (!pinner_) return platform::AuthChallengeDisposition::PerformDefaultHandling;
        auto answer = platform::AuthChallengeDisposition::CancelChallenge;
        pinner_->handleChallenge_fromURLSession_completionHandler(
            trust, nullptr, [&](platform::AuthChallengeDisposition given) { answer = given; });
        return answer;
    }
    void connection_didReceiveResponse(platform::URLConnection&,
                                       const platform::HTTPURLResponse& r) override {
        status_ = r.statusCode();
    }
    void connectionDidFinishLoading(platform::URLConnection&) override { end(true); }
    void connection_didFailWithError(platform::URLConnection&, const platform::Error&) override {
        end(false);
    }

    // Whether the server answered 200.
    bool wait() {
        std::unique_lock lock(mutex_);
        ended_.wait(lock, [&] { return done_; });
        return succeeded_ && status_ == 200;
    }

private:
    void end(bool succeeded) {
        std::lock_guard lock(mutex_);
        done_ = true;
        succeeded_ = succeeded;
        ended_.notify_all();
    }

    const reporting::RKTCertificatePinner* pinner_;
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    bool succeeded_ = false;
    int status_ = 0;
};

// The client: uploads to `url`, judging the chain by the root in `anchorPath` (DER), or leaving it to
// the system when that is "-". Prints its processor seconds for all uploads; fails when one did not end
// as expected (answered, or refused when left to the system).
int runClient(const std::string& url, int count, const std::string& anchorPath) {
    std::optional<reporting::RKTCertificatePinner> pinner;
    if (anchorPath != "-") {
        const auto anchor = platform::Files::read(anchorPath);
        if (!anchor) return 2;
        pinner.emplace(std::vector<platform::Data>{*anchor});
    }
    std::string body(kBodyBytes, 'x');
    const double start = processorSeconds();
    for (int i = 0; i < count; ++i) {
        platform::URLRequest request(url, 10);
        request.setHTTPMethod("POST");
        request.setValue_forHTTPHeaderField("application/octet-stream", "Content-Type");
        request.setHTTPBody(platform::Data::fromString(body));
        auto upload = std::make_shared<Upload>(pinner ? &*pinner : nullptr);
        platform::URLConnection::connectionWithRequest(std::move(request), upload)->start();
        if (upload->wait() != static_cast<bool>(pinner)) return 1;
    }
    printf("%.6f\n", processorSeconds() - start);
    return 0;
}

// Runs a client binary to the end; its processor milliseconds per upload, or none when it failed.
std::optional<double> clientMsPerUpload(const std::string& binary, const std::string& url,
                                        const std::string& anchorPath, int uploads) {
    int fds[2];
    if (pipe(fds) != 0) return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string path = binary, mode = "--upload-client", address = url, count = std::to_string(uploads),
                anchor = anchorPath;
    char* argv[] = {path.data(), mode.data(), address.data(), count.data(), anchor.data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; spawned == 0 && (n = read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
    close(fds[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return std::strtod(out.c_str(), nullptr) * 1000 / uploads;
}

// Distinct roots (none the test root's) that the clients started while this lives find through
// SSL_CERT_DIR, a certificate folder of them in place of the system's, or SSL_CERT_FILE, a bundle of
// them in place of the system's; none for no roots.
class ExtraRoots {
public:
    enum Kind { Folder, Bundle };
    ExtraRoots(size_t count, Kind kind) : variable_(kind == Folder ? "SSL_CERT_DIR" : "SSL_CERT_FILE") {
        if (count == 0) return;
        char pattern[] = "/tmp/kestrune-upload-bench-roots-XXXXXX";
        if (!mkdtemp(pattern)) return;
        path_ = pattern;
        const auto roots = testsupport::TestRoots::distinct(count, "Upload Bench Decoy Root");
        std::string named = path_;
        if (kind == Folder) {
            for (const auto& root : roots)
                if (testsupport::TestRoots::addToFolder(path_, root).empty()) return;
        } else {
            std::string text;
            for (const auto& root : roots) text += root.pem;
            named = path_ + "/roots.pem";
            if (!platform::Files::writeAtomically(named, platform::Data::fromString(text))) return;
        }
        if (const char* set = std::getenv(variable_)) saved_ = set;
        ready_ = setenv(variable_, named.c_str(), 1) == 0;
    }
    ~ExtraRoots() {
        if (ready_) saved_ ? setenv(variable_, saved_->c_str(), 1) : unsetenv(variable_);
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    bool ready() const { return ready_ || path_.empty(); }

private:
    const char* variable_;
    std::string path_;
    std::optional<std::string> saved_;
    bool ready_ = false;
};

// The baseline's client, when one is named.
std::optional<std::string> baselineClient() {
    const char* named = std::getenv("KESTRUNE_BASELINE_BINARY");
    if (!named || !*named) return std::nullopt;
    const std::filesystem::path path(named);
    if (path.filename() == "upload_bench") return path.string();
    return (path.parent_path() / "bench" / "upload_bench").string();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void measureUploads(benchmark::State& state, bool pinned, int uploads = kUploads, size_t extraRoots = 0,
                    ExtraRoots::Kind kind = ExtraRoots::Folder) {
    char pattern[] = "/tmp/kestrune-upload-bench-XXXXXX";
    const char* folder = mkdtemp(pattern);
    const auto root = testsupport::LoopbackServer::makeRootAuthority("Upload Bench Root");
    const auto identity =
        folder && root ? testsupport::LoopbackServer::makeIdentitySignedBy(*root, folder) : std::nullopt;
    const std::string anchorPath = folder ? std::string(folder) + "/root.der" : "";
    testsupport::LoopbackServer server;
    const ExtraRoots roots(extraRoots, kind);
    if (!identity || !platform::Files::writeAtomically(anchorPath, root->certificateDER) ||
        !server.startTLS(*identity) || !roots.ready()) {
        state.SkipWithError("the loopback TLS server could not be set up");
        return;
    }
    const std::string url = server.url("/upload");
    const std::string own = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto baselineBinary = baselineClient();
    const bool compare = baselineBinary.has_value();
    const std::string anchor = pinned ? anchorPath : "-";
    std::vector<double> ours, baseline;
    bool baselineFirst = false;
    for (auto _ : state) {
        std::optional<double> other;
        if (compare && baselineFirst) other = clientMsPerUpload(*baselineBinary, url, anchor, uploads);
        const auto mine = clientMsPerUpload(own, url, anchor, uploads);
        if (compare && !baselineFirst) other = clientMsPerUpload(*baselineBinary, url, anchor, uploads);
        baselineFirst = !baselineFirst;
        if (!mine || (compare && !other)) {
            const std::string failed = !mine ? own : *baselineBinary;
            state.SkipWithError((failed + ": its uploads did not all end as expected").c_str());
            break;
        }
        state.SetIterationTime(*mine / 1000);
        ours.push_back(*mine);
        if (other) baseline.push_back(*other);
    }
    server.stop();
    std::error_code ignored;
    if (folder) std::filesystem::remove_all(folder, ignored);
    state.counters["cpu_ms_per_upload"] = median(ours);
    if (compare && !baseline.empty()) {
        state.counters["baseline_cpu_ms_per_upload"] = median(baseline);
        state.counters["ratio"] = median(ours) / median(baseline);
    }
}

void BM_PinnedUploads(benchmark::State& state) {
    measureUploads(state, true);
}
BENCHMARK(BM_PinnedUploads)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_UploadsLeftToTheSystem(benchmark::State& state) {
    measureUploads(state, false);
}
BENCHMARK(BM_UploadsLeftToTheSystem)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_UploadsLeftToTheSystemBesideAFolderOfRoots(benchmark::State& state) {
    measureUploads(state, false, kUploads, 2000);
}
BENCHMARK(BM_UploadsLeftToTheSystemBesideAFolderOfRoots)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_FirstUploadLeftToTheSystem(benchmark::State& state) {
    measureUploads(state, false, 1, static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_FirstUploadLeftToTheSystem)
    ->Arg(0)
    ->Arg(5000)
    ->Arg(20000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_FirstUploadLeftToTheSystemWithABundleOfRoots(benchmark::State& state) {
    measureUploads(state, false, 1, static_cast<size_t>(state.range(0)), ExtraRoots::Bundle);
}
BENCHMARK(BM_FirstUploadLeftToTheSystemWithABundleOfRoots)
    ->Arg(5000)
    ->Arg(30000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--upload-client") == 0)
        return runClient(argv[2], std::atoi(argv[3]), argv[4]);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
