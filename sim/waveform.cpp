#include "vyx/sim/waveform.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>
#include <vector>

namespace vyx::sim {

std::optional<double> ParseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

double Waveform::Sample(double seconds, std::mt19937& rng) const {
  switch (kind) {
    case Kind::kConstant:
      return a;
    case Kind::kSine:
      return a + b * std::sin(2.0 * std::numbers::pi * seconds / period);
    case Kind::kRamp: {
      const double phase = std::fmod(seconds, period) / period;
      return a + (b - a) * phase;
    }
    case Kind::kNoise:
      return a + b * std::uniform_real_distribution<double>(-1.0, 1.0)(rng);
  }
  return a;
}

namespace {

std::optional<std::vector<double>> ParseList(std::string_view text, std::size_t count) {
  std::vector<double> values;
  while (true) {
    const auto comma = text.find(',');
    const auto value = ParseNumber(text.substr(0, comma));
    if (!value) return std::nullopt;
    values.push_back(*value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (values.size() != count) return std::nullopt;
  return values;
}

}  // namespace

std::optional<Waveform> Waveform::Parse(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) {
    const auto level = ParseNumber(text);
    if (!level) return std::nullopt;
    return Constant(*level);
  }
  const auto name = text.substr(0, colon);
  const auto args = text.substr(colon + 1);
  if (name == "noise") {
    const auto v = ParseList(args, 2);
    if (!v) return std::nullopt;
    return Waveform{Kind::kNoise, (*v)[0], (*v)[1], 1.0};
  }
  Kind kind;
  if (name == "sine") {
    kind = Kind::kSine;
  } else if (name == "ramp") {
    kind = Kind::kRamp;
  } else {
    return std::nullopt;
  }
  const auto v = ParseList(args, 3);
  if (!v || (*v)[2] <= 0.0) return std::nullopt;
  return Waveform{kind, (*v)[0], (*v)[1], (*v)[2]};
}

std::string Waveform::ToString() const {
  std::ostringstream out;
  out.imbue(std::locale::classic());
  switch (kind) {
    case Kind::kConstant:
      out << a;
      break;
    case Kind::kSine:
      out << "sine:" << a << ',' << b << ',' << period;
      break;
    case Kind::kRamp:
      out << "ramp:" << a << ',' << b << ',' << period;
      break;
    case Kind::kNoise:
      out << "noise:" << a << ',' << b;
      break;
  }
  return out.str();
}

}  // namespace vyx::sim
