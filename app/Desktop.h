#pragma once

/// Runs the desktop application: the main window until Exit, Esc or its close box. `argc`
/// and `argv` go to Qt, which takes its own options (-platform and the like) from them.
/// Returns the exit status, 0.
int runDesktop(int& argc, char** argv);
