#pragma once
// The session procedures the rest of the program calls: the status prompt,
// the log-out (the one place where the session ends), and the company loader.
// They act on the open session (Session::current()); without one they do nothing.
#include "platform/zenlo_export.h"

#include <QString>

namespace bMain {

// Shows prefix + text (or prefix + the "ready" text) in the main window's message link
// (the session's statusPrompt signal). Only mode 0 acts.
ZENLO_CORE_EXPORT void StatusPrompt(const QString &text, int mode = 0);
// Writes the log-out record, releases the program-wide objects in their order and
// closes the session; the main window goes last. Safe to call twice.
ZENLO_CORE_EXPORT void LogOut();
// Copies the first sysdatabase row (in zt_code order) into the company information object.
ZENLO_CORE_EXPORT void LoadCompanyInfo();

} // namespace bMain
