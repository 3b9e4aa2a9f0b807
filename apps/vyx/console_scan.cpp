#include "console_scan.h"

#include "json_values.h"
#include "line_scan.h"
#include "platform/port_map.h"

namespace vyx::console {
namespace {

std::string TextLine(const std::string& line, const boards::BoardFound& b) {
  std::string out = line + " address " + std::to_string(b.address) + ": ";
  if (!b.answered) return out + "no board (" + b.failure + ")";
  return out + "firmware " + b.firmware + ", identifier " + documents::JsonQuote(b.identifier) +
         ", calibration " + b.calibration + " V";
}

std::string JsonLine(int comm, const std::string& device, const boards::BoardFound& b) {
  std::string out = "{\"comm\":" + std::to_string(comm) +
                    ",\"device\":" + documents::JsonQuote(device) +
                    ",\"address\":" + std::to_string(b.address) +
                    ",\"answered\":" + (b.answered ? "true" : "false");
  if (!b.answered) return out + ",\"error\":" + documents::JsonQuote(b.failure) + "}";
  return out + ",\"FWver\":" + documents::JsonQuote(b.firmware) +
         ",\"IDstring\":" + documents::JsonQuote(b.identifier) +
         ",\"Vrefvolt\":" + documents::JsonQuote(b.calibration) + "}";
}

}  // namespace

ScanRun::ScanRun(const qt::PortMap& map, const CliOptions& options, LineWriter out, LineWriter err,
                 QObject* parent)
    : Run(options, std::move(out), std::move(err), parent), map_(map) {}

ScanRun::~ScanRun() = default;

void ScanRun::Start() { ScanNext(); }

void ScanRun::ScanNext() {
  if (next_ == options_.comms.size()) {
    emit finished(failed_ ? kExitFailure : kExitOk);
    return;
  }
  const int comm = options_.comms[next_++];
  const std::string device = map_.Device(comm);
  const std::string line = "Comm" + std::to_string(comm) + " (" + device + ")";
  scan_ = std::make_unique<boards::LineScan>(map_, comm);
  connect(scan_.get(), &boards::LineScan::finished, this,
          [this, comm, device, line](const Status& opened,
                                     const std::vector<boards::BoardFound>& found) {
            if (!opened) {
              failed_ = true;
              err_("vyx: " + opened.message());
            }
            for (const boards::BoardFound& b : found) {
              const bool written = options_.format == OutputFormat::Json
                                       ? out_(JsonLine(comm, device, b))
                                       : out_(TextLine(line + ":", b));
              if (!written) {
                emit finished(kExitFailure);
                return;
              }
            }
            // The scan is done with; it goes in a later turn of the loop.
            scan_.release()->deleteLater();
            ScanNext();
          });
  scan_->Start();
}

}  // namespace vyx::console
