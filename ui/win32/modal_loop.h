// The modal wait of the add-in's dialogs: messages (and, given an event pump, its timers and
// transfer notifications) are dispatched until the dialog is done, with the dialog keys (Tab,
// Enter, Esc) handled by IsDialogMessage.
#ifndef KESTROVA_UI_WIN32_MODAL_LOOP_H_
#define KESTROVA_UI_WIN32_MODAL_LOOP_H_

#include <windows.h>

#include <functional>

#include "platform/pump/win32/win32_event_pump.h"

namespace kestrova::win32 {

// Dispatches until finished() is true: through pump's DoEvents when pump is given, else through
// GetMessage. Keyboard messages for dialog, and for every other dialog still waiting in an outer
// modal loop, go through IsDialogMessage first. A WM_QUIT ends the wait early and is posted again
// for the host's own loop. The wait also ends when dialog is destroyed (with a host window that
// owned it). A failure that a window procedure kept meanwhile ends the wait and is raised.
void RunModalLoop(HWND dialog, Win32EventPump* pump, const std::function<bool()>& finished);

}  // namespace kestrova::win32

#endif  // KESTROVA_UI_WIN32_MODAL_LOOP_H_
