// TODO(stub): replaced by the real procedures.
#include "control/vyx.h"

namespace vyx {

void Vyx::BufGotFocus(Field) {}
void Vyx::BufLostFocus(Field) {}
void Vyx::BufKeyDown(Field, int) {}
void Vyx::TxtName_Change() {}
void Vyx::TxtVref_Change() {}
void Vyx::TxtPWM_Change() {}
void Vyx::TxtDPW_Change() {}
void Vyx::TxtDOG_Change() {}
void Vyx::ChkOutput_Click() {}
void Vyx::ChkRST_Click() {}
void Vyx::CmdUpdate_Click() {}
void Vyx::CmdClear_Click() {}
void Vyx::CmdZero_Click() {}
void Vyx::ClearFields() {}

}  // namespace vyx
