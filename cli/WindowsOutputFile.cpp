#include "OutputFile.h"

#include "WideText.h"

#include <windows.h>

#include <aclapi.h>

#include <array>
#include <cstddef>

namespace {

// Tries at a fresh temporary name; a clash needs a file of the same random name.
constexpr int kTemporaryNameTries = 100;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attributes a replacement is given as FILE has them.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
// Any attribute beyond these (compressed, encrypted, sparse, offline, a
// cloud file's) is something a rename would lose.
constexpr DWORD kReplaceableAttributes = kKeptAttributes | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL;
// The parts of FILE's security a replacement is given.
constexpr SECURITY_INFORMATION kKeptSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
// Room for the names of a file's data streams; a file with more streams
// than fit has named ones.
constexpr std::size_t kStreamInformationBytes = 64 * 1024;

std::string Reason(DWORD error)
{
    wchar_t* message = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = message ? message : L"error " + std::to_wstring(error);
    LocalFree(message);
    // The system's messages end in a full stop and a line break.
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.'))
        text.pop_back();
    return Utf8FromWide(text);
}

bool Fail(DWORD code, std::string& error)
{
    error = Reason(code);
    return false;
}

// The temporary file being written, for the console's Ctrl+C handler, which
// runs on a thread of its own; guarded by pendingLock.
CRITICAL_SECTION pendingLock;
const std::wstring* pendingTemporary = nullptr;

// ^C, ^Break or a closed console window end the process; the temporary file
// goes first. Deleting an open file removes it once the process has ended.
BOOL WINAPI RemoveTemporaryOnInterrupt(DWORD)
{
    EnterCriticalSection(&pendingLock);
    if (pendingTemporary)
        DeleteFileW(pendingTemporary->c_str());
    pendingTemporary = nullptr;
    LeaveCriticalSection(&pendingLock);
    return FALSE;
}

void SetPendingTemporary(const std::wstring* temporary)
{
    static const bool installed = [] {
        InitializeCriticalSection(&pendingLock);
        return SetConsoleCtrlHandler(RemoveTemporaryOnInterrupt, TRUE) != 0;
    }();
    (void)installed;
    EnterCriticalSection(&pendingLock);
    pendingTemporary = temporary;
    LeaveCriticalSection(&pendingLock);
}

// Everything up to the file name: the folder the temporary file goes into.
std::wstring FolderPrefix(const std::wstring& path)
{
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? L"" : path.substr(0, separator + 1);
}

// Whether the file has named data streams, which a rename would lose. A
// file system without streams says so by refusing the question.
bool HasNamedStreams(HANDLE file)
{
    alignas(FILE_STREAM_INFO) static std::array<std::byte, kStreamInformationBytes> buffer;
    if (!GetFileInformationByHandleEx(file, FileStreamInfo, buffer.data(), static_cast<DWORD>(buffer.size())))
        return GetLastError() == ERROR_MORE_DATA;
    for (std::size_t at = 0;;) {
        const auto* stream = reinterpret_cast<const FILE_STREAM_INFO*>(buffer.data() + at);
        if (std::wstring_view(stream->StreamName, stream->StreamNameLength / sizeof(wchar_t)) != L"::$DATA")
            return true;
        if (stream->NextEntryOffset == 0)
            return false;
        at += stream->NextEntryOffset;
    }
}

// The path of the file an open handle is on, links followed; nothing when
// the system cannot tell.
std::optional<std::wstring> FinalPath(HANDLE file)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return std::nullopt;
        if (length < path.size())
            return path.substr(0, length);
        path.resize(length);
    }
}

enum class Outcome { Done, WriteInPlace, Failed };

}  // namespace

struct OutputFile::State {
    // FILE once its links are followed.
    std::wstring target;
    // FILE opened for writing; invalid when it does not exist yet.
    HANDLE file = INVALID_HANDLE_VALUE;
    BY_HANDLE_FILE_INFORMATION information{};
    std::optional<FileIdentity> identity;
    // A device or pipe (NUL, CON, \\.\pipe\...), written as the text comes.
    bool writesThrough = false;
    // A file that a rename cannot replace without losing something.
    bool inPlace = false;
    // Everything written, for a file.
    std::string contents;
    HANDLE temporaryFile = INVALID_HANDLE_VALUE;
    std::wstring temporary;

    bool Examine(std::string& error);
    bool CreateTemporary(DWORD access, DWORD attributes);
    bool FillTemporary();
    bool MoveTemporary(bool replacing);
    void DiscardTemporary();
    bool CreateNew(std::string& error);
    Outcome Replace(std::string& error);
    bool WriteInPlace(std::string& error);
    bool CloseFile(std::string& error);
};

// Decides how the opened FILE is written. Windows refuses any writer a
// read-only file; so does this, even where the system (Wine as root) would not.
bool OutputFile::State::Examine(std::string& error)
{
    writesThrough = GetFileType(file) != FILE_TYPE_DISK;
    if (writesThrough)
        return true;
    if (!GetFileInformationByHandle(file, &information))
        return Fail(GetLastError(), error);
    if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        return Fail(ERROR_ACCESS_DENIED, error);
    identity = IdentityOfHandle(file);
    inPlace = information.nNumberOfLinks > 1 || (information.dwFileAttributes & ~kReplaceableAttributes) != 0 ||
              HasNamedStreams(file);
    if (std::optional<std::wstring> final = FinalPath(file))
        target = *final;
    return true;
}

bool OutputFile::State::CreateTemporary(DWORD access, DWORD attributes)
{
    const std::wstring folder = FolderPrefix(target);
    const std::string name = Utf8FromWide(std::wstring_view(target).substr(folder.size()));
    // Shared for deleting only: nobody else opens it while it is written.
    for (int attempt = 0; attempt < kTemporaryNameTries && temporaryFile == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folder + WideFromUtf8(TemporaryName(name));
        temporaryFile = CreateFileW(temporary.c_str(), access, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
        if (temporaryFile == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (temporaryFile == INVALID_HANDLE_VALUE) {
        temporary.clear();
        return false;
    }
    SetPendingTemporary(&temporary);
    return true;
}

// Writes everything into the temporary file and makes it last; false with
// the last error set.
bool OutputFile::State::FillTemporary()
{
    const bool filled = WriteAll(temporaryFile, contents) && FlushFileBuffers(temporaryFile);
    const DWORD failure = GetLastError();
    const bool closed = CloseHandle(temporaryFile);
    temporaryFile = INVALID_HANDLE_VALUE;
    if (!filled)
        SetLastError(failure);
    return filled && closed;
}

bool OutputFile::State::MoveTemporary(bool replacing)
{
    // Held while the file moves, so that ^C finds either the temporary file or none.
    EnterCriticalSection(&pendingLock);
    const bool moved = MoveFileExW(temporary.c_str(), target.c_str(),
                                   (replacing ? MOVEFILE_REPLACE_EXISTING : 0) | MOVEFILE_WRITE_THROUGH);
    const DWORD failure = GetLastError();
    if (moved) {
        pendingTemporary = nullptr;
        temporary.clear();
    }
    LeaveCriticalSection(&pendingLock);
    SetLastError(failure);
    return moved;
}

void OutputFile::State::DiscardTemporary()
{
    const DWORD failure = GetLastError();
    if (temporaryFile != INVALID_HANDLE_VALUE)
        CloseHandle(temporaryFile);
    temporaryFile = INVALID_HANDLE_VALUE;
    if (!temporary.empty()) {
        SetPendingTemporary(nullptr);
        DeleteFileW(temporary.c_str());
        temporary.clear();
    }
    SetLastError(failure);
}

// A new FILE appears whole, with the security its folder gives new files.
bool OutputFile::State::CreateNew(std::string& error)
{
    if (CreateTemporary(GENERIC_WRITE, 0) && FillTemporary() && MoveTemporary(false))
        return true;
    DiscardTemporary();
    return Fail(GetLastError(), error);
}

// Replaces FILE by a temporary file given FILE's owner, group, access list
// and attributes before any text is in it. Whatever cannot be given, or a
// folder where no file can be made, leaves FILE to be written in place.
Outcome OutputFile::State::Replace(std::string& error)
{
    PSID owner = nullptr, group = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    if (GetSecurityInfo(file, SE_FILE_OBJECT, kKeptSecurity, &owner, &group, &access, nullptr, &security) !=
        ERROR_SUCCESS)
        return Outcome::WriteInPlace;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(security, &control, &revision);
    // An access list that inherits from the folder goes on inheriting from it.
    const SECURITY_INFORMATION inheritance =
        (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
    const bool secured =
        CreateTemporary(GENERIC_WRITE | WRITE_DAC | WRITE_OWNER, information.dwFileAttributes & kKeptAttributes) &&
        SetSecurityInfo(temporaryFile, SE_FILE_OBJECT, kKeptSecurity | inheritance, owner, group, access, nullptr) ==
            ERROR_SUCCESS;
    LocalFree(security);
    if (!secured) {
        DiscardTemporary();
        return Outcome::WriteInPlace;
    }
    if (!FillTemporary()) {
        DiscardTemporary();
        // A full disk may still take the text in FILE's own clusters.
        const DWORD failure = GetLastError();
        const ULONGLONG size = (ULONGLONG{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
        if ((failure == ERROR_DISK_FULL || failure == ERROR_HANDLE_DISK_FULL) && contents.size() <= size)
            return Outcome::WriteInPlace;
        Fail(failure, error);
        return Outcome::Failed;
    }
    // Windows replaces no file that is open, ours included.
    CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (MoveTemporary(true))
        return Outcome::Done;
    DiscardTemporary();
    return Outcome::WriteInPlace;
}

// Writes over FILE from its start, then cuts it to length, as '>' leaves it.
bool OutputFile::State::WriteInPlace(std::string& error)
{
    if (file == INVALID_HANDLE_VALUE)
        file = CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    const LARGE_INTEGER start{};
    if (file == INVALID_HANDLE_VALUE || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN) ||
        !WriteAll(file, contents) || !SetEndOfFile(file))
        return Fail(GetLastError(), error);
    return CloseFile(error);
}

bool OutputFile::State::CloseFile(std::string& error)
{
    const bool closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    return closed || Fail(GetLastError(), error);
}

OutputFile::OutputFile() : state_(std::make_unique<State>()) {}

OutputFile::~OutputFile()
{
    state_->DiscardTemporary();
    if (state_->file != INVALID_HANDLE_VALUE)
        CloseHandle(state_->file);
}

bool OutputFile::Open(const std::string& path, std::string& error)
{
    State& state = *state_;
    state.target = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(state.target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = "Is a directory";
        return false;
    }
    // Its security is read through the same handle; a console grants no reading of it.
    for (const DWORD access : {DWORD{GENERIC_WRITE | READ_CONTROL}, DWORD{GENERIC_WRITE}}) {
        state.file = CreateFileW(state.target.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
        if (state.file != INVALID_HANDLE_VALUE)
            return state.Examine(error);
    }
    return GetLastError() == ERROR_FILE_NOT_FOUND || Fail(GetLastError(), error);
}

std::optional<FileIdentity> OutputFile::Identity() const
{
    return state_->identity;
}

bool OutputFile::Write(std::string_view text, std::string& error)
{
    State& state = *state_;
    if (!state.writesThrough) {
        state.contents += text;
        return true;
    }
    return WriteAll(state.file, text) || Fail(GetLastError(), error);
}

bool OutputFile::Commit(std::string& error)
{
    State& state = *state_;
    if (state.writesThrough)
        return state.CloseFile(error);
    if (state.file == INVALID_HANDLE_VALUE)
        return state.CreateNew(error);
    const Outcome outcome = state.inPlace ? Outcome::WriteInPlace : state.Replace(error);
    return outcome == Outcome::WriteInPlace ? state.WriteInPlace(error) : outcome == Outcome::Done;
}
