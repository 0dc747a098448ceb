#pragma once
// The driver's subcommands. Each takes the arguments after its name, prints one JSON object
// on one line and returns the exit code.
#include "common.h"

namespace e2e {

// Starts `"<exe>" <argtext>` with no standard handles; the caller closes both handles.
PROCESS_INFORMATION LaunchProgram(const std::wstring& exe, const std::wstring& argtext,
                                  DWORD flags);
// Waits up to timeout_ms; adds "exited" and, once the process has ended, "code".
void AddExit(Json& json, HANDLE process, DWORD timeout_ms);

// Processes.
int Start(const Args& args);
int Run(const Args& args);
int StartMany(const Args& args);
int Wait(const Args& args);
int Kill(const Args& args);
int Processes(const Args& args);
int GuiResources(const Args& args);

// Window tree.
int Windows(const Args& args);
int Children(const Args& args);
int Info(const Args& args);
int Focus(const Args& args);
int Cursor(const Args& args);

// Messages to windows.
int SetText(const Args& args);
int GetText(const Args& args);
int SetScroll(const Args& args);
int Press(const Args& args);
int Close(const Args& args);
int Redraw(const Args& args);
int PostTimer(const Args& args);
int Detach(const Args& args);
int DpiChanged(const Args& args);

// Pixels and fonts.
int Capture(const Args& args);
int TextInk(const Args& args);

// The settings key.
int RegGet(const Args& args);
int RegSet(const Args& args);
int RegSetLong(const Args& args);
int RegSetDword(const Args& args);
int RegDeleteValue(const Args& args);
int RegDeleteKey(const Args& args);
int RegDenyWrite(const Args& args);
int RegAllowWrite(const Args& args);

// A preview host window with the saver as its child; a host window alone.
int Host(const Args& args);
int ShowWindowFor(const Args& args);

// Real hosts and systems: an exact command line, a held lock name, a label's caption.
int StartLine(const Args& args);
int HoldName(const Args& args);
int CaptionInk(const Args& args);

}  // namespace e2e
