#include "worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <poll.h>
#include <sys/mman.h>
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

// For the tool's own tests: a worker that takes the file named by this
// variable aborts, as a crash inside Exiv2 would end it.
constexpr const char* kCrashOnVariable = "LUMENMETA_TEST_CRASH_WORKER_ON";
// And one that takes a file whose name holds this text never finishes it, as
// a file that takes the library hours would hold it.
constexpr const char* kHangOnVariable = "LUMENMETA_TEST_HANG_WORKER_ON";

using Clock = std::chrono::steady_clock;

static_assert(std::atomic<uint64_t>::is_always_lock_free &&
                  std::atomic<int64_t>::is_always_lock_free,
              "the shared counters must work across processes");

// What a worker shows this process of its work: the file it is on (its
// index + 1, 0 while on none) and since when, in steady-clock ticks, which
// every process on the machine reads alike.
struct Slot {
    std::atomic<uint64_t> file{0};
    std::atomic<int64_t> since{0};
};

// Memory shared by this process and its workers: the index of the next file
// to take, then a slot for each worker. Mapped before the workers are
// forked, so each sees the same pages.
class Board {
public:
    explicit Board(size_t workers) : size_(sizeof(Slot) * (workers + 1)) {
        void* memory = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) return;
        memory_ = memory;
        next_ = new (memory) std::atomic<uint64_t>(0);
        slots_ = reinterpret_cast<Slot*>(static_cast<char*>(memory) + sizeof(Slot));
        for (size_t i = 0; i < workers; ++i) new (slots_ + i) Slot();
    }
    ~Board() {
        if (memory_) munmap(memory_, size_);
    }
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    bool ok() const { return memory_ != nullptr; }
    std::atomic<uint64_t>& next() { return *next_; }
    Slot& slot(size_t worker) { return slots_[worker]; }

private:
    size_t size_;
    void* memory_ = nullptr;
    std::atomic<uint64_t>* next_ = nullptr;
    Slot* slots_ = nullptr;
};

bool SendAll(int socket, const char* data, size_t size) {
    while (size > 0) {
        // A closed socket gives EPIPE here, not a SIGPIPE that ends the worker.
        const ssize_t sent = send(socket, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// One file's outcome on the wire: the file's index, whether it succeeded,
// where its write went, the lengths of its output and of its reason, then
// their bytes.
struct RecordHead {
    uint64_t file, ok, went, outputSize, reasonSize;
};

bool SendOutcome(int socket, uint64_t file, const FileOutcome& outcome) {
    const RecordHead head{file, outcome.ok ? 1u : 0u, static_cast<uint64_t>(outcome.went),
                          outcome.output.size(), outcome.reason.size()};
    std::string record(reinterpret_cast<const char*>(&head), sizeof head);
    record += outcome.output;
    record += outcome.reason;
    return SendAll(socket, record.data(), record.size());
}

// What TakeOutcome found at the start of the bytes received.
enum class Taken { kNothing, kOutcome, kDamaged };

// Takes one whole outcome from `bytes` at `used`, moving `used` past it.
Taken TakeOutcome(const std::string& bytes, size_t files, size_t& used, uint64_t& file,
                  FileOutcome& outcome) {
    RecordHead head{};
    if (bytes.size() - used < sizeof head) return Taken::kNothing;
    std::memcpy(&head, bytes.data() + used, sizeof head);
    if (head.file >= files || head.went > static_cast<uint64_t>(Went::Sidecar)) {
        return Taken::kDamaged;
    }
    const size_t body = bytes.size() - used - sizeof head;
    if (head.outputSize > body || head.reasonSize > body - head.outputSize) return Taken::kNothing;
    const char* at = bytes.data() + used + sizeof head;
    file = head.file;
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

// How long this process lets answers gather while files are left to take:
// woken once for several files, it takes less of the processors the workers
// run on. The workers never wait for it; output leaves at most this much
// later.
constexpr auto kGather = std::chrono::milliseconds(2);

struct Worker {
    pid_t pid = -1;
    int socket = -1;
    std::string received;  // the start of an outcome not yet whole
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
          board_(workers),
          done_(files.size(), false),
          timeout_(std::chrono::seconds(timeoutSeconds)),
          timeoutSeconds_(timeoutSeconds) {
        const char* crashOn = std::getenv(kCrashOnVariable);
        if (crashOn) crashOn_ = crashOn;
        const char* hangOn = std::getenv(kHangOnVariable);
        if (hangOn) hangOn_ = hangOn;
    }

    // Only when Run is left by an exception are workers still running here.
    ~Pool() {
        for (Worker& worker : workers_) {
            if (worker.socket < 0) continue;
            kill(worker.pid, SIGKILL);
            close(worker.socket);
            while (waitpid(worker.pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }

    void Run() {
        if (board_.ok()) {
            for (size_t i = 0; i < workers_.size(); ++i) Start(i);
            Serve();
        }
        // Files no worker took, or that a worker took and was lost with
        // before it said so (only when poll itself failed): done here.
        for (size_t file = 0; file < files_.size(); ++file) {
            if (!done_[file]) Finish(file, guarded_(files_[file]));
        }
    }

private:
    // This process's side: takes the workers' outcomes until every worker
    // has ended, stopping any that is on one file too long.
    void Serve() {
        std::vector<pollfd> ready;
        std::vector<size_t> owners;
        for (;;) {
            ready.clear();
            owners.clear();
            for (size_t i = 0; i < workers_.size(); ++i) {
                if (workers_[i].socket < 0) continue;
                ready.push_back({workers_[i].socket, POLLIN, 0});
                owners.push_back(i);
            }
            if (ready.empty()) return;
            const int got = poll(ready.data(), ready.size(), WaitMilliseconds());
            if (got < 0) {
                if (errno == EINTR) continue;
                // The workers can no longer be heard: each is stopped, and
                // the file it was on fails.
                for (size_t i : owners) End(i, "lost touch with the worker", false);
                return;
            }
            bool collected = false;
            for (size_t k = 0; k < ready.size(); ++k) {
                if (ready[k].revents != 0) collected |= Collect(owners[k]);
            }
            const Clock::time_point now = Clock::now();
            for (size_t i : owners) {
                if (workers_[i].socket >= 0 && OnOneFileSince(i) + timeout_ <= now) {
                    End(i, "not done after " + std::to_string(timeoutSeconds_) +
                               " s (--timeout); its worker was stopped");
                }
            }
            if (collected && FilesLeft()) std::this_thread::sleep_for(kGather);
        }
    }

    bool FilesLeft() { return board_.next().load() < files_.size(); }

    // When the worker took the file it is on; the far future while it is on
    // none.
    Clock::time_point OnOneFileSince(size_t worker) {
        Slot& slot = board_.slot(worker);
        if (slot.file.load() == 0) return Clock::time_point::max() - timeout_;
        return Clock::time_point(Clock::duration(slot.since.load()));
    }

    // Until the first worker's time on its file is up, for poll.
    int WaitMilliseconds() {
        Clock::time_point first = Clock::time_point::max() - timeout_;
        for (size_t i = 0; i < workers_.size(); ++i) {
            if (workers_[i].socket >= 0) first = std::min(first, OnOneFileSince(i));
        }
        // A worker on no file now may take one at once: it is looked at again
        // within the time limit.
        const Clock::time_point now = Clock::now();
        const Clock::time_point until = std::min(first + timeout_, now + timeout_);
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - now + std::chrono::milliseconds(1));
        return static_cast<int>(std::clamp<int64_t>(wait.count(), 0, INT32_MAX));
    }

    void Finish(size_t file, FileOutcome outcome) {
        if (done_[file]) return;
        done_[file] = true;
        finished_(file, std::move(outcome));
    }

    bool Start(size_t index) {
        Worker& worker = workers_[index];
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
            Work(board_.slot(index), sockets[1]);
        }
        close(sockets[1]);
        worker = Worker();
        worker.pid = pid;
        worker.socket = sockets[0];
        return true;
    }

    // The worker's side: take the next file, do it, send its outcome, until
    // no file is left. It leaves by _exit, so no exit handler or stdio buffer
    // of the parent runs twice.
    [[noreturn]] void Work(Slot& slot, int socket) {
        for (;;) {
            const uint64_t file = board_.next().fetch_add(1);
            if (file >= files_.size()) break;
            // The time first: the tool reads the slot's file, then its time.
            slot.since.store(Clock::now().time_since_epoch().count());
            slot.file.store(file + 1);
            if (!crashOn_.empty() && files_[file] == crashOn_) {
                const rlimit noCore{0, 0};
                setrlimit(RLIMIT_CORE, &noCore);
                std::abort();
            }
            while (!hangOn_.empty() && files_[file].find(hangOn_) != std::string::npos) pause();
            if (!SendOutcome(socket, file, guarded_(files_[file]))) break;
            slot.file.store(0);
        }
        _exit(0);
    }

    // Takes every outcome the worker has sent so far: a worker that finishes
    // files quickly wakes this process once for several. A worker found
    // ended is waited for, and replaced while files are left. Whether an
    // outcome was taken.
    bool Collect(size_t index) {
        Worker& worker = workers_[index];
        bool ended = Receive(worker, false);
        const bool collected = TakeOutcomes(worker, ended);
        if (ended) End(index, "");
        return collected;
    }

    // Appends what the worker's socket holds to what was received from it:
    // what is there now, or with `toTheEnd` everything until the socket
    // ends. Whether it ended (or failed).
    static bool Receive(Worker& worker, bool toTheEnd) {
        char chunk[1 << 16];
        for (;;) {
            const ssize_t got = recv(worker.socket, chunk, sizeof chunk, toTheEnd ? 0 : MSG_DONTWAIT);
            if (got > 0) {
                worker.received.append(chunk, static_cast<size_t>(got));
                // Less than asked for: the socket is empty for now (an end
                // comes with the next wake).
                if (!toTheEnd && static_cast<size_t>(got) < sizeof chunk) return false;
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            return got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        }
    }

    // Hands on each whole outcome received; sets `damaged` for bytes that
    // are no outcome.
    bool TakeOutcomes(Worker& worker, bool& damaged) {
        size_t used = 0;
        uint64_t file = 0;
        FileOutcome outcome;
        bool taken = false;
        for (;;) {
            const Taken what = TakeOutcome(worker.received, files_.size(), used, file, outcome);
            if (what == Taken::kDamaged) damaged = true;
            if (what != Taken::kOutcome) break;
            Finish(file, std::move(outcome));
            taken = true;
        }
        worker.received.erase(0, used);
        return taken;
    }

    // Ends the worker: stops it if it still runs, takes what it sent before
    // it ended, and fails the file it was on with `reason` (an empty one
    // names how it ended). A new worker takes its place while files are
    // left, unless `replace` is false.
    void End(size_t index, const std::string& reason, bool replace = true) {
        Worker& worker = workers_[index];
        kill(worker.pid, SIGKILL);  // of no effect on one that has ended
        // It can send nothing more: whatever is left in the socket is read
        // to its end.
        Receive(worker, true);
        bool damaged = false;
        TakeOutcomes(worker, damaged);
        close(worker.socket);
        int status = 0;
        while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
        }
        Slot& slot = board_.slot(index);
        const uint64_t on = slot.file.exchange(0);
        worker = Worker();
        if (on != 0 && on <= files_.size()) {
            Finish(on - 1, FileOutcome::Failed(reason.empty() ? AbnormalEnd(status) : reason));
        }
        if (replace && FilesLeft()) Start(index);
    }

    const std::vector<std::string>& files_;
    const std::function<FileOutcome(const std::string&)>& guarded_;
    const std::function<void(size_t, FileOutcome)>& finished_;
    std::vector<Worker> workers_;
    Board board_;
    std::vector<bool> done_;
    Clock::duration timeout_;
    int timeoutSeconds_;
    std::string crashOn_, hangOn_;
};

}  // namespace

void RunInWorkers(const std::vector<std::string>& files, size_t workers, int timeoutSeconds,
                  const std::function<FileOutcome(const std::string&)>& guarded,
                  const std::function<void(size_t, FileOutcome)>& finished) {
    Pool(files, guarded, finished, workers, timeoutSeconds).Run();
}

}  // namespace lumenmeta_tool
