#include <iostream>
#include <string>
#include <vector>

#include "prep/prep_command.hpp"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tapwright::prep::prep_main(args, std::cout, std::cerr);
}
