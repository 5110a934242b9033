#pragma once
// The session procedures the rest of the program calls: the status prompt,
// the log-out (the one place where the session ends), and the company loader.
#include <QString>

namespace bMain {

// Shows prefix + text (or prefix + the "ready" text) in the main window's message link. Only mode 0 acts.
void StatusPrompt(const QString &text, int mode = 0);
// Writes the log-out record and releases the program-wide objects, in their order. Safe to call twice.
void LogOut();
// Copies the first sysdatabase row (in zt_code order) into the company information object.
void LoadCompanyInfo();

} // namespace bMain
