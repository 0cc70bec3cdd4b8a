#pragma once
// Every output of a run replaces the file of its name when the run ends: an
// output that is the SVF file, or two outputs that are one file, would
// destroy the input or keep only one of two records.
#include <span>
#include <string>
#include <string_view>

namespace tapwright::cli {

struct NamedOutput {
  std::string_view option;  // how the user named it, e.g. "--vcd"
  std::string_view path;    // empty: not asked for
};

// 1 when no output is the SVF file (null: none given) or another output; else
// 0 with the reason. One file is the same device and inode, however it is
// spelled (links, "./"); for names that do not exist yet, the same path.
int outputs_are_separate(const char* svf_path, std::span<const NamedOutput> outputs,
                         std::string& reason);

}  // namespace tapwright::cli
