// Start-up of the program: application settings, the per-user folder, translation, the
// sign-in dialog and, once signed in, the main window and its event loop.
#pragma once

// Runs the program; the result is the process exit code (0 when sign-in is not accepted).
int RunCoravex(int argc, char** argv);
