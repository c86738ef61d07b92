#include "app/CommandLine.h"
#include <shellapi.h>

namespace {

// Compares an option word with a lower-case ASCII name, ignoring case in
// ASCII only: the user's locale must not decide (a Turkish 'I' is no 'i').
bool IsOption(const wchar_t* arg, const wchar_t* name)
{
    if (*arg != L'/' && *arg != L'-') return false;
    ++arg;
    for (; *arg && *name; ++arg, ++name) {
        wchar_t c = *arg >= L'A' && *arg <= L'Z' ? wchar_t(*arg - L'A' + L'a') : *arg;
        if (c != *name) return false;
    }
    return !*arg && !*name;
}

// A word after an option: not empty, and not an option itself.
bool IsArgument(const wchar_t* arg) { return *arg && *arg != L'/' && *arg != L'-'; }

}  // namespace

Command ParseCommandLine(const wchar_t* commandLine, CStringW* pc)
{
    int argc = 0;
    wchar_t** argv = commandLine && *commandLine ? CommandLineToArgvW(commandLine, &argc) : nullptr;
    if (!argv) return Command::None;
    Command command = Command::Usage;
    if (argc <= 1)
        command = Command::None;
    else if (IsOption(argv[1], L"switch") && (argc == 2 || (argc == 3 && IsArgument(argv[2])))) {
        command = Command::Switch;
        if (pc && argc == 3) *pc = argv[2];
    } else if (argc == 2 && IsOption(argv[1], L"settings"))
        command = Command::Settings;
    else if (argc == 2 && IsOption(argv[1], L"exit"))
        command = Command::Exit;
    LocalFree(argv);
    return command;
}
