#include "worker_pool.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumenmeta_tool {

namespace {

// For the tool's own tests: a worker handed the file named by this variable
// aborts, as a crash inside Exiv2 would end it.
constexpr const char* kCrashOnVariable = "LUMENMETA_TEST_CRASH_WORKER_ON";
// And one handed a file whose name holds this text never finishes it, as a
// file that takes the library hours would hold it.
constexpr const char* kHangOnVariable = "LUMENMETA_TEST_HANG_WORKER_ON";

using Clock = std::chrono::steady_clock;

bool SendAll(int socket, const char* data, size_t size) {
    while (size > 0) {
        // A worker that died gives EPIPE here, not a SIGPIPE that ends the tool.
        const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// The worker's reading of the file indexes handed to it: whatever the
// socket holds comes in one read, and the indexes are taken from there.
class IndexReader {
public:
    explicit IndexReader(int socket) : socket_(socket) {}
    // The next index; false once the parent has closed the socket.
    bool Next(uint64_t& index) {
        while (filled_ - taken_ < sizeof index) {
            std::memmove(bytes_, bytes_ + taken_, filled_ - taken_);
            filled_ -= taken_;
            taken_ = 0;
            const ssize_t got = read(socket_, bytes_ + filled_, sizeof bytes_ - filled_);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            filled_ += static_cast<size_t>(got);
        }
        std::memcpy(&index, bytes_ + taken_, sizeof index);
        taken_ += sizeof index;
        return true;
    }

private:
    int socket_;
    char bytes_[256];
    size_t filled_ = 0, taken_ = 0;
};

// One file's outcome on the wire: whether it succeeded, where its write
// went, the lengths of its output and of its reason, then their bytes.
struct RecordHead {
    uint64_t ok, went, outputSize, reasonSize;
};

bool SendOutcome(int socket, const FileOutcome& outcome) {
    const RecordHead head{outcome.ok ? 1u : 0u, static_cast<uint64_t>(outcome.went),
                          outcome.output.size(), outcome.reason.size()};
    std::string record(reinterpret_cast<const char*>(&head), sizeof head);
    record += outcome.output;
    record += outcome.reason;
    return SendAll(socket, record.data(), record.size());
}

// What TakeOutcome found at the start of the bytes received.
enum class Taken { kNothing, kOutcome, kDamaged };

// Takes one whole outcome from `bytes` at `used`, moving `used` past it.
Taken TakeOutcome(const std::string& bytes, size_t& used, FileOutcome& outcome) {
    RecordHead head{};
    if (bytes.size() - used < sizeof head) return Taken::kNothing;
    std::memcpy(&head, bytes.data() + used, sizeof head);
    if (head.went > static_cast<uint64_t>(Went::Sidecar)) return Taken::kDamaged;
    const size_t body = bytes.size() - used - sizeof head;
    if (head.outputSize > body || head.reasonSize > body - head.outputSize) return Taken::kNothing;
    const char* at = bytes.data() + used + sizeof head;
    outcome.ok = head.ok != 0;
    outcome.went = static_cast<Went>(head.went);
    outcome.output.assign(at, head.outputSize);
    outcome.reason.assign(at + head.outputSize, head.reasonSize);
    used += sizeof head + head.outputSize + head.reasonSize;
    return Taken::kOutcome;
}

std::string AbnormalEnd(int status) {
    if (WIFSIGNALED(status)) {
        return "the worker ended abnormally (signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    return "the worker ended abnormally (exit status " + std::to_string(WEXITSTATUS(status)) + ")";
}

// Files a worker holds at once: the one it works on, and the next ones,
// already in its socket, so that it goes on without waiting for this
// process to read its answers and hand it more.
constexpr size_t kInFlight = 8;

// How long this process lets answers gather while every worker has files in
// hand: woken once for several files, it takes less of the processors the
// workers run on. Output leaves at most this much later.
constexpr auto kGather = std::chrono::milliseconds(1);

struct Worker {
    pid_t pid = -1;
    int socket = -1;
    std::deque<size_t> files;      // the indexes it holds; it works on the first
    Clock::time_point deadline{};  // when the first one's time is up
    std::string received;          // the start of an outcome not yet whole
};

class Pool {
public:
    Pool(const std::vector<std::string>& files,
         const std::function<FileOutcome(const std::string&)>& guarded,
         const std::function<void(size_t, FileOutcome)>& finished, size_t workers,
         int timeoutSeconds)
        : files_(files),
          guarded_(guarded),
          finished_(finished),
          workers_(workers),
          timeout_(std::chrono::seconds(timeoutSeconds)),
          timeoutSeconds_(timeoutSeconds) {
        const char* crashOn = std::getenv(kCrashOnVariable);
        if (crashOn) crashOn_ = crashOn;
        const char* hangOn = std::getenv(kHangOnVariable);
        if (hangOn) hangOn_ = hangOn;
    }

    ~Pool() {
        for (Worker& worker : workers_) Retire(worker);
        for (pid_t pid : retired_) waitpid(pid, nullptr, 0);
    }

    void Run() {
        // One file to each worker first, then the next to each: the first
        // files are spread over all workers.
        for (Worker& worker : workers_) {
            if (Start(worker)) Fill(worker, 1);
        }
        for (Worker& worker : workers_) {
            if (worker.socket >= 0) Fill(worker);
        }
        std::vector<pollfd> ready;
        std::vector<Worker*> owners;
        for (;;) {
            ready.clear();
            owners.clear();
            for (Worker& worker : workers_) {
                if (worker.files.empty()) continue;
                ready.push_back({worker.socket, POLLIN, 0});
                owners.push_back(&worker);
            }
            if (ready.empty()) break;
            Clock::time_point first = Clock::time_point::max();
            for (const Worker* worker : owners) first = std::min(first, worker->deadline);
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                first - Clock::now() + std::chrono::milliseconds(1));
            const int got = poll(ready.data(), ready.size(),
                                 static_cast<int>(std::clamp<int64_t>(wait.count(), 0, INT32_MAX)));
            if (got < 0) {
                if (errno == EINTR) continue;
                break;
            }
            bool collected = false;
            for (size_t i = 0; i < ready.size(); ++i) {
                if (ready[i].revents != 0) {
                    Collect(*owners[i]);
                    collected = true;
                } else if (Clock::now() >= owners[i]->deadline) {
                    Stop(*owners[i]);
                }
            }
            if (collected && AllHaveFilesWaiting()) std::this_thread::sleep_for(kGather);
        }
        // Only when poll itself failed: the files a worker was on are not
        // heard of again; those it had not begun are done here.
        for (Worker& worker : workers_) {
            if (worker.files.empty()) continue;
            const size_t file = worker.files.front();
            GiveBack(worker);
            Retire(worker);
            finished_(file, FileOutcome::Failed("lost touch with the worker"));
        }
        // Files no worker could be started for.
        while (HasWork()) {
            const size_t file = TakeNext();
            finished_(file, guarded_(files_[file]));
        }
    }

private:
    bool HasWork() const { return !returned_.empty() || next_ < files_.size(); }

    // Whether each worker holds a file beyond the one it is on.
    bool AllHaveFilesWaiting() const {
        return std::all_of(workers_.begin(), workers_.end(),
                           [](const Worker& worker) { return worker.files.size() >= 2; });
    }

    // The next file to hand out: one a lost worker held but had not begun,
    // else the next in order.
    size_t TakeNext() {
        if (!returned_.empty()) {
            const size_t file = returned_.front();
            returned_.pop_front();
            return file;
        }
        return next_++;
    }

    bool Start(Worker& worker) {
        int sockets[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, sockets) != 0) return false;
        // Nothing buffered here may be written twice, once by the child.
        std::fflush(stdout);
        std::fflush(stderr);
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid < 0) {
            close(sockets[0]);
            close(sockets[1]);
            return false;
        }
        if (pid == 0) {
            // A worker ends with the tool, however the tool ends: none is
            // left behind on a file that never finishes.
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) _exit(0);
            close(sockets[0]);
            for (const Worker& other : workers_) {
                if (other.socket >= 0) close(other.socket);
            }
            Serve(sockets[1]);
        }
        close(sockets[1]);
        worker = Worker();
        worker.pid = pid;
        worker.socket = sockets[0];
        return true;
    }

    // The worker's side: take an index, do the file, send its outcome, until
    // the parent closes the socket. The indexes it holds come in one read.
    // It leaves by _exit, so no exit handler or stdio buffer of the parent
    // runs twice.
    [[noreturn]] void Serve(int socket) {
        IndexReader indexes(socket);
        uint64_t index = 0;
        while (indexes.Next(index) && index < files_.size()) {
            if (!crashOn_.empty() && files_[index] == crashOn_) {
                const rlimit noCore{0, 0};
                setrlimit(RLIMIT_CORE, &noCore);
                std::abort();
            }
            while (!hangOn_.empty() && files_[index].find(hangOn_) != std::string::npos) pause();
            if (!SendOutcome(socket, guarded_(files_[index]))) break;
        }
        _exit(0);
    }

    // Hands the worker files until it holds `upTo`, or lets it go when
    // it holds none and none is left. A worker that died meanwhile is found
    // when its answer does not come.
    void Fill(Worker& worker, size_t upTo = kInFlight) {
        uint64_t handed[kInFlight];
        size_t count = 0;
        while (worker.files.size() < upTo && HasWork() && count < kInFlight) {
            const uint64_t index = TakeNext();
            if (worker.files.empty()) worker.deadline = Clock::now() + timeout_;
            worker.files.push_back(index);
            handed[count++] = index;
        }
        if (count > 0) {
            SendAll(worker.socket, reinterpret_cast<const char*>(handed), count * sizeof handed[0]);
        }
        if (worker.files.empty()) Retire(worker);
    }

    // Takes every outcome the worker has sent so far: a worker that finishes
    // files quickly wakes this process once for several.
    void Collect(Worker& worker) {
        bool ended = false;
        char chunk[1 << 16];
        for (;;) {
            const ssize_t got = recv(worker.socket, chunk, sizeof chunk, MSG_DONTWAIT);
            if (got > 0) {
                worker.received.append(chunk, static_cast<size_t>(got));
                // Less than asked for: the socket is empty (an end comes
                // with the next wake).
                if (static_cast<size_t>(got) < sizeof chunk) break;
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
        std::vector<std::pair<size_t, FileOutcome>> done;
        size_t used = 0;
        FileOutcome outcome;
        while (!worker.files.empty()) {
            const Taken taken = TakeOutcome(worker.received, used, outcome);
            if (taken == Taken::kDamaged) ended = true;
            if (taken != Taken::kOutcome) break;
            done.emplace_back(worker.files.front(), std::move(outcome));
            worker.files.pop_front();
            // The next one it holds starts now.
            worker.deadline = Clock::now() + timeout_;
        }
        worker.received.erase(0, used);
        if (!ended) {
            Fill(worker);
        } else if (worker.files.empty()) {
            Retire(worker);
        } else {
            // The worker ended before it answered: its file fails, a new
            // worker takes its place while files are left.
            const size_t file = worker.files.front();
            GiveBack(worker);
            close(worker.socket);
            int status = 0;
            while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
            }
            worker = Worker();
            if (HasWork() && Start(worker)) Fill(worker);
            done.emplace_back(file, FileOutcome::Failed(AbnormalEnd(status)));
        }
        for (auto& [file, result] : done) finished_(file, std::move(result));
    }

    // Kills a worker whose file has taken too long: the file fails, and a
    // new worker takes its place while files are left.
    void Stop(Worker& worker) {
        const size_t file = worker.files.front();
        GiveBack(worker);
        kill(worker.pid, SIGKILL);
        close(worker.socket);
        while (waitpid(worker.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        worker = Worker();
        if (HasWork() && Start(worker)) Fill(worker);
        finished_(file, FileOutcome::Failed("not done after " + std::to_string(timeoutSeconds_) +
                                            " s (--timeout); its worker was stopped"));
    }

    // The files a lost worker held but had not begun go back, first in line.
    void GiveBack(Worker& worker) {
        returned_.insert(returned_.begin(), worker.files.begin() + 1, worker.files.end());
        worker.files.clear();
    }

    // Closes the worker's socket, which ends it; it is waited for at the end.
    void Retire(Worker& worker) {
        if (worker.socket < 0) return;
        close(worker.socket);
        retired_.push_back(worker.pid);
        worker = Worker();
    }

    const std::vector<std::string>& files_;
    const std::function<FileOutcome(const std::string&)>& guarded_;
    const std::function<void(size_t, FileOutcome)>& finished_;
    std::vector<Worker> workers_;
    std::vector<pid_t> retired_;
    std::deque<size_t> returned_;
    Clock::duration timeout_;
    int timeoutSeconds_;
    std::string crashOn_, hangOn_;
    size_t next_ = 0;
};

}  // namespace

void RunInWorkers(const std::vector<std::string>& files, size_t workers, int timeoutSeconds,
                  const std::function<FileOutcome(const std::string&)>& guarded,
                  const std::function<void(size_t, FileOutcome)>& finished) {
    Pool(files, guarded, finished, workers, timeoutSeconds).Run();
}

}  // namespace lumenmeta_tool
