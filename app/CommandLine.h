// The command line: what a start of the program asks for.
#pragma once
#include "framework/String.h"
#include <windows.h>

enum class Command {
    None,      // no argument: start resident (or bring the running instance forward)
    Switch,    // /switch: switch PC once, through the running instance if there is one;
               // /switch N or NAME: go to that PC of the desk
    Settings,  // /settings: open the settings, starting the program if need be
    Exit,      // /exit: end the running instance
    Usage,     // anything else: show how to use it
};

// Parses a whole command line as GetCommandLineW gives it, program path
// first. One option at most; it starts with '/' or '-' and its case does not
// matter. Only /switch takes an argument, the PC to go to (which must not
// look like an option): it goes to *pc, which is empty for a bare /switch.
Command ParseCommandLine(const wchar_t* commandLine, CStringW* pc = nullptr);
