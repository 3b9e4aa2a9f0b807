// The update: pending writes, the status request, the reply wait, up to three tries, and
// the end that decodes the readings. Nothing here waits for the status reply; reception
// and the reply timer carry the conversation on.
#include <chrono>
#include <string>

#include "control/vyx.h"
#include "panel/text_number.h"
#include "protocol/encodings.h"

namespace vyx {
namespace {

constexpr int kTries = 3;

}  // namespace

void Vyx::StartUpdate() {
  fields_.SetCaption(Field::LblStatus, "Busy");
  // A failed write or a refused arming ends the update at once; the remaining steps must
  // not arm a new wait behind a "Ready" panel, and the edits not yet written stay pending.
  auto running = [this] { return fields_.Caption(Field::LblStatus) == "Busy"; };
  auto send = [this](std::string_view letter, int reg, int value1, int value2) {
    return SendCommand(letter, m_.MicroIndex, 0, reg, value1, value2) == IoResult::Ok;
  };
  auto statusRequest = [&] {
    return send("Q", protocol::kMap.BlockStart, 0, protocol::kMap.BlockCount);
  };

  // Output edits are never sent to an address where no board has answered yet.
  if (!m_.BoardOnline[Board()]) {
    ArmReplyWait();
    if (running()) statusRequest();
    m_.PWMPending = false;
    m_.DPWPending = false;
    m_.DOGPending = false;
    return;
  }

  if (m_.NamePending) {
    if (!fields_.Text(Field::TxtName).empty()) WriteIDstring();
    ReadIDstring();
    if (!running()) return;
    m_.NamePending = false;
  }
  if (m_.VrefPending) {
    if (!fields_.Text(Field::TxtVref).empty()) WriteVref();
    ReadVref();
    if (!running()) return;
    m_.VrefPending = false;
  }
  // The "p" and "r" frames go out back to back: the board does not answer them. A flag is
  // cleared once its row is done, whether or not the row had anything to send.
  if (m_.DOPending) {
    const int d = protocol::OutputByte({{fields_.State(Field::ChkDON), protocol::kMap.BitDON},
                                        {fields_.State(Field::ChkDOE), protocol::kMap.BitDOE},
                                        {fields_.State(Field::ChkDOK), protocol::kMap.BitDOK},
                                        {fields_.State(Field::ChkDOS), protocol::kMap.BitDOS}});
    if (send("p", protocol::kMap.RegPort, 0, d)) m_.DOPending = false;
    if (!running()) return;
  }
  if (m_.RSTPending) {
    // A checked box shows flags the board still holds; clearing them is not asked for then.
    if (fields_.State(Field::ChkRST) != 0 ||
        (send("r", protocol::kMap.RegRST, 0, protocol::kMap.BitRSTa) &&
         send("r", protocol::kMap.RegRST, 0, protocol::kMap.BitRSTb))) {
      m_.RSTPending = false;
    }
    if (!running()) return;
  }
  struct Duty {
    bool& pending;
    Field text;
    int reg;
  };
  for (const Duty& duty : {Duty{m_.DPWPending, Field::TxtDPW, protocol::kMap.RegDPW},
                           Duty{m_.DOGPending, Field::TxtDOG, protocol::kMap.RegDOG}}) {
    if (!duty.pending) continue;
    const std::string& text = fields_.Text(duty.text);
    if (text.empty() || send("p", duty.reg, 0, protocol::DutyByte(NumericValue(text)))) {
      duty.pending = false;
    }
    if (!running()) return;
  }

  // The PWM write is answered with the status block, so it replaces the status request.
  const bool pwm = m_.PWMPending && !fields_.Text(Field::TxtPWM).empty();
  if (!pwm) m_.PWMPending = false;
  ArmReplyWait();
  if (!running()) return;
  if (pwm) {
    const protocol::PwmPair p = protocol::PwmBytes(NumericValue(fields_.Text(Field::TxtPWM)));
    if (send("u", protocol::kMap.RegPWM, p.hi, p.lo)) m_.PWMPending = false;
  } else {
    statusRequest();
  }
}

void Vyx::ArmReplyWait() {
  m_.AwaitReply = true;
  timer_.SetInterval(kReplyTick);
  timer_.SetEnabled(true);
  // Whatever arrived before the request is not part of its reply.
  IoResult r = port_.DiscardInput();
  if (r == IoResult::Ok) r = port_.SetReceiveThreshold(protocol::kMap.BlockCount + 1);
  if (r != IoResult::Ok) FailUpdate(FailureOf(r), port_.LastError());
}

void Vyx::RetryUpdate() {
  ++m_.TryCount;
  // The failed try awaits nothing more, and the rest of a reply still on the wire must not
  // start the next try's window.
  m_.AwaitReply = false;
  SettleLine();
  if (m_.TryCount < kTries) {
    StartUpdate();
    return;
  }
  m_.BoardOnline[Board()] = false;
  FailUpdate(m_.TryFailure);
}

void Vyx::EndUpdate() {
  m_.TryCount = 0;
  m_.AwaitReply = false;
  timer_.SetEnabled(false);
  timer_.SetInterval(0);
  // A closed port raises nothing anyway, so a refusal here changes nothing.
  (void)port_.SetReceiveThreshold(0);
  ShowReadings();
  fields_.SetCaption(Field::LblStatus, "Ready");
  if (m_.UpdateRunning) {
    m_.UpdateRunning = false;
    ReportEnd({m_.UpdateAddress, m_.TryFailure, std::move(m_.EndDetail)});
  }
}

void Vyx::FailUpdate(UpdateFailure failure, std::string detail) {
  m_.TryFailure = failure;
  // Without a port, the reason it is not open says more than the refusal of a write.
  if (failure == UpdateFailure::PortNotOpen && !m_.OfflineCause.empty()) detail = m_.OfflineCause;
  m_.EndDetail = std::move(detail);
  EndUpdate();
}

UpdateFailure Vyx::FailureOf(IoResult r) {
  switch (r) {
    case IoResult::NotOpen:
      return UpdateFailure::PortNotOpen;
    case IoResult::NoDevice:
      return UpdateFailure::DeviceGone;
    default:
      return UpdateFailure::PortError;
  }
}

void Vyx::ReportEnd(UpdateEnd end) {
  ends_.push_back(std::move(end));
  FlushEnds();
}

void Vyx::FlushEnds() {
  // A host that starts the next update from an end, and sees it fail at once, must not
  // recurse: that end waits for the loop below.
  if (holdEnds_ > 0 || flushingEnds_) return;
  flushingEnds_ = true;
  while (!ends_.empty()) {
    UpdateEnd next = std::move(ends_.front());
    ends_.erase(ends_.begin());
    if (host_) host_->UpdateEnded(next);
  }
  flushingEnds_ = false;
}

}  // namespace vyx
