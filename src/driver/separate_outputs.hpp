#pragma once
// Output files are created, and so emptied, before the SVF file is read: an
// output that is the SVF file, or two outputs that are one file, would
// destroy the input or mix two records into one.
#include <span>
#include <string>
#include <string_view>

namespace tapwright {

struct NamedOutput {
  std::string_view option;  // how the user named it, e.g. "--vcd"
  std::string_view path;    // empty: not asked for
};

// 1 when no output is the SVF file (null: none given) or another output; else
// 0 with the reason. One file is the same device and inode, however it is
// spelled (links, "./"); for names that do not exist yet, the same path.
int outputs_are_separate(const char* svf_path, std::span<const NamedOutput> outputs,
                         std::string& reason);

}  // namespace tapwright
