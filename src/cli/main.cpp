#include "cli/Cli.h"
#include "support/PathText.h"

#include <exception>
#include <iostream>
#include <new>

// The one place that turns an escaped exception into a message and exit 1,
// so that nothing ends in std::terminate.
int main(int argc, char** argv) {
    try {
        return hbk::runCli(argc, argv);
    } catch (const hbk::PathTextError&) {
        std::cerr << "A path cannot be converted between text and the file-system code page.\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "Out of memory.\n";
    } catch (const std::exception& error) {
        std::cerr << "Unexpected error: " << error.what() << ".\n";
    } catch (...) {
        std::cerr << "Unexpected error.\n";
    }
    return 1;
}
