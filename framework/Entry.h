// The framework's entry, for the platform's own entry point to call.
#pragma once

// Start-up, InitApplication, InitInstance, and the exit step; returns the exit code.
int AfxWinMain(int argc, char** argv);
