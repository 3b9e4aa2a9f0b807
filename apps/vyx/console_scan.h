// `scan`: which boards answer on each line, one line of output per address.
#pragma once

#include <QObject>
#include <memory>
#include <vector>

#include "console_args.h"
#include "console_runs.h"

namespace vyx::qt {
class PortMap;
}
namespace vyx::boards {
class LineScan;
struct BoardFound;
}  // namespace vyx::boards

namespace vyx::console {

class ScanRun : public Run {
  Q_OBJECT
 public:
  // Scans the positions of options.comms, which must be mapped in `map`.
  ScanRun(const qt::PortMap& map, const CliOptions& options, LineWriter out, LineWriter err,
          QObject* parent = nullptr);
  ~ScanRun() override;
  // The lines one after another; finished follows the last.
  void Start();

 private:
  void ScanNext();

  const qt::PortMap& map_;
  std::size_t next_ = 0;
  std::unique_ptr<boards::LineScan> scan_;
  bool failed_ = false;
};

}  // namespace vyx::console
