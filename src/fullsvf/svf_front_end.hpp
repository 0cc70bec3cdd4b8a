#pragma once
// The one reader of full SVF: it reads a file statement by statement
// through a buffer, checks each against SVF, applies SVF's rules (values
// carried over, headers and trailers around every scan, end states, the
// defaults of RUNTEST) and hands the result to a back end: the lowering of
// tapwright-prep, or the player of tapwright-play.
#include <cstdint>
#include <string>

#include "fullsvf/diagnostics.hpp"
#include "fullsvf/scan_memory.hpp"
#include "fullsvf/svf_commands.hpp"
#include "fullsvf/svf_source.hpp"
#include "fullsvf/svf_statement.hpp"

namespace tapwright::fullsvf {

// What a back end does with each statement. Problems of its own go to the
// diagnostics it was made with; the front end hands it only statements
// without problems of SVF's.
class SvfBackEnd {
 public:
  virtual ~SvfBackEnd() = default;
  virtual void scan(const ScanCommand& command) = 0;
  virtual void runtest(const RuntestCommand& command) = 0;
  virtual void state(const StateCommand& command) = 0;
  virtual void end_state(const EndStateCommand& command) = 0;
  virtual void trst(const TrstCommand& command) = 0;
  virtual void frequency(const FrequencyCommand& command) = 0;
  // PIO, PIOMAP, or a word that begins no SVF statement.
  virtual void unsupported(const Statement& statement) = 0;
};

// The other devices of a chain, in BYPASS around the one device a file is
// played to: what every scan is wrapped in, as SVF's headers (shifted
// first, so for the devices between the target and TDO) and trailers (for
// those between TDI and the target), all ones and never compared.
struct ChainPadding {
  std::int64_t ir_header = 0, ir_trailer = 0;  // their IR bits
  std::int64_t dr_header = 0, dr_trailer = 0;  // one BYPASS bit per device
  // After a reset, until an SIR puts them in BYPASS, the devices' data
  // registers are their IDCODEs: 32 bits each, 1 for a device without.
  std::int64_t reset_dr_header = 0, reset_dr_trailer = 0;
};

class SvfFrontEnd {
 public:
  SvfFrontEnd(SvfSource& source, Diagnostics& diagnostics);

  // Wraps every scan in `padding` from now on; the file's own HIR, TIR, HDR
  // and TDR may then only be 0.
  void pad_for_chain(const ChainPadding& padding);

  // Reads the next statement and hands it to `back_end`. 1: a statement was
  // read (it may have had problems); 0: the input is over.
  int next(SvfBackEnd& back_end);
  // The line of the statement read last.
  int line() const { return statement_.line; }
  // The bytes of the file read so far.
  std::uint64_t offset() const { return source_.offset(); }

 private:
  void scan(SvfBackEnd& back_end, ScanKind kind);
  void header(ScanMemory& memory, StoredBits& stored);
  int parse_clauses(ScanClauses& clauses);
  void runtest(SvfBackEnd& back_end);
  void state(SvfBackEnd& back_end);
  void end_state(SvfBackEnd& back_end, ScanKind kind);
  void trst(SvfBackEnd& back_end);
  void frequency(SvfBackEnd& back_end);
  void reached(TapState state);

  SvfSource& source_;
  Diagnostics& diagnostics_;
  StatementReader reader_;
  Statement statement_;
  // Where the file has taken the TAP controller: each statement starts from
  // where the one before it ended (Run-Test/Idle after the reset).
  TapState current_ = TapState::run_test_idle;
  // False after a statement that went wrong left the controller anywhere:
  // what follows is not judged by where it starts, which would only echo
  // the earlier problem.
  bool current_known_ = true;
  TapState endir_ = TapState::run_test_idle;
  TapState enddr_ = TapState::run_test_idle;
  // RUNTEST's run state and end state carry over from one to the next.
  TapState run_state_ = TapState::run_test_idle;
  TapState run_end_state_ = TapState::run_test_idle;
  ScanMemory sir_{"SIR"}, sdr_{"SDR"}, hir_memory_{"HIR"}, tir_memory_{"TIR"}, hdr_memory_{"HDR"},
      tdr_memory_{"TDR"};
  StoredBits hir_, tir_, hdr_, tdr_;
  bool padded_ = false;
  StoredBits reset_hdr_, reset_tdr_;
  // An SIR since the last reset has selected the padded devices' BYPASS.
  bool ir_since_reset_ = false;
};

}  // namespace tapwright::fullsvf
