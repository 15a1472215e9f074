#pragma once
// The program's version text: shown in the About box and by --version, and compared with
// the version the update server offers (any difference counts as an update).

namespace orvanta {

inline constexpr char kProgramVersion[] = "1.1.14";

}  // namespace orvanta
