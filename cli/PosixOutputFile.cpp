#include "OutputFile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Linux's own limit on the links followed in one path; a longer chain is a loop.
constexpr int kMaxLinkHops = 40;
// Tries at a fresh temporary name; a clash needs a file of the same random name.
constexpr int kTemporaryNameTries = 100;
// What a new file gets before the umask, as from a shell's '>': never execute bits.
constexpr mode_t kNewFileMode = 0666;
// A temporary file that replaces FILE is ours alone until it has FILE's
// owner, ACL and permissions, so that nobody can open it before.
constexpr mode_t kTemporaryMode = 0600;
// A replaced file keeps its permissions, but not setuid, setgid or sticky,
// which the kernel also drops from a file someone writes to.
constexpr mode_t kKeptModeBits = 0777;
// The extended attribute that holds a file's access ACL.
constexpr const char* kAccessAclName = "system.posix_acl_access";

std::string Reason(int error)
{
    return std::strerror(error);
}

bool Fail(int code, std::string& error)
{
    error = Reason(code);
    return false;
}

// --- Signals ---------------------------------------------------------------

// The temporary file being written, for the signal handler: its folder and
// its name there; the name is null when there is none.
std::atomic<int> pendingFolder{-1};
std::atomic<const char*> pendingName{nullptr};
static_assert(std::atomic<const char*>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler reads them");

// What each signal did before our handler took it over, and which it took.
std::array<struct sigaction, NSIG> previousActions{};
sigset_t handledSignals;

// Whether a signal's default action ends the process. SIGKILL does too, but
// cannot be caught: the temporary file it leaves is named after FILE.
bool EndsTheProcess(int signal)
{
    switch (signal) {
    case SIGKILL: case SIGSTOP: case SIGTSTP: case SIGTTIN: case SIGTTOU:
    case SIGCHLD: case SIGCONT: case SIGURG: case SIGWINCH:
        return false;
    default:
        return true;
    }
}

void RemoveTemporaryAndEnd(int signal)
{
    if (const char* name = pendingName.exchange(nullptr))
        unlinkat(pendingFolder, name, 0);
    sigaction(signal, &previousActions[static_cast<std::size_t>(signal)], nullptr);
    raise(signal);
}

// Hands every signal that would end the process to RemoveTemporaryAndEnd,
// which then ends it as the signal would have. A signal the caller chose to
// ignore (nohup, a background job) stays ignored.
void InstallHandlers()
{
    struct sigaction action {};
    action.sa_handler = RemoveTemporaryAndEnd;
    sigemptyset(&handledSignals);
    sigemptyset(&action.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal)
        if (EndsTheProcess(signal))
            sigaddset(&action.sa_mask, signal);
    for (int signal = 1; signal < NSIG; ++signal) {
        struct sigaction& previous = previousActions[static_cast<std::size_t>(signal)];
        // The C library keeps a few real-time signals for itself and refuses them.
        if (!EndsTheProcess(signal) || sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        if (sigaction(signal, &action, nullptr) == 0)
            sigaddset(&handledSignals, signal);
    }
}

void RestoreHandlers()
{
    for (int signal = 1; signal < NSIG; ++signal)
        if (sigismember(&handledSignals, signal) == 1)
            sigaction(signal, &previousActions[static_cast<std::size_t>(signal)], nullptr);
    sigemptyset(&handledSignals);
}

// Holds the handled signals back while the temporary file appears, is
// renamed or goes, so that the handler never sees a file that is not there
// or no longer the temporary one.
class SignalsHeld {
public:
    SignalsHeld() { sigprocmask(SIG_BLOCK, &handledSignals, &previous_); }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

// --- Files -----------------------------------------------------------------

// Links in /proc (behind /dev/stdout and /dev/fd/N) lead to an open
// descriptor, not to a path: they are opened, never read.
bool InProcFileSystem(int folder)
{
    struct statfs fileSystem {};
    return fstatfs(folder, &fileSystem) == 0 && fileSystem.f_type == PROC_SUPER_MAGIC;
}

// The level of one of Linux's fs.protected_* switches; 0 when unknown.
int ProtectionLevel(const char* path)
{
    char level = '0';
    const int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0 && read(descriptor, &level, 1) != 1)
        level = '0';
    if (descriptor >= 0)
        close(descriptor);
    return level - '0';
}

// Whether Linux refuses '>' this existing file: in a sticky folder others
// may write, a file that neither we nor the folder's owner own, planted there
// for us to write into. Regular files and FIFOs are refused so only where
// fs.protected_regular or fs.protected_fifos says; devices always.
bool RefusedInStickyFolder(const struct stat& folder, const struct stat& file)
{
    const int level = S_ISREG(file.st_mode)    ? ProtectionLevel("/proc/sys/fs/protected_regular")
                      : S_ISFIFO(file.st_mode) ? ProtectionLevel("/proc/sys/fs/protected_fifos")
                                               : 1;
    if (!(folder.st_mode & S_ISVTX) || level == 0 || file.st_uid == folder.st_uid || file.st_uid == geteuid())
        return false;
    return (folder.st_mode & S_IWOTH) || (level >= 2 && (folder.st_mode & S_IWGRP));
}

std::optional<std::string> ReadLink(int folder, const std::string& name)
{
    std::vector<char> target(PATH_MAX);
    const ssize_t length = readlinkat(folder, name.c_str(), target.data(), target.size());
    if (length < 0)
        return std::nullopt;
    return std::string(target.data(), static_cast<std::size_t>(length));
}

// The names of a file's extended attributes; nothing when they cannot be listed.
std::optional<std::vector<std::string>> ExtendedAttributeNames(int file)
{
    std::string list;
    ssize_t size = 0;
    do {
        size = flistxattr(file, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP ? std::optional(std::vector<std::string>{}) : std::nullopt;
        list.resize(static_cast<std::size_t>(size));
        size = flistxattr(file, list.data(), list.size());
    } while (size < 0 && errno == ERANGE);
    if (size < 0)
        return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t start = 0; start < static_cast<std::size_t>(size); start += names.back().size() + 1)
        names.emplace_back(list.c_str() + start);
    return names;
}

std::optional<std::string> ExtendedAttribute(int file, const std::string& name)
{
    std::string value;
    ssize_t size = 0;
    do {
        size = fgetxattr(file, name.c_str(), nullptr, 0);
        if (size < 0)
            return std::nullopt;
        value.resize(static_cast<std::size_t>(size));
        size = fgetxattr(file, name.c_str(), value.data(), value.size());
    } while (size < 0 && errno == ERANGE);
    if (size < 0)
        return std::nullopt;
    value.resize(static_cast<std::size_t>(size));
    return value;
}

// Gives to every extended attribute of from, the ACL among them, and no
// ACL that from lacks; false when any cannot be given.
bool CopyExtendedAttributes(int from, int to)
{
    const std::optional<std::vector<std::string>> names = ExtendedAttributeNames(from);
    if (!names)
        return false;
    bool hasAcl = false;
    for (const std::string& name : *names) {
        const std::optional<std::string> value = ExtendedAttribute(from, name);
        if (!value || fsetxattr(to, name.c_str(), value->data(), value->size(), 0) != 0)
            return false;
        hasAcl = hasAcl || name == kAccessAclName;
    }
    // A folder's default ACL gives a new file one of its own.
    return hasAcl || fremovexattr(to, kAccessAclName) == 0 || errno == ENODATA || errno == ENOTSUP;
}

// A file's inode flags that lsattr shows (no dump, no copy-on-write, ...);
// none where the file system keeps no such flags.
int InodeFlags(int file)
{
    // Named a long, the value is an int to the kernel.
    int flags = 0;
    return ioctl(file, FS_IOC_GETFLAGS, &flags) == 0 ? flags & FS_FL_USER_VISIBLE : 0;
}

// Gives the temporary file all that FILE has and a rename would lose: owner
// and group, extended attributes (ACLs among them) and permissions. False
// when any cannot be given, FILE then to be written in place; so too when
// their inode flags differ.
bool GiveAttributes(int from, const struct stat& status, int to)
{
    struct stat own {};
    if (fstat(to, &own) != 0 || InodeFlags(from) != InodeFlags(to))
        return false;
    if ((own.st_uid != status.st_uid || own.st_gid != status.st_gid) && fchown(to, status.st_uid, status.st_gid) != 0)
        return false;
    return CopyExtendedAttributes(from, to) && fchmod(to, status.st_mode & kKeptModeBits) == 0;
}

// A renamed file must survive a power cut too: its folder entry is synced,
// where the folder may be read at all (not one of mode 0300, say).
bool SyncFolder(int folder, std::string& error)
{
    const int readable = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable < 0)
        return true;
    // Some file systems cannot sync a folder at all; nothing more can be done there.
    const bool synced = fsync(readable) == 0 || errno == EINVAL;
    if (!synced)
        error = Reason(errno);
    close(readable);
    return synced;
}

enum class Outcome { Done, WriteInPlace, Failed };

}  // namespace

struct OutputFile::State {
    // The folder FILE is in once its links are followed, and FILE's name there.
    int folder = -1;
    std::string name;
    // FILE opened for writing, and what it is; -1 when it does not exist yet.
    int file = -1;
    struct stat status {};
    // A regular FILE that a rename cannot replace: it is reached through a
    // descriptor, or has other hard links.
    bool inPlace = false;
    // Everything written, for a regular FILE.
    std::string contents;
    int temporary = -1;
    std::string temporaryName;

    bool WritesThrough() const { return file >= 0 && !S_ISREG(status.st_mode); }
    bool EnterFolder(int base, std::string_view text, std::string& error);
    bool OpenFile(const struct stat& entry, bool throughDescriptor);
    bool Resolve(const std::string& path, std::string& error);
    bool CreateTemporary(mode_t mode);
    bool FillTemporary();
    bool RenameTemporary(bool replacing);
    void DiscardTemporary();
    bool CreateNew(std::string& error);
    Outcome Replace(std::string& error);
    bool WriteInPlace(std::string& error);
    bool CloseFile(std::string& error);
};

// Makes folder the folder in which text (a path, or a link's contents)
// names its file, looked up from base, and name that file's name.
bool OutputFile::State::EnterFolder(int base, std::string_view text, std::string& error)
{
    const std::size_t slash = text.find_last_of('/');
    const std::string folderText = slash == std::string_view::npos ? "."
                                   : slash == 0                     ? "/"
                                                                    : std::string(text.substr(0, slash));
    name = text.substr(slash + 1);
    if (name.empty())
        return Fail(text.empty() ? ENOENT : EISDIR, error);
    const int next = openat(base, folderText.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (next < 0)
        return Fail(errno, error);
    if (folder >= 0)
        close(folder);
    folder = next;
    return true;
}

// Opens the file entry describes for writing, as '>' would but without
// truncating it; false with errno set.
bool OutputFile::State::OpenFile(const struct stat& entry, bool throughDescriptor)
{
    struct stat folderStatus {};
    if (fstat(folder, &folderStatus) == 0 && !throughDescriptor && RefusedInStickyFolder(folderStatus, entry)) {
        errno = EACCES;
        return false;
    }
    // No O_NOFOLLOW through a descriptor's link: it is the way to the file.
    file = openat(folder, name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | (throughDescriptor ? 0 : O_NOFOLLOW));
    if (file < 0)
        return false;
    if (fstat(file, &status) != 0) {
        close(file);
        file = -1;
        return false;
    }
    inPlace = throughDescriptor || status.st_nlink > 1;
    return true;
}

// Follows path's links one by one, each from the folder it lies in, as the
// kernel would, and opens the file it leads to. Every name is looked up once,
// through the folder's descriptor, so that nothing swapped in between two
// looks is written through.
bool OutputFile::State::Resolve(const std::string& path, std::string& error)
{
    if (!EnterFolder(AT_FDCWD, path, error))
        return false;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat entry {};
        if (fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
            return errno == ENOENT || Fail(errno, error);
        const bool throughDescriptor = S_ISLNK(entry.st_mode) && InProcFileSystem(folder);
        if (S_ISLNK(entry.st_mode) && !throughDescriptor) {
            const std::optional<std::string> target = ReadLink(folder, name);
            if (!target)
                return Fail(errno, error);
            if (!EnterFolder(folder, *target, error))
                return false;
            continue;
        }
        if (S_ISDIR(entry.st_mode))
            return Fail(EISDIR, error);
        if (OpenFile(entry, throughDescriptor))
            return true;
        // A link or nothing where a file just was: look again.
        if (errno != ELOOP && errno != ENOENT)
            return Fail(errno, error);
    }
    return Fail(ELOOP, error);
}

bool OutputFile::State::CreateTemporary(mode_t mode)
{
    InstallHandlers();
    SignalsHeld held;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        temporaryName = TemporaryName(name);
        temporary = openat(folder, temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (temporary >= 0) {
            pendingFolder = folder;
            pendingName = temporaryName.c_str();
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    const int failure = errno;
    temporaryName.clear();
    RestoreHandlers();
    errno = failure;
    return false;
}

// Writes everything into the temporary file and makes it last; false with errno set.
bool OutputFile::State::FillTemporary()
{
    const bool filled = WriteAll(temporary, contents) && fsync(temporary) == 0;
    const int failure = errno;
    const bool closed = close(temporary) == 0;
    temporary = -1;
    errno = filled ? errno : failure;
    return filled && closed;
}

// Puts the temporary file in FILE's place; a new FILE never replaces one
// made meanwhile. False with errno set.
bool OutputFile::State::RenameTemporary(bool replacing)
{
    SignalsHeld held;
    bool renamed = replacing
                       ? renameat(folder, temporaryName.c_str(), folder, name.c_str()) == 0
                       : renameat2(folder, temporaryName.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0;
    // Some file systems know no RENAME_NOREPLACE.
    if (!renamed && !replacing && errno == EINVAL)
        renamed = renameat(folder, temporaryName.c_str(), folder, name.c_str()) == 0;
    if (renamed) {
        pendingName = nullptr;
        temporaryName.clear();
    }
    return renamed;
}

void OutputFile::State::DiscardTemporary()
{
    const int failure = errno;
    if (temporary >= 0)
        close(temporary);
    temporary = -1;
    if (!temporaryName.empty()) {
        SignalsHeld held;
        pendingName = nullptr;
        unlinkat(folder, temporaryName.c_str(), 0);
        temporaryName.clear();
    }
    RestoreHandlers();
    errno = failure;
}

// A new FILE appears whole, with the permissions '>' would give it.
bool OutputFile::State::CreateNew(std::string& error)
{
    const bool created = CreateTemporary(kNewFileMode) && FillTemporary() && RenameTemporary(false);
    if (!created) {
        DiscardTemporary();
        return Fail(errno, error);
    }
    RestoreHandlers();
    return SyncFolder(folder, error);
}

// Replaces FILE by a temporary file given all FILE has. Whatever the rename
// would lose, or a folder where no file can be made, leaves FILE to be
// written in place.
Outcome OutputFile::State::Replace(std::string& error)
{
    if (!CreateTemporary(kTemporaryMode))
        return Outcome::WriteInPlace;
    if (!GiveAttributes(file, status, temporary)) {
        DiscardTemporary();
        return Outcome::WriteInPlace;
    }
    if (!FillTemporary()) {
        DiscardTemporary();
        // A full disk may still take the text in FILE's own blocks.
        const bool fits = (errno == ENOSPC || errno == EDQUOT) && std::cmp_less_equal(contents.size(), status.st_size);
        if (fits)
            return Outcome::WriteInPlace;
        Fail(errno, error);
        return Outcome::Failed;
    }
    // A rename can still be refused: FILE a mount point, a sticky folder.
    if (!RenameTemporary(true)) {
        DiscardTemporary();
        return Outcome::WriteInPlace;
    }
    RestoreHandlers();
    return SyncFolder(folder, error) ? Outcome::Done : Outcome::Failed;
}

// Writes over FILE from its start, then cuts it to length: the same file as
// '>' leaves, and on a full disk the old text's blocks are used first.
bool OutputFile::State::WriteInPlace(std::string& error)
{
    if (lseek(file, 0, SEEK_SET) != 0 || !WriteAll(file, contents) ||
        ftruncate(file, static_cast<off_t>(contents.size())) != 0)
        return Fail(errno, error);
    return CloseFile(error);
}

bool OutputFile::State::CloseFile(std::string& error)
{
    const bool closed = close(file) == 0;
    file = -1;
    return closed || Fail(errno, error);
}

OutputFile::OutputFile() : state_(std::make_unique<State>()) {}

OutputFile::~OutputFile()
{
    State& state = *state_;
    state.DiscardTemporary();
    for (const int descriptor : {state.file, state.folder})
        if (descriptor >= 0)
            close(descriptor);
}

bool OutputFile::Open(const std::string& path, std::string& error)
{
    return state_->Resolve(path, error);
}

std::optional<FileIdentity> OutputFile::Identity() const
{
    if (state_->file < 0)
        return std::nullopt;
    return FileIdentity{state_->status.st_dev, state_->status.st_ino};
}

bool OutputFile::Write(std::string_view text, std::string& error)
{
    State& state = *state_;
    if (!state.WritesThrough()) {
        state.contents += text;
        return true;
    }
    return WriteAll(state.file, text) || Fail(errno, error);
}

bool OutputFile::Commit(std::string& error)
{
    State& state = *state_;
    if (state.WritesThrough())
        return state.CloseFile(error);
    if (state.file < 0)
        return state.CreateNew(error);
    const Outcome outcome = state.inPlace ? Outcome::WriteInPlace : state.Replace(error);
    if (outcome == Outcome::WriteInPlace)
        return state.WriteInPlace(error);
    if (state.file >= 0)
        close(state.file);
    state.file = -1;
    return outcome == Outcome::Done;
}
