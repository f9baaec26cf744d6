#include "OutputFile.h"

#include "WideText.h"

#include <windows.h>

namespace {

// Tries at a fresh temporary name; a clash needs a file left by a process
// that had the same number.
constexpr int kTemporaryNameTries = 100;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Largest piece handed to one WriteFile, which takes a 32-bit count.
constexpr std::size_t kLargestWrite = 1u << 30;

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

}  // namespace

struct OutputFile::State {
    HANDLE file = INVALID_HANDLE_VALUE;
    std::wstring target;
    // Empty when writing through.
    std::wstring temporary;

    bool OpenThroughIfSpecial(std::string& error);
    bool CreateTemporary(std::string& error);
    void Discard();
};

// A device or pipe (NUL, CON, \\.\pipe\...) is written through; a file that
// is a link is replaced where the link leads.
bool OutputFile::State::OpenThroughIfSpecial(std::string& error)
{
    const HANDLE existing = CreateFileW(target.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (existing == INVALID_HANDLE_VALUE)
        return false;
    const bool special = GetFileType(existing) != FILE_TYPE_DISK;
    if (!special && (GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT)) {
        std::wstring final(MAX_PATH, L'\0');
        const DWORD length = GetFinalPathNameByHandleW(existing, final.data(), MAX_PATH, FILE_NAME_NORMALIZED);
        if (length > 0 && length < MAX_PATH)
            target = final.substr(0, length);
    }
    CloseHandle(existing);
    if (!special)
        return false;
    file = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE)
        error = Reason(GetLastError());
    return true;
}

bool OutputFile::State::CreateTemporary(std::string& error)
{
    for (int attempt = 0; attempt < kTemporaryNameTries && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = FolderPrefix(target) + L".bmp2cdata-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(attempt);
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        error = Reason(GetLastError());
        temporary.clear();
        return false;
    }
    SetPendingTemporary(&temporary);
    return true;
}

void OutputFile::State::Discard()
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!temporary.empty()) {
        SetPendingTemporary(nullptr);
        DeleteFileW(temporary.c_str());
        temporary.clear();
    }
}

OutputFile::OutputFile() : state_(std::make_unique<State>()) {}

OutputFile::~OutputFile()
{
    state_->Discard();
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
    if (state.OpenThroughIfSpecial(error))
        return state.file != INVALID_HANDLE_VALUE;
    return state.CreateTemporary(error);
}

bool OutputFile::Write(std::string_view text, std::string& error)
{
    while (!text.empty()) {
        DWORD written = 0;
        if (!WriteFile(state_->file, text.data(), static_cast<DWORD>(std::min(text.size(), kLargestWrite)), &written,
                       nullptr)) {
            error = Reason(GetLastError());
            return false;
        }
        text.remove_prefix(written);
    }
    return true;
}

bool OutputFile::Commit(std::string& error)
{
    State& state = *state_;
    const bool flushed = state.temporary.empty() || FlushFileBuffers(state.file);
    const DWORD flushError = GetLastError();
    const bool closed = CloseHandle(state.file);
    state.file = INVALID_HANDLE_VALUE;
    if (!flushed || !closed) {
        error = Reason(flushed ? GetLastError() : flushError);
        return false;
    }
    if (state.temporary.empty())
        return true;
    // Held while the file moves, so that ^C finds either the temporary file or none.
    EnterCriticalSection(&pendingLock);
    const bool moved = MoveFileExW(state.temporary.c_str(), state.target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    const DWORD moveError = GetLastError();
    if (moved) {
        pendingTemporary = nullptr;
        state.temporary.clear();
    }
    LeaveCriticalSection(&pendingLock);
    if (!moved)
        error = Reason(moveError);
    return moved;
}
