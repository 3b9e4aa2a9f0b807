#include "control/vyx.h"

namespace vyx {

Vyx::Vyx(SerialPort& port, ReplyTimer& timer, Clock& clock, Host* host)
    : port_(port), timer_(timer), clock_(clock), host_(host) {
  BindHandlers();
  UserControl_Initialize();
}

Vyx::~Vyx() {
  // The port and timer may outlive the component; they must not call into it afterwards.
  port_.SetListener(nullptr);
  timer_.SetListener(nullptr);
}

void Vyx::BindHandlers() {
  FieldStore& f = fields_;
  f.Bind(Field::TxtComm, [this] { TxtComm_Change(); });
  f.Bind(Field::TxtMicro, [this] { TxtMicro_Change(); });
  f.Bind(Field::CmbComm, [this] { CmbComm_Click(); });
  f.Bind(Field::CmbMicro, [this] { CmbMicro_Click(); });
  f.Bind(Field::CmdUpdate, [this] { CmdUpdate_Click(); });
  f.Bind(Field::CmdClear, [this] { CmdClear_Click(); });
  f.Bind(Field::CmdZero, [this] { CmdZero_Click(); });
  f.Bind(Field::TxtName, [this] { TxtName_Change(); });
  f.Bind(Field::TxtVref, [this] { TxtVref_Change(); });
  f.Bind(Field::TxtPWM, [this] { TxtPWM_Change(); });
  f.Bind(Field::TxtDPW, [this] { TxtDPW_Change(); });
  f.Bind(Field::TxtDOG, [this] { TxtDOG_Change(); });
  for (Field box : {Field::ChkDON, Field::ChkDOE, Field::ChkDOK, Field::ChkDOS}) {
    f.Bind(box, [this] { ChkOutput_Click(); });
  }
  f.Bind(Field::ChkRST, [this] { ChkRST_Click(); });
  f.Bind(Field::TxtEvent, [this] { TxtEvent_Change(); });
  port_.SetListener([this](CommEvent e) { OnPortEvent(e); });
  timer_.SetListener([this] { OnReplyTimer(); });
}

}  // namespace vyx
