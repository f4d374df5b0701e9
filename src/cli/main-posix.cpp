#include "cli/Cli.h"

int main(int argc, char** argv) {
    return hbk::runTool({argv, argv + argc});
}
