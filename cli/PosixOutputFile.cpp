#include "OutputFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/magic.h>
#include <sys/vfs.h>
#endif

namespace {

// Linux's own limit on the links followed in one path; a longer chain is a loop.
constexpr int kMaxLinkHops = 40;
// Tries at a fresh temporary name; a clash needs a file of the same random name.
constexpr int kTemporaryNameTries = 100;
// What a new file gets before the umask, as from a shell's '>': never execute bits.
constexpr mode_t kNewFileMode = 0666;
// A replaced file keeps its permissions, but not setuid, setgid or sticky,
// which the kernel also drops from a file someone writes to.
constexpr mode_t kKeptModeBits = 0777;
// Interruptions that end the process and must not leave the temporary file:
// ^C, kill, a closed terminal, and a write beyond the file-size limit.
constexpr std::array kCleanedUpSignals = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

// The temporary file being written, for the signal handler; null otherwise.
std::atomic<const char*> pendingTemporary{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free, "the signal handler reads it");

void RemoveTemporaryAndEnd(int signal)
{
    if (const char* temporary = pendingTemporary.exchange(nullptr))
        unlink(temporary);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

// Holds the cleaned-up signals back while the temporary file appears or is
// renamed, so that the handler never sees a file that is not there or no
// longer the temporary one.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int signal : kCleanedUpSignals)
            sigaddset(&held, signal);
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

std::string Reason(int error)
{
    return std::strerror(error);
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> LinkTarget(const std::string& path)
{
    std::array<char, PATH_MAX> target;
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length < 0)
        return std::nullopt;
    return std::string(target.data(), static_cast<std::size_t>(length));
}

// Links in /proc (behind /dev/stdout and /dev/fd/N) name an open descriptor;
// their text is no path to replace.
bool IsDescriptorLink(const std::string& link)
{
#ifdef __linux__
    struct statfs fileSystem {};
    return statfs(FolderOf(link).c_str(), &fileSystem) == 0 && fileSystem.f_type == PROC_SUPER_MAGIC;
#else
    (void)link;
    return false;
#endif
}

struct Target {
    std::string path;
    bool writeThrough = false;
};

// The file that path leads to once its links are followed, each relative one
// from its own folder, as the kernel would; or path itself when it is to be
// written through.
std::optional<Target> ResolveTarget(const std::string& path, std::string& error)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            error = Reason(EISDIR);
            return std::nullopt;
        }
        if (!S_ISREG(status.st_mode))
            return Target{path, true};
    } else if (errno != ENOENT) {
        error = Reason(errno);
        return std::nullopt;
    }
    std::string file = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        const std::optional<std::string> next = LinkTarget(file);
        if (!next)
            return Target{file, false};
        if (IsDescriptorLink(file))
            return Target{path, true};
        file = next->starts_with('/') ? *next : FolderOf(file) + "/" + *next;
    }
    error = Reason(ELOOP);
    return std::nullopt;
}

std::string TemporaryName(const std::string& folder)
{
    char suffix[9];
    std::snprintf(suffix, sizeof suffix, "%08X", arc4random());
    return folder + "/.bmp2cdata-" + suffix;
}

bool WriteAll(int descriptor, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(descriptor, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// A new file must survive a power cut too: its folder entry is synced.
bool SyncFolder(const std::string& folder, std::string& error)
{
    const int descriptor = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // Some file systems cannot sync a folder at all; nothing more can be done there.
    const bool synced = descriptor >= 0 && (fsync(descriptor) == 0 || errno == EINVAL);
    if (!synced)
        error = Reason(errno);
    if (descriptor >= 0)
        close(descriptor);
    return synced;
}

}  // namespace

struct OutputFile::State {
    int descriptor = -1;
    // The file replaced on commit, links followed.
    std::string target;
    // Empty when writing through.
    std::string temporary;
    std::array<struct sigaction, kCleanedUpSignals.size()> previousActions{};
    bool handlersInstalled = false;

    // A signal the caller chose to ignore (nohup, a background job) stays ignored.
    void InstallHandlers()
    {
        struct sigaction action {};
        action.sa_handler = RemoveTemporaryAndEnd;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kCleanedUpSignals.size(); ++i) {
            sigaction(kCleanedUpSignals[i], nullptr, &previousActions[i]);
            if (previousActions[i].sa_handler != SIG_IGN)
                sigaction(kCleanedUpSignals[i], &action, nullptr);
        }
        handlersInstalled = true;
    }

    void RestoreHandlers()
    {
        for (std::size_t i = 0; handlersInstalled && i < kCleanedUpSignals.size(); ++i)
            sigaction(kCleanedUpSignals[i], &previousActions[i], nullptr);
        handlersInstalled = false;
    }

    bool OpenThrough(const std::string& path, std::string& error)
    {
        descriptor = open(path.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
        if (descriptor < 0)
            error = Reason(errno);
        return descriptor >= 0;
    }

    bool CreateTemporary(std::string& error);
    void Discard();
};

bool OutputFile::State::CreateTemporary(std::string& error)
{
    struct stat replaced {};
    const bool replacing = stat(target.c_str(), &replaced) == 0;
    InstallHandlers();
    SignalsHeld held;
    for (int attempt = 0; attempt < kTemporaryNameTries && descriptor < 0; ++attempt) {
        temporary = TemporaryName(FolderOf(target));
        descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
        if (descriptor < 0 && errno != EEXIST)
            break;
    }
    if (descriptor < 0) {
        error = Reason(errno);
        temporary.clear();
        return false;
    }
    pendingTemporary = temporary.c_str();
    if (!replacing)
        return true;
    // Giving the file back to its owner fails unless we may; it then stays
    // ours, as a file written by another user would after a rename.
    [[maybe_unused]] const int ownerKept = fchown(descriptor, replaced.st_uid, replaced.st_gid);
    if (fchmod(descriptor, replaced.st_mode & kKeptModeBits) == 0)
        return true;
    error = Reason(errno);
    return false;
}

void OutputFile::State::Discard()
{
    if (descriptor >= 0)
        close(descriptor);
    descriptor = -1;
    if (!temporary.empty()) {
        pendingTemporary = nullptr;
        unlink(temporary.c_str());
        temporary.clear();
    }
    RestoreHandlers();
}

OutputFile::OutputFile() : state_(std::make_unique<State>()) {}

OutputFile::~OutputFile()
{
    state_->Discard();
}

bool OutputFile::Open(const std::string& path, std::string& error)
{
    const std::optional<Target> target = ResolveTarget(path, error);
    if (!target)
        return false;
    state_->target = target->path;
    return target->writeThrough ? state_->OpenThrough(target->path, error) : state_->CreateTemporary(error);
}

bool OutputFile::Write(std::string_view text, std::string& error)
{
    if (WriteAll(state_->descriptor, text))
        return true;
    error = Reason(errno);
    return false;
}

bool OutputFile::Commit(std::string& error)
{
    State& state = *state_;
    const bool synced = state.temporary.empty() || fsync(state.descriptor) == 0;
    const int syncError = errno;
    const bool closed = close(state.descriptor) == 0;
    state.descriptor = -1;
    if (!synced || !closed) {
        error = Reason(synced ? errno : syncError);
        return false;
    }
    if (state.temporary.empty())
        return true;
    {
        SignalsHeld held;
        if (rename(state.temporary.c_str(), state.target.c_str()) != 0) {
            error = Reason(errno);
            return false;
        }
        pendingTemporary = nullptr;
        state.temporary.clear();
    }
    state.RestoreHandlers();
    return SyncFolder(FolderOf(state.target), error);
}
