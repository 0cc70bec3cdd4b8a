#pragma once
// The tapwright-prep command: arguments, reading the file, diagnostics and
// writing the lowered file. `main` only wires it to the process.
#include <ostream>
#include <string>
#include <vector>

namespace tapwright::prep {

// `args` excludes the program name. Returns the exit status: 0 lowered,
// 1 not lowered (nothing written), 2 usage error.
int prep_main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tapwright::prep
