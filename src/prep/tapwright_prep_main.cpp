#include <cstdio>
#include <string>
#include <vector>

#include "prep/prep_command.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tapwright::prep::prep_main(args, stdout, stderr);
}
