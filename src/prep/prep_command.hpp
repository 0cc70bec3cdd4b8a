#pragma once
// The tapwright-prep command: arguments, reading the file, diagnostics and
// writing the lowered file. `main` only wires it to the process.
#include <cstdio>
#include <string>
#include <vector>

namespace tapwright::prep {

// `args` excludes the program name. Returns the exit status: 0 lowered,
// 1 not lowered (nothing written) or a usage error, 130 interrupted.
int prep_main(const std::vector<std::string>& args, std::FILE* out, std::FILE* err);

}  // namespace tapwright::prep
