// The clock field: the pure arithmetic, and the component's UpdateClock that feeds it with
// the selected board's counter, the host clock and that board's baselines.
#include "protocol/clock_field.h"

#include <cmath>

#include "control/vyx.h"
#include "panel/text_number.h"

namespace vyx {
namespace protocol {

double BoardClockSeconds(double high, double low) { return (high * 256.0 + low) * kBoardTick; }

double BoardElapsed(double previous, double now) {
  const double d = now - previous;
  return d < 0.0 ? d + kBoardWrap : d;
}

double HostElapsed(double previous, double now) {
  const double d = now - previous;
  return d < 0.0 ? d + kDay : d;
}

double EstimateElapsed(double boardElapsed, double hostElapsed) {
  double est = std::floor(hostElapsed / kBoardWrap) * kBoardWrap + boardElapsed;
  if (est > hostElapsed + kBoardWrap / 2.0) est -= kBoardWrap;
  if (est < hostElapsed - kBoardWrap / 2.0) est += kBoardWrap;
  return est;
}

double AdvanceClock(double value, double elapsed) {
  double t = value + elapsed;
  if (t > kDay) t -= kDay;
  return t;
}

std::string ClockText(std::string_view current, double elapsed) {
  return FormatFixed(AdvanceClock(NumericValue(current), elapsed), 4);
}

}  // namespace protocol

void Vyx::UpdateClock() {
  const std::size_t b = Board();
  const bool first = m_.EEReadDue[b];  // baselines start at the board's first decode

  const double boardNow = protocol::BoardClockSeconds(Reg(m_.RegClock), Reg(m_.RegClock + 1));
  if (first) m_.PrevBoardClock[b] = boardNow;
  const double dBoard = protocol::BoardElapsed(m_.PrevBoardClock[b], boardNow);
  m_.PrevBoardClock[b] = boardNow;

  const float hostNow = clock_.SecondsSinceMidnight();
  if (first) m_.PrevHostTime[b] = hostNow;
  const double dHost = protocol::HostElapsed(m_.PrevHostTime[b], hostNow);
  m_.PrevHostTime[b] = hostNow;

  const double est = protocol::EstimateElapsed(dBoard, dHost);
  fields_.SetText(Field::TxtTime, protocol::ClockText(fields_.Text(Field::TxtTime), est));
  if (!m_.TimeEditing) fields_.SetText(Field::BufTime, fields_.Text(Field::TxtTime));
  m_.TimeCache[b] = fields_.Text(Field::TxtTime);
}

}  // namespace vyx
