#pragma once
// tapwright-play's checking pass: the whole file read and checked, and
// played into a link that only counts, before any cable is opened.
#include <cstdint>
#include <cstdio>
#include <string>

#include "fullsvf/svf_front_end.hpp"
#include "fullsvf/svf_input.hpp"
#include "play/host_clock.hpp"
#include "play/svf_player.hpp"

namespace tapwright::play {

struct FirstPass {
  int errors = 0;
  std::uint64_t statements = 0;
  std::uint64_t clocks = 0;
  double seconds = 0;  // the clocks at the cable's rates, and the waits
};

// Reads and checks the whole file; its problems and notes are listed on
// `err`. A stream is checked as it is copied, and not copied on past its
// first problem: it may never end. The file is played into a link that
// only counts, from where a run's reset leaves the controller.
FirstPass check_file(fullsvf::SvfInput& input, const PlaySettings& settings, HostClock& clock,
                     const fullsvf::ChainPadding* padding, bool again, std::FILE* err);

// When the pass found problems: says that nothing was played, and 1.
int report_problems(const FirstPass& pass, const std::string& name, std::FILE* err);

}  // namespace tapwright::play
