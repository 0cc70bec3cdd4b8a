#include "cli/separate_outputs.hpp"

#include <filesystem>
#include <system_error>

namespace tapwright::cli {

namespace {

namespace fs = std::filesystem;

bool same_file(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const bool a_exists = fs::exists(a, ec);
  const bool b_exists = fs::exists(b, ec);
  if (a_exists != b_exists) return false;
  if (a_exists) return fs::equivalent(a, b, ec);
  // Neither exists yet: the full paths with their existing folders resolved.
  const fs::path resolved_a = fs::weakly_canonical(fs::absolute(a, ec), ec);
  if (ec) return a.lexically_normal() == b.lexically_normal();
  const fs::path resolved_b = fs::weakly_canonical(fs::absolute(b, ec), ec);
  if (ec) return a.lexically_normal() == b.lexically_normal();
  return resolved_a == resolved_b;
}

std::string named(const NamedOutput& output) {
  return std::string(output.option) + " '" + std::string(output.path) + "'";
}

}  // namespace

int outputs_are_separate(const char* svf_path, std::span<const NamedOutput> outputs,
                         std::string& reason) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const NamedOutput& output = outputs[i];
    if (output.path.empty()) continue;
    if (svf_path && same_file(svf_path, output.path)) {
      reason = named(output) + " is the SVF file '" + svf_path + "'";
      return 0;
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (!outputs[j].path.empty() && same_file(outputs[j].path, output.path)) {
        reason = named(outputs[j]) + " and " + named(output) + " are the same file";
        return 0;
      }
    }
  }
  return 1;
}

}  // namespace tapwright::cli
