// The component: one object that owns the panel fields, the serial port, the reply timer
// and every table and flag for its whole life. Its procedures keep the names the component
// has always had; they are grouped by concern into link/, protocol/, eeprom/, panel/ and
// control/.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/host.h"
#include "control/status.h"
#include "link/platform.h"
#include "panel/field_store.h"
#include "panel/reading_texts.h"
#include "protocol/status_block.h"

namespace vyx {

inline constexpr int kBoards = 4;

// The selected board's readings as numbers: the decoded status block, and the clock field's
// value.
struct Readings : protocol::Readings {
  double clockSeconds = 0;
};

class Vyx {
 public:
  // Builds the fields from their start values and runs start-up. No port is opened.
  Vyx(SerialPort& port, ReplyTimer& timer, Clock& clock, Host* host = nullptr);
  ~Vyx();
  Vyx(const Vyx&) = delete;
  Vyx& operator=(const Vyx&) = delete;

  void SetHost(Host* host) { host_ = host; }

  // The 30 properties by name (control/properties.cpp). A set stores into the field, lets
  // every nested effect finish, then notifies the host; a refused set notifies nothing.
  Status Get(std::string_view name, PropValue& value) const;
  Status Set(std::string_view name, const PropValue& value);
  // A set from a host's own value (a widget property, a console word, a JSON value),
  // converted to the property's type by the one set of rules documents use too.
  Status Assign(std::string_view name, const BagValue& value);

  // Saving and restoring the properties with the host's document (control/persistence.cpp).
  Status Save(PropertyBag& bag) const;
  Status Restore(PropertyBag& bag);

  // Operator actions on the panel (panel/operator.cpp). Focus moves the input focus (none
  // takes it away), running the leave rule of the edit box that loses it. Type replaces the
  // text of the edit box that has the focus. KeyDown presses a key there (13 is Enter).
  // Click moves the focus to the field, then presses, toggles or picks.
  Status Focus(std::optional<Field> field);
  Status Type(std::string text);
  Status KeyDown(int keyCode);
  Status Click(Field field, int index = -1);
  std::optional<Field> Focused() const { return focus_; }

  // True while a reply is awaited.
  bool UpdateInProgress() const { return m_.AwaitReply; }

  // The selected board's readings from its last verified reply; none while it is offline.
  std::optional<Readings> LastReadings() const;

  const FieldStore& Fields() const { return fields_; }
  void SetFieldObserver(FieldStore::Observer o) { fields_.SetObserver(std::move(o)); }

 private:
  // Every member of the component besides its fields. Start values are those of start-up.
  struct Members {
    std::int16_t MicroIndex = 0;

    // Update state.
    bool AwaitReply = false;
    std::uint8_t TryCount = 0;
    float SendTime = 0.0f;  // seconds since midnight at the last frame written
    std::chrono::steady_clock::time_point SendMono{};  // the same moment, monotonic
    // Replies still to be confirmed by a quiet line after the line last showed a fault.
    int SuspectReplies = 0;
    // The firmware byte of the last window refused for showing a version other than its
    // board's; -1 when none.
    int NewFirmware = -1;

    // The update the host started and has not yet heard the end of, and why its last try
    // failed.
    bool UpdateRunning = false;
    int UpdateAddress = 0;
    UpdateFailure TryFailure = UpdateFailure::NoReply;
    std::string EndDetail;
    // The platform's words for the last failure to open a port, for the ends it causes.
    std::string OfflineCause;

    // Per-board tables.
    std::array<bool, kBoards> BoardOnline{};
    std::array<bool, kBoards> EEReadDue{};
    std::array<bool, kBoards> RestorePanel{};
    std::array<std::string, kBoards> NameCache{};
    std::array<std::string, kBoards> VrefCache{};
    std::array<std::string, kBoards> DifCache{};
    std::array<std::string, kBoards> TimeCache{};
    std::array<double, kBoards> PrevBoardClock{};
    std::array<float, kBoards> PrevHostTime{};
    // The last verified reply of each board, and its decoding; none until the board answers.
    std::array<protocol::RegisterImage, kBoards> RegImage{};
    std::array<std::optional<protocol::Readings>, kBoards> Decoded{};

    // Pending writes and editing flags.
    bool NamePending = false, VrefPending = false, PWMPending = false, DPWPending = false,
         DOGPending = false, DOPending = false, RSTPending = false;
    bool NameEditing = false, VrefEditing = false, TimeEditing = false, PWMEditing = false,
         DPWEditing = false, DOGEditing = false;
  };

  void BindHandlers();

  // link/startup.cpp
  void UserControl_Initialize();
  void CmbComm_Click();
  void TxtComm_Change();
  void CmbMicro_Click();
  void TxtMicro_Change();
  void SelectCommPort();
  void SelectMicro();
  // The offline path of port selection; also taken when a device vanishes.
  void GoOffline(std::string cause);

  // link/sequencer.cpp
  void StartUpdate();
  void ArmReplyWait();
  void RetryUpdate();
  void EndUpdate();
  // Ends the running update with a failure; the update's end is reported once.
  void FailUpdate(UpdateFailure failure, std::string detail = {});
  static UpdateFailure FailureOf(IoResult r);
  void ReportEnd(UpdateEnd end);
  void FlushEnds();

  // link/reception.cpp
  void OnPortEvent(CommEvent event);
  void OnReplyTimer();

  // link/line_silence.cpp
  bool LineStaysQuiet();  // for two byte times: nothing follows what came
  bool LineQuietFor(std::chrono::microseconds span);
  void SettleLine();
  bool WindowBelongs(const std::vector<std::uint8_t>& reply);

  // link/send_command.cpp: a failed write ends the update.
  IoResult SendCommand(std::string_view letter, int address, int spare, int reg, int value1,
                       int value2);

  // panel/show_readings.cpp
  void ShowReadings();
  void UpdateClock();

  // eeprom/ee_bytes.cpp, eeprom/records.cpp: a byte, or none when the board gave no good one.
  std::optional<int> ReadEEByte(int address);
  void WriteEEByte(int address, int data);
  void WriteIDstring();
  void ReadIDstring();
  void WriteVref();
  void ReadVref();

  // panel/edit_rules.cpp
  void BufGotFocus(Field buffer);
  void BufLostFocus(Field buffer);
  void BufKeyDown(Field buffer, int keyCode);
  bool* EditingFlag(Field buffer);
  void TxtName_Change();
  void TxtVref_Change();
  void TxtPWM_Change();
  void TxtDPW_Change();
  void TxtDOG_Change();
  void ChkOutput_Click();
  void ChkRST_Click();
  void CmdUpdate_Click();
  void CmdClear_Click();
  void CmdZero_Click();
  void ClearFields();

  // control/properties.cpp
  void TxtEvent_Change();

  // The reply timer's tick, and a try's time-out (twice that once the board has begun).
  static constexpr int kReplyTick = 110;  // ms

  std::size_t Board() const { return static_cast<std::size_t>(m_.MicroIndex); }

  SerialPort& port_;
  ReplyTimer& timer_;
  Clock& clock_;
  Host* host_ = nullptr;
  FieldStore fields_;
  ReadingTexts texts_;
  Members m_;
  std::vector<std::uint8_t> reply_;  // the last reply read, its storage kept for the next
  std::optional<Field> focus_;
  bool listWritesComm_ = false;
  // Update ends wait here while NewData runs, so that the host hears them in order.
  std::vector<UpdateEnd> ends_;
  int holdEnds_ = 0;
  bool flushingEnds_ = false;
};

}  // namespace vyx
