// How the component names itself to a host: its version, its property and event interfaces,
// the library that describes them, and the fixed identifiers a host registers them under.
// The identifiers never change, so that saved documents and registrations stay valid.
#pragma once

#include <string_view>

#include "control/version.h"

namespace vyx::identity {

// As the programs and the component show it: "1.00".
inline constexpr std::string_view kVersion = VYX_VERSION_TEXT;
inline constexpr std::string_view kClassName = "Vyx";
inline constexpr std::string_view kInterfaceName = "_Vyx";
inline constexpr std::string_view kEventInterfaceName = "__Vyx";
inline constexpr std::string_view kLibraryName = "Vantrel";
inline constexpr std::string_view kLibraryDescription = "Vantrel Vyx Control";

inline constexpr std::string_view kClassId = "6f7885a9-fc7d-4fdf-8bbb-d8eb9b6a36d7";
inline constexpr std::string_view kInterfaceId = "bc52dc6a-0289-4c1c-83f5-0237e8794a21";
inline constexpr std::string_view kEventInterfaceId = "22ce699c-1295-4d11-ba18-c41c54c9d489";
inline constexpr std::string_view kLibraryId = "337f528b-af32-47b4-8719-6bac583c6142";

// The event interface's one event.
inline constexpr std::string_view kNewDataName = "NewData";
inline constexpr int kNewDataId = 1;
inline constexpr std::string_view kNewDataHelp =
    "Occurs when the contents of a control have changed.";

}  // namespace vyx::identity
