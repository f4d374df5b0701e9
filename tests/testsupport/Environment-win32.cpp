#include "testsupport/Environment.h"

#include <cstdlib>

namespace hbk::test {

// The C runtime's copy is what getenv reads. It cannot hold an empty value:
// setting one removes the variable.
void setEnvironment(const std::string& name, const std::optional<std::string>& value) {
    _putenv_s(name.c_str(), value ? value->c_str() : "");
}

} // namespace hbk::test
