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

// SendCommand stamps SendMono only after a successful write, and the clock never returns
// this value, so an unchanged mark tells a failed write (which already ended the update).
constexpr std::chrono::steady_clock::time_point kUnsent =
    std::chrono::steady_clock::time_point::min();

}  // namespace

void Vyx::StartUpdate() {
  fields_.SetCaption(Field::LblStatus, "Busy");
  // A failed write or a refused arming ends the update at once; the remaining steps must
  // not arm a new wait behind a "Ready" panel, and the edits not yet written stay pending.
  auto running = [this] { return fields_.Caption(Field::LblStatus) == "Busy"; };
  auto send = [this](std::string_view letter, int reg, int value1, int value2) {
    const auto mono = m_.SendMono;
    const float time = m_.SendTime;
    m_.SendMono = kUnsent;
    SendCommand(letter, m_.MicroIndex, 0, reg, value1, value2);
    if (m_.SendMono != kUnsent) return true;
    m_.SendMono = mono;
    m_.SendTime = time;
    return false;
  };
  auto statusRequest = [&] { return send("Q", m_.BlockStart, 0, m_.BlockCount); };

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
    const int d = protocol::OutputByte({{fields_.State(Field::ChkDON), m_.BitDON},
                                        {fields_.State(Field::ChkDOE), m_.BitDOE},
                                        {fields_.State(Field::ChkDOK), m_.BitDOK},
                                        {fields_.State(Field::ChkDOS), m_.BitDOS}});
    if (send("p", m_.RegPort, 0, d)) m_.DOPending = false;
    if (!running()) return;
  }
  if (m_.RSTPending) {
    // A checked box shows flags the board still holds; clearing them is not asked for then.
    if (fields_.State(Field::ChkRST) != 0 ||
        (send("r", m_.RegRST, 0, m_.BitRSTa) && send("r", m_.RegRST, 0, m_.BitRSTb))) {
      m_.RSTPending = false;
    }
    if (!running()) return;
  }
  struct Duty {
    bool& pending;
    Field text;
    int reg;
  };
  for (const Duty& duty : {Duty{m_.DPWPending, Field::TxtDPW, m_.RegDPW},
                           Duty{m_.DOGPending, Field::TxtDOG, m_.RegDOG}}) {
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
    if (send("u", m_.RegPWM, p.hi, p.lo)) m_.PWMPending = false;
  } else {
    statusRequest();
  }
}

void Vyx::ArmReplyWait() {
  m_.AwaitReply = true;
  Timer1.SetInterval(m_.ReplyTick);
  Timer1.SetEnabled(true);
  // Whatever arrived before the request is not part of its reply.
  if (MSComm1.DiscardInput() != IoResult::Ok ||
      MSComm1.SetReceiveThreshold(m_.BlockCount + 1) != IoResult::Ok) {
    EndUpdate();
  }
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
  EndUpdate();
}

void Vyx::EndUpdate() {
  m_.TryCount = 0;
  m_.AwaitReply = false;
  Timer1.SetEnabled(false);
  Timer1.SetInterval(0);
  // A closed port raises nothing anyway, so a refusal here changes nothing.
  (void)MSComm1.SetReceiveThreshold(0);
  ShowReadings();
  fields_.SetCaption(Field::LblStatus, "Ready");
}

}  // namespace vyx
