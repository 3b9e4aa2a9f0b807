#include "vyx/sim/simulator.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "simulator_impl.h"

namespace vyx::sim {

Simulator::Impl::Impl(Options opts)
    : options(std::move(opts)),
      time(options.time ? options.time : std::make_shared<SteadyTimeSource>()),
      in_pacer(options.line_rate),
      out_pacer(options.line_rate) {}

void Simulator::Impl::Wake() {
  const char byte = 1;
  if (wake_write >= 0) (void)!::write(wake_write, &byte, 1);
}

void Simulator::Impl::PersistIfWritten(bool force) {
  bool written = force;
  for (const int address : line->Addresses()) written |= line->Find(address)->TakeEepromWritten();
  if (!written || options.eeprom_file.empty()) return;
  EepromBank bank;
  for (auto& image : bank) image.fill(0xFF);
  for (const int address : line->Addresses()) {
    bank[static_cast<std::size_t>(address)] = line->Find(address)->EepromImage();
  }
  const std::string failure = SaveEepromFile(options.eeprom_file, bank);
  if (!failure.empty()) error = failure;
}

void Simulator::Impl::Disconnect() {
  if (options.tcp) {
    if (client >= 0) ::close(client);
    client = -1;
  } else {
    ClosePty(options.link, pty);
  }
  inbound.clear();
  outbound.clear();
  in_pacer.Reset();
  out_pacer.Reset();
  turnaround.Forget();
  drop_deadline.reset();
  line->ResetParser();
}

std::string Simulator::Impl::Start() {
  std::lock_guard lock(mu);
  if (running) return path;
  auto boards = options.boards;
  std::sort(boards.begin(), boards.end());
  if (boards.empty() || std::unique(boards.begin(), boards.end()) != boards.end() ||
      boards.front() < 0 || boards.back() >= reg::kMaxBoards) {
    error = "boards must be distinct addresses 0 to 3";
    return {};
  }
  EepromBank bank;
  if (!options.eeprom_file.empty()) {
    error = LoadEepromFile(options.eeprom_file, bank);
    if (!error.empty()) return {};
  }
  line = std::make_unique<Line>(boards, options.board, options.faults, options.seed, time->Now());
  if (!options.eeprom_file.empty()) {
    for (const int address : boards) {
      line->Find(address)->LoadEeprom(bank[static_cast<std::size_t>(address)]);
    }
  }
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return {};
  }
  wake_read = pipe_fds[0];
  wake_write = pipe_fds[1];
  if (options.tcp) {
    error = OpenListener(options.tcp_port, listener, bound_port);
    path = "tcp://127.0.0.1:" + std::to_string(bound_port);
  } else {
    error = OpenPty(options.link, pty);
    path = pty.path;
  }
  if (!error.empty()) {
    ::close(wake_read);
    ::close(wake_write);
    wake_read = wake_write = -1;
    path.clear();
    return {};
  }
  inbound.clear();
  outbound.clear();
  in_pacer.Reset();
  out_pacer.Reset();
  stopping = false;
  running = true;
  thread = std::thread(&Impl::Run, this);
  return path;
}

void Simulator::Impl::Stop() {
  {
    std::lock_guard lock(mu);
    if (!running) return;
    stopping = true;
    Wake();
  }
  thread.join();
  std::lock_guard lock(mu);
  if (client >= 0) ::close(client);
  if (listener >= 0) ::close(listener);
  client = listener = -1;
  ClosePty(options.link, pty);
  ::close(wake_read);
  ::close(wake_write);
  wake_read = wake_write = -1;
  running = false;
}

Simulator::Simulator(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}
Simulator::~Simulator() { Stop(); }

std::string Simulator::Start() { return impl_->Start(); }
void Simulator::Stop() { impl_->Stop(); }

std::string Simulator::DevicePath() const {
  std::lock_guard lock(impl_->mu);
  return impl_->path;
}

std::string Simulator::LastError() const {
  std::lock_guard lock(impl_->mu);
  return impl_->error;
}

bool Simulator::Connected() const {
  std::lock_guard lock(impl_->mu);
  return impl_->running && (impl_->options.tcp ? impl_->client >= 0 : impl_->pty.master >= 0);
}

std::string Simulator::Reconnect() {
  std::lock_guard lock(impl_->mu);
  if (!impl_->running) return {};
  if (impl_->options.tcp || impl_->pty.master >= 0) return impl_->path;
  impl_->error = OpenPty(impl_->options.link, impl_->pty);
  if (!impl_->error.empty()) return {};
  impl_->path = impl_->pty.path;
  impl_->Wake();  // the server thread polls the new master from now on
  return impl_->path;
}

namespace {

// Runs fn on the board with that address under the lock; false when there is none.
template <typename Fn>
bool WithBoard(Simulator::Impl& impl, int address, Fn&& fn) {
  std::lock_guard lock(impl.mu);
  if (!impl.line) return false;
  Board* board = impl.line->Find(address);
  if (board == nullptr) return false;
  fn(*board);
  return true;
}

}  // namespace

bool Simulator::SetInput(int board, Input input, bool level) {
  return WithBoard(*impl_, board, [&](Board& b) { b.SetInput(input, level); });
}

bool Simulator::SetAnalog(int board, int channel, const Waveform& wave) {
  if (channel < 0 || channel >= reg::kAnalogChannels) return false;
  return WithBoard(*impl_, board, [&](Board& b) { b.SetAnalog(channel, wave); });
}

bool Simulator::SetDifRate(int board, double pulses_per_second) {
  return WithBoard(*impl_, board,
                   [&](Board& b) { b.SetDifRate(pulses_per_second, impl_->ModelNow()); });
}

bool Simulator::SetDitPeriod(int board, double seconds) {
  return WithBoard(*impl_, board, [&](Board& b) { b.SetDitPeriod(seconds); });
}

bool Simulator::PowerCycle(int board) {
  return WithBoard(*impl_, board, [&](Board& b) { b.PowerUp(impl_->ModelNow()); });
}

std::optional<Outputs> Simulator::ReadOutputs(int board) const {
  std::optional<Outputs> out;
  WithBoard(*impl_, board, [&](Board& b) { out = b.ReadOutputs(); });
  return out;
}

std::optional<std::uint8_t> Simulator::ReadRegister(int board, std::uint8_t reg) const {
  std::optional<std::uint8_t> out;
  WithBoard(*impl_, board, [&](Board& b) { out = b.Register(reg, impl_->ModelNow()); });
  return out;
}

bool Simulator::WriteRegister(int board, std::uint8_t reg, std::uint8_t value) {
  return WithBoard(*impl_, board, [&](Board& b) {
    b.Write(reg, value);
    impl_->PersistIfWritten();
  });
}

std::optional<std::uint8_t> Simulator::ReadEeprom(int board, std::uint8_t address) const {
  std::optional<std::uint8_t> out;
  WithBoard(*impl_, board, [&](Board& b) { out = b.EepromImage()[address]; });
  return out;
}

bool Simulator::WriteEeprom(int board, std::uint8_t address, std::uint8_t value) {
  return WithBoard(*impl_, board, [&](Board& b) {
    b.SetEepromByte(address, value);
    impl_->PersistIfWritten(true);
  });
}

std::vector<LogEntry> Simulator::FrameLog() const {
  std::lock_guard lock(impl_->mu);
  return impl_->line ? impl_->line->Log().Entries() : std::vector<LogEntry>{};
}

void Simulator::ClearFrameLog() {
  std::lock_guard lock(impl_->mu);
  if (impl_->line) impl_->line->Log().Clear();
}

TurnaroundFigures Simulator::TakeTurnaround() {
  std::lock_guard lock(impl_->mu);
  return impl_->turnaround.Take();
}

Counters Simulator::GetCounters() const {
  std::lock_guard lock(impl_->mu);
  return impl_->line ? impl_->line->Stats() : Counters{};
}

FaultSettings Simulator::Faults() const {
  std::lock_guard lock(impl_->mu);
  return impl_->line ? impl_->line->Faults().Settings() : impl_->options.faults;
}

void Simulator::SetFaults(const FaultSettings& faults) {
  std::lock_guard lock(impl_->mu);
  impl_->options.faults = faults;
  if (impl_->line) impl_->line->Faults().SetSettings(faults);
}

std::vector<int> Simulator::Boards() const {
  std::lock_guard lock(impl_->mu);
  return impl_->line ? impl_->line->Addresses() : impl_->options.boards;
}

}  // namespace vyx::sim
