// The running copy of the program, as another start of it sees it (found by
// its main window, handed a command, asked to switch or to go to a PC), and
// the copy's side of such a request.
//
// A request is one the copy may take only until its deadline: the asker
// makes a claim on it (a semaphore of one count, named after the asker's
// window) that whoever comes first takes, the copy when it gets to the
// request, or the asker when the copy has not taken it in time (a copy that
// hangs, or is stopped in a debugger). So a copy that did not take it in
// time never does it later, and what the asker reports is what happened.
#pragma once
#include <windows.h>

// The main window's class: a box or dialog of the program carries its title
// too, but never this class.
constexpr wchar_t kMainWndClass[] = L"HopdeckMainWnd";

// How long the running copy has to take a request, and to answer it once
// taken: the slowest monitors (each write tried three times) and a KVM
// switch's command waiting for its turn fit well within it.
constexpr DWORD kRequestTakenMs = 5000;
constexpr DWORD kRequestAnsweredMs = 30000;

// The running copy's main window: of that class and the program's title, in
// another process that runs an executable of this name (a renamed copy talks
// only to its own). Null when there is none.
HWND FindRunningCopy();
// Hands a menu command to it, posted as if chosen from its tray menu. False
// when it could not be posted.
bool PostCommandToRunningCopy(HWND running, UINT command);
// Asks it to switch (pc 0) or to go to PC `pc`, and waits for its answer,
// the exit code. False when it has not done it and never will: it could not
// be asked (it runs as administrator, which takes no message from a normal
// program), ended, or did not take the request in time; this start then
// does it itself.
bool AskRunningCopy(HWND running, int pc, int* code);

// The copy's side: the request's registered message (wParam the PC, 0 for
// the switch; lParam the asking window), whether it is still this copy's to
// take (once taken it must be answered), and its answer.
UINT RequestMessage();
bool TakeRequest(HWND asker);
void AnswerRequest(HWND asker, int code);
