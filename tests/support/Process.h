#pragma once

// Runs a program and collects what it printed: RunProgram on every platform,
// RunProcess (a shell command line) on POSIX.

#include "BmpBuilder.h"

#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32

inline std::wstring WideText(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// Quotes an argument so that the C runtime's parsing gives it back unchanged:
// backslashes count only before a quote.
inline std::wstring QuoteArgument(const std::wstring& argument)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

inline HANDLE InheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Runs program with arguments (UTF-8) in folder; standard input reads the
// file named input there, or nothing.
inline ProcessResult RunProgram(const ScratchFolder& folder, const std::string& program,
                                const std::vector<std::string>& arguments, const std::string& input = "")
{
    std::wstring commandLine = QuoteArgument(WideText(program));
    for (const std::string& argument : arguments)
        commandLine += L" " + QuoteArgument(WideText(argument));
    const std::filesystem::path out = folder.Path() / ".stdout", err = folder.Path() / ".stderr";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput =
        InheritableFile(input.empty() ? std::filesystem::path(L"NUL") : folder.Path() / input, GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = InheritableFile(out, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = InheritableFile(err, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    ProcessResult result;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.Path().c_str(),
                       &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        result.status = static_cast<int>(status);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    for (const HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        CloseHandle(handle);
    result.out = ReadText(out);
    result.err = ReadText(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return result;
}

#else

inline std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

inline ProcessResult RunProcess(const ScratchFolder& folder, const std::string& command)
{
    const std::string out = (folder.Path() / ".stdout").string();
    const std::string err = (folder.Path() / ".stderr").string();
    const int raw = std::system(("cd " + ShellQuote(folder.Path().string()) + " && (" + command + ") >" +
                                 ShellQuote(out) + " 2>" + ShellQuote(err) + " </dev/null").c_str());
    ProcessResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadText(out);
    result.err = ReadText(err);
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

// Runs program with arguments in folder; standard input reads the file named
// input there, or nothing.
inline ProcessResult RunProgram(const ScratchFolder& folder, const std::string& program,
                                const std::vector<std::string>& arguments, const std::string& input = "")
{
    std::string command = ShellQuote(program);
    for (const std::string& argument : arguments)
        command += " " + ShellQuote(argument);
    if (!input.empty())
        command += " <" + ShellQuote(input);
    return RunProcess(folder, command);
}

#endif
