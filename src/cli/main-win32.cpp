#include "cli/Cli.h"

// The wide entry point: arguments arrive as UTF-16, not converted (with
// best fit) to the ANSI code page as main's would be.
int wmain(int argc, wchar_t** argv) {
    return hbk::runTool({argv, argv + argc});
}
