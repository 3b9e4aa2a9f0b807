// The state behind VyxWidget. Not part of the widget's API: hosts see only vyx_widget.h, so
// that this may change without breaking them.
#pragma once

#include <QMetaMethod>
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "control/host.h"
#include "control/vyx.h"
#include "link/platform.h"
#include "platform/qt_platform.h"

class VyxWidget;

namespace vyx::qt {
class PanelView;

// The platform's serial port as the component sees it, keeping why it last failed to open.
// The port's own last error moves on with every later call ("port not open" from the next
// update); a host asks why the port is not open long after the opening failed.
class OpenWatch final : public SerialPort {
 public:
  explicit OpenWatch(SerialPort& port) : port_(port) {
    port_.SetListener([this](CommEvent e) {
      if (e == CommEvent::Vanished) why_ = port_.LastError();
      Raise(e);
    });
  }

  // Why the port is not open; empty while it is, or when it never failed.
  std::string WhyNotOpen() const { return port_.IsOpen() ? std::string() : why_; }

  int CommPort() const override { return port_.CommPort(); }
  IoResult SetCommPort(int port) override { return Note(port_.SetCommPort(port)); }
  bool IsOpen() const override { return port_.IsOpen(); }
  IoResult SetOpen(bool open) override {
    const IoResult r = Note(port_.SetOpen(open));
    if (r == IoResult::Ok) why_.clear();  // open, or closed by choice: nothing failed
    return r;
  }
  IoResult SetSettings(std::string_view s) override { return Note(port_.SetSettings(s)); }
  IoResult SetBinaryInput() override { return Note(port_.SetBinaryInput()); }
  IoResult SetRts(bool on) override { return port_.SetRts(on); }
  IoResult SetDtr(bool on) override { return port_.SetDtr(on); }
  IoResult InputCount(int& count) override { return port_.InputCount(count); }
  IoResult DiscardInput() override { return port_.DiscardInput(); }
  IoResult SetReceiveThreshold(int n) override { return port_.SetReceiveThreshold(n); }
  IoResult Write(std::string_view frame) override { return port_.Write(frame); }
  IoResult Read(std::vector<std::uint8_t>& bytes) override { return port_.Read(bytes); }
  IoResult WaitForInput(int n, std::chrono::steady_clock::time_point deadline) override {
    return port_.WaitForInput(n, deadline);
  }
  std::string LastError() const override { return port_.LastError(); }

 private:
  // The calls that open a port; any of them failing leaves it closed.
  IoResult Note(IoResult r) {
    if (r != IoResult::Ok) why_ = port_.LastError();
    return r;
  }

  SerialPort& port_;
  std::string why_;
};

}  // namespace vyx::qt

class VyxWidgetPrivate final : public vyx::Host {
 public:
  explicit VyxWidgetPrivate(VyxWidget* owner);
  ~VyxWidgetPrivate() override;

  // The component's host side: the property-changed notification, NewData and the end of
  // each update as signals.
  void PropertyChanged(std::string_view name) override;
  void NewData() override;
  void UpdateEnded(const vyx::UpdateEnd& end) override;

  // Every field write reaches the panel at once, and the property behind the field
  // announces its change.
  void fieldWritten(vyx::Field field);

  vyx::PropValue get(std::string_view name) const;
  void set(std::string_view name, vyx::PropValue value);

  VyxWidget* q;
  // Declared before the component, which holds references into it.
  vyx::qt::Platform platform;
  vyx::qt::OpenWatch port{platform.port()};
  vyx::Vyx component;
  vyx::qt::PanelView* view = nullptr;
  vyx::UpdateEnd lastEnd;
  // The NOTIFY signal of the property behind each field; invalid where none is.
  std::array<QMetaMethod, vyx::kFieldCount> notifyOf{};
};
