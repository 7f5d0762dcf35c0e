// Ending the program from inside any event handler.
#pragma once

// Ends the program with `code` as a posted quit request does on Windows: the modal loops
// that run end, every top-level window goes, and the main event loop returns. Editor
// windows and properties dialogs do not keep the program alive.
void endProgram(int code);
